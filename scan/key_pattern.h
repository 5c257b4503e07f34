// Registry key paths matched against patterns written as key paths, for the
// tables that say what a place in the registry is.
#pragma once

#include <string_view>
#include <vector>

namespace qm {

// The components of a key path between its backslashes.
[[nodiscard]] std::vector<std::string_view> KeyComponents(std::string_view path);

// CurrentControlSet or ControlSet001 to ControlSet999.
[[nodiscard]] bool IsControlSet(std::string_view name);

// Whether `key_path` matches `pattern` component by component, without
// regard to case. A pattern component may be:
//   <ControlSet>  CurrentControlSet or any ControlSet00N;
//   <View>        nothing, or Wow6432Node (the 32-bit view);
//   <Name>        any one component;
//   <Any>         any number of components, none included;
//   text with *   that text, each * standing for any run of characters.
// With `below` the pattern also matches every key under the place it names.
[[nodiscard]] bool MatchesKeyPattern(std::string_view pattern, std::string_view key_path,
                                     bool below = false);

}  // namespace qm
