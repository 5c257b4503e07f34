#include "scan/key_pattern.h"

#include "platform/text.h"

namespace qm {

namespace {

using Parts = std::vector<std::string_view>;

// A component against one with * standing for any run of characters.
bool GlobMatches(std::string_view want, std::string_view name) {
  const std::size_t star = want.find('*');
  if (star == std::string_view::npos) return text::EqualsNoCase(want, name);
  if (name.size() < star || !text::EqualsNoCase(want.substr(0, star), name.substr(0, star))) {
    return false;
  }
  const std::string_view rest = want.substr(star + 1);
  for (std::size_t from = star; from <= name.size(); ++from) {
    if (GlobMatches(rest, name.substr(from))) return true;
  }
  return false;
}

bool Matches(const Parts& pattern, std::size_t p, const Parts& key, std::size_t k, bool below) {
  if (p == pattern.size()) return below || k == key.size();
  const std::string_view want = pattern[p];
  if (want == "<View>") {
    if (Matches(pattern, p + 1, key, k, below)) return true;
    return k < key.size() && text::EqualsNoCase(key[k], "Wow6432Node") &&
           Matches(pattern, p + 1, key, k + 1, below);
  }
  if (want == "<Any>") {
    for (std::size_t skip = k; skip <= key.size(); ++skip) {
      if (Matches(pattern, p + 1, key, skip, below)) return true;
    }
    return false;
  }
  if (k == key.size()) return false;
  const bool same = want == "<ControlSet>" ? IsControlSet(key[k])
                    : want == "<Name>"     ? !key[k].empty()
                                           : GlobMatches(want, key[k]);
  return same && Matches(pattern, p + 1, key, k + 1, below);
}

}  // namespace

std::vector<std::string_view> KeyComponents(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    parts.push_back(path.substr(0, cut));
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return parts;
}

bool IsControlSet(std::string_view name) {
  if (text::EqualsNoCase(name, "CurrentControlSet")) return true;
  constexpr std::string_view kPrefix = "ControlSet";
  if (name.size() != kPrefix.size() + 3 ||
      !text::EqualsNoCase(name.substr(0, kPrefix.size()), kPrefix)) {
    return false;
  }
  for (const char c : name.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool MatchesKeyPattern(std::string_view pattern, std::string_view key_path, bool below) {
  return Matches(KeyComponents(pattern), 0, KeyComponents(key_path), 0, below);
}

}  // namespace qm
