#include "platform/environment.h"

#include <utility>
#include <vector>

#include "platform/text.h"

namespace qm {

namespace {

// How deep a variable's value may name other variables. The system's own
// go two levels (windir, SystemRoot); the bound only keeps a long chain
// from using up the stack.
constexpr int kNestingLimit = 8;
// The longest text the system expands (in UTF-16 units; bytes here, which
// is never fewer): a longer one cannot be known.
constexpr std::size_t kLongestExpansion = 32767;

bool StartsName(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool GoesOnName(unsigned char c) {
  return StartsName(c) || (c >= '0' && c <= '9') || c == '(' || c == ')';
}

// Walks the text's %NAME% left to right; `on_name` gets each name and
// returns false to stop. `on_text` gets the text between them.
template <typename OnText, typename OnName>
bool WalkVariables(std::string_view text, const OnText& on_text, const OnName& on_name) {
  std::size_t pos = 0;
  for (;;) {
    const std::size_t open = text.find('%', pos);
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      on_text(text.substr(pos));
      return true;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (!IsVariableName(name)) {
      // The closing sign may open the next name.
      on_text(text.substr(pos, close - pos));
      pos = close;
      continue;
    }
    on_text(text.substr(pos, open - pos));
    if (!on_name(name)) return false;
    pos = close + 1;
  }
}

template <typename Lookup>
std::optional<std::string> ExpandWith(std::string_view text, const Lookup& lookup) {
  std::string out;
  const bool known = WalkVariables(
      text, [&out](std::string_view part) { out += part; },
      [&out, &lookup](std::string_view name) {
        const std::optional<std::string> value = lookup(name);
        if (value) out += *value;
        return value.has_value() && out.size() <= kLongestExpansion;
      });
  if (!known || out.size() > kLongestExpansion) return std::nullopt;
  return out;
}

}  // namespace

bool IsVariableName(std::string_view name) {
  if (name.empty() || !StartsName(static_cast<unsigned char>(name[0]))) return false;
  for (const char c : name) {
    if (!GoesOnName(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool HoldsVariable(std::string_view text) {
  if (text.find('%') == std::string_view::npos) return false;
  return !WalkVariables(
      text, [](std::string_view) {}, [](std::string_view) { return false; });
}

std::optional<std::string> ExpandVariables(std::string_view text, const Environment& environment) {
  return ExpandWith(text,
                    [&environment](std::string_view name) { return environment.Variable(name); });
}

void VariableTable::Set(std::string_view name, std::string value) {
  values_[text::UpperCase(name)] = std::move(value);
  resolved_.clear();
}

std::optional<std::string> VariableTable::Variable(std::string_view name) const {
  return Resolve(name, kNestingLimit);
}

// Each variable is expanded once and kept: the rule asks for the same few
// at every find, and values naming one another many times over must not
// cost more each time.
std::optional<std::string> VariableTable::Resolve(std::string_view name, int depth) const {
  const std::string key = text::UpperCase(name);
  if (const auto done = resolved_.find(key); done != resolved_.end()) return done->second;
  const auto it = values_.find(key);
  if (it == values_.end() || depth == 0) return std::nullopt;
  resolved_[key] = std::nullopt;  // a loop back to it finds it unknown
  std::optional<std::string> value = ExpandWith(
      it->second, [this, depth](std::string_view inner) { return Resolve(inner, depth - 1); });
  resolved_[key] = value;
  return value;
}

namespace {

constexpr std::string_view kWindowsNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kWindows = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kSystemEnvironment =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

using Strings = std::vector<std::pair<std::string, std::string>>;

// The string values of a key, by name; none when it does not open.
Strings StringValues(RegistryReader& registry, RegKey root, std::string_view path) {
  Strings out;
  RegKey opened = kNoKey;
  if (registry.OpenKey(root, path, &opened) != kRegOk) return out;
  const ScopedRegKey key(registry, opened);
  RegValue v;
  for (std::uint32_t i = 0; registry.EnumValue(key.Get(), i, v) == kRegOk; ++i) {
    if (v.type != kRegSz && v.type != kRegExpandSz) continue;
    out.emplace_back(v.name, text::Utf16LeToUtf8(v.data.data(), v.data.size(), true));
  }
  return out;
}

// Sets each variable whose value the key holds under another name.
void SetFrom(VariableTable& env, const Strings& values,
             std::initializer_list<std::pair<std::string_view, std::string_view>> names) {
  for (const auto& [value_name, variable] : names) {
    for (const auto& [name, data] : values) {
      if (text::EqualsNoCase(name, value_name)) env.Set(variable, data);
    }
  }
}

}  // namespace

VariableTable RegistryEnvironment(RegistryReader& registry, std::string_view user_sid) {
  VariableTable env;
  SetFrom(env, StringValues(registry, kHkeyLocalMachine, kWindowsNt),
          {{"SystemRoot", "SystemRoot"}, {"SystemRoot", "windir"}});
  if (const auto root = env.Variable("SystemRoot"); root && root->size() >= 2 && (*root)[1] == ':')
    env.Set("SystemDrive", root->substr(0, 2));
  SetFrom(env, StringValues(registry, kHkeyLocalMachine, kWindows),
          {{"ProgramFilesDir", "ProgramFiles"},
           {"ProgramFilesDir (x86)", "ProgramFiles(x86)"},
           {"ProgramW6432Dir", "ProgramW6432"},
           {"CommonFilesDir", "CommonProgramFiles"},
           {"CommonFilesDir (x86)", "CommonProgramFiles(x86)"},
           {"CommonW6432Dir", "CommonProgramW6432"}});
  SetFrom(
      env, StringValues(registry, kHkeyLocalMachine, kProfileList),
      {{"ProgramData", "ProgramData"}, {"ProgramData", "ALLUSERSPROFILE"}, {"Public", "PUBLIC"}});
  if (!user_sid.empty()) {
    SetFrom(env,
            StringValues(registry, kHkeyLocalMachine,
                         std::string(kProfileList) + "\\" + std::string(user_sid)),
            {{"ProfileImagePath", "USERPROFILE"}});
  }
  if (const auto profile = env.Variable("USERPROFILE")) {
    env.Set("USERNAME", profile->substr(profile->rfind('\\') + 1));
    if (profile->size() >= 2 && (*profile)[1] == ':') {
      env.Set("HOMEDRIVE", profile->substr(0, 2));
      env.Set("HOMEPATH", profile->size() > 2 ? profile->substr(2) : "\\");
    }
  }
  SetFrom(env, StringValues(registry, kHkeyCurrentUser, kShellFolders),
          {{"AppData", "APPDATA"}, {"Local AppData", "LOCALAPPDATA"}});
  // Whole keys, each over what came before.
  for (const auto& [root, path] :
       {std::pair{kHkeyLocalMachine, kSystemEnvironment},
        std::pair{kHkeyCurrentUser, std::string_view("Volatile Environment")},
        std::pair{kHkeyCurrentUser, std::string_view("Environment")}}) {
    for (auto& [name, data] : StringValues(registry, root, path)) env.Set(name, std::move(data));
  }
  return env;
}

}  // namespace qm
