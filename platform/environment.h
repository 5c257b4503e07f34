// The environment variables a value's owner would expand in its text
// (C:\Users\%USERNAME%\tool.exe): programs read many registry strings
// through ExpandEnvironmentStrings although the value is a plain string.
// The live system gives the scanning user's process environment; a Wine
// prefix or an installation that is not running gives the variables its
// registry holds for the profile being scanned.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace qm {

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value, fully expanded; nothing when the environment has
  // no variable of that name (names compare without case) or its value
  // cannot be expanded.
  [[nodiscard]] virtual std::optional<std::string> Variable(std::string_view name) const = 0;
};

// Whether the text between two percent signs names a variable. Command
// lines' argument placeholders (%1, %*, %L, %~1) and the stretch between
// two of them ("%1" "%2" gives 1" ") must not: a name starts with a
// letter, an underscore or a non-ASCII character and goes on with those,
// digits and brackets, so ProgramFiles(x86) is one. Blanks, quotes,
// backslashes, dots and the like are left out: the system's variables have
// none, while the text between two placeholders or percent figures often
// does, and reading it as a variable would hide a missing file.
[[nodiscard]] bool IsVariableName(std::string_view name);

// Whether the text holds a %NAME% that IsVariableName accepts.
[[nodiscard]] bool HoldsVariable(std::string_view text);

// The text with each %NAME% replaced by the variable's value, read left to
// right as the system does: a percent sign that does not open a name stays
// as it is, and the one after it may open the next. Nothing when one of the
// variables is unknown, for then the text's meaning cannot be known.
[[nodiscard]] std::optional<std::string> ExpandVariables(std::string_view text,
                                                         const Environment& environment);

// Variables set by name. A value may itself hold %NAME%, expanded with the
// table's own variables when it is first read, a few levels deep (a loop,
// as Path=%Path%;... makes, ends as unknown). One thread at a time.
class VariableTable final : public Environment {
 public:
  // Sets or replaces the variable.
  void Set(std::string_view name, std::string value);
  [[nodiscard]] std::optional<std::string> Variable(std::string_view name) const override;

 private:
  [[nodiscard]] std::optional<std::string> Resolve(std::string_view name, int depth) const;
  std::map<std::string, std::string> values_;  // by upper-cased name
  mutable std::map<std::string, std::optional<std::string>> resolved_;
};

// The environment a program started by the user whose profile is
// `user_sid` would have, built from a registry as the system builds it at
// log-on: SystemRoot, windir and SystemDrive from the system's folder; the
// program and common files folders; ProgramData, ALLUSERSPROFILE and
// PUBLIC from the profile list; USERPROFILE, USERNAME (the profile
// folder's name), HOMEDRIVE and HOMEPATH from the user's ProfileImagePath;
// APPDATA and LOCALAPPDATA from the user's shell folders; then the
// machine's Session Manager\Environment, the user's Volatile Environment
// and the user's Environment, each over what came before. The user's keys
// are read below HKEY_CURRENT_USER.
[[nodiscard]] VariableTable RegistryEnvironment(RegistryReader& registry,
                                                std::string_view user_sid);

}  // namespace qm
