#include "profile/ignore_list.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace qm {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsControl(char32_t cp) {
  return cp < 0x20 || cp == 0x7F;
}
bool IsSurrogate(char32_t cp) {
  return cp >= 0xD800 && cp <= 0xDFFF;
}

// A key path the file can hold as it stands: no empty name (a doubled
// backslash would read as the start of a value's name), no control
// character or unpaired surrogate, which a line could not carry visibly.
bool WritableKeyPath(std::string_view path) {
  if (!text::IsWtf8(path)) return false;
  if (path.empty()) return true;
  if (path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string_view::npos) {
    return false;
  }
  for (std::size_t pos = 0; pos < path.size();) {
    const char32_t cp = text::NextCodePoint(path, pos);
    if (IsControl(cp) || IsSurrogate(cp)) return false;
  }
  return true;
}

std::optional<std::string> QuotedName(std::string_view name) {
  if (!text::IsWtf8(name)) return std::nullopt;
  return "\"" + text::BackslashEscaped(name, {.upper_hex = true, .escape_delete = true}) + "\"";
}

std::optional<char32_t> HexUnit(std::string_view s, std::size_t at) {
  if (at + 4 > s.size()) return std::nullopt;
  char32_t v = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const char c = s[i];
    v <<= 4;
    if (c >= '0' && c <= '9') {
      v |= static_cast<char32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      v |= static_cast<char32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      v |= static_cast<char32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return v;
}

// The quoted name at the start of `s`, with nothing but blanks after it.
std::optional<std::string> UnquotedName(std::string_view s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  for (;;) {
    if (i >= s.size()) return std::nullopt;  // no closing quote
    const char c = s[i];
    if (c == '"') break;
    if (c != '\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) return std::nullopt;
    const char e = s[i + 1];
    i += 2;
    switch (e) {
      case '"':
      case '\\':
        out.push_back(e);
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'u': {
        auto unit = HexUnit(s, i);
        if (!unit) return std::nullopt;
        i += 4;
        char32_t cp = *unit;
        // A pair written as two escapes is one character, as UTF-16 reads it.
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i] == '\\' && s[i + 1] == 'u') {
          const auto low = HexUnit(s, i + 2);
          if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
            i += 6;
          }
        }
        text::AppendWtf8(out, cp);
        break;
      }
      default:
        return std::nullopt;
    }
  }
  const std::string_view rest = s.substr(i + 1);
  if (rest.find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
  if (!text::IsWtf8(out)) return std::nullopt;
  return out;
}

std::optional<IgnoreEntry> ParseEntry(std::string_view line) {
  if (!text::IsWtf8(line)) return std::nullopt;
  const std::size_t value_at = line.find("\\\\");
  const std::string_view head = line.substr(0, value_at);
  const std::size_t cut = head.find('\\');
  IgnoreEntry entry;
  entry.root = RootLongName(head.substr(0, cut));
  if (entry.root.empty()) return std::nullopt;
  if (cut != std::string_view::npos) {
    entry.key_path = std::string(head.substr(cut + 1));
    if (entry.key_path.empty() || !WritableKeyPath(entry.key_path)) return std::nullopt;
  }
  if (value_at != std::string_view::npos) {
    entry.value_name = UnquotedName(line.substr(value_at + 2));
    if (!entry.value_name) return std::nullopt;
  }
  return entry;
}

constexpr std::string_view kClasses = "SOFTWARE\\CLASSES";
constexpr std::string_view kClassesSuffix = "_CLASSES";

std::string Below(std::string_view base, std::string_view rest) {
  std::string path(base);
  if (!rest.empty()) {
    path += "\\";
    path += rest;
  }
  return path;
}

// `path` with its first name split off, when that is `name` (both upper-cased).
std::optional<std::string_view> Under(std::string_view path, std::string_view name) {
  if (path == name) return std::string_view();
  if (path.size() > name.size() && path.substr(0, name.size()) == name &&
      path[name.size()] == '\\') {
    return path.substr(name.size() + 1);
  }
  return std::nullopt;
}

// The places a key of `root` (long name) with the upper-cased path `key` is
// also seen at.
std::vector<std::pair<std::string, std::string>> PlacesOf(std::string_view root,
                                                          std::string_view key) {
  std::vector<std::pair<std::string, std::string>> out{{std::string(root), std::string(key)}};
  const auto classes = [&out](std::string_view rest) {
    out.emplace_back("HKEY_CLASSES_ROOT", std::string(rest));
    out.emplace_back("HKEY_LOCAL_MACHINE", Below(kClasses, rest));
    out.emplace_back("HKEY_CURRENT_USER", Below(kClasses, rest));
  };
  if (root == "HKEY_USERS" && !key.empty()) {
    const std::size_t cut = key.find('\\');
    const std::string_view user = key.substr(0, cut);
    const std::string_view rest =
        cut == std::string_view::npos ? std::string_view() : key.substr(cut + 1);
    const bool user_classes = user.size() > kClassesSuffix.size() &&
                              user.substr(user.size() - kClassesSuffix.size()) == kClassesSuffix;
    if (user_classes) {
      classes(rest);
    } else if (const auto c = Under(rest, kClasses)) {
      classes(*c);
    } else {
      out.emplace_back("HKEY_CURRENT_USER", std::string(rest));
    }
  } else if (root == "HKEY_CLASSES_ROOT") {
    classes(key);
  } else if (root == "HKEY_LOCAL_MACHINE" || root == "HKEY_CURRENT_USER") {
    if (const auto c = Under(key, kClasses)) classes(*c);
  }
  return out;
}

bool KeyCovers(std::string_view entry_key, std::string_view key) {
  // A key covers itself and every key below it, never a sibling that
  // merely starts with its name.
  return entry_key.empty() || key == entry_key ||
         (key.size() > entry_key.size() && key.substr(0, entry_key.size()) == entry_key &&
          key[entry_key.size()] == '\\');
}

bool SamePlace(const IgnoreEntry& a, const IgnoreEntry& b) {
  if (a.value_name.has_value() != b.value_name.has_value()) return false;
  if (a.value_name && !text::EqualsNoCase(*a.value_name, *b.value_name)) return false;
  return text::EqualsNoCase(a.root, b.root) && text::EqualsNoCase(a.key_path, b.key_path);
}

}  // namespace

std::string IgnoreListPath(std::string_view program_folder) {
  std::string path(program_folder);
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  path += kIgnoreFileName;
  return path;
}

std::string RootLongName(std::string_view name) {
  return std::string(RootKeyName(RootKeyFromName(name, RootSpelling::kAnyCaseOrShort)));
}

std::optional<std::string> IgnoreList::EntryLine(const IgnoreEntry& entry) {
  const std::string root = RootLongName(entry.root);
  if (root.empty() || !WritableKeyPath(entry.key_path)) return std::nullopt;
  std::string line = root;
  if (!entry.key_path.empty()) line += "\\" + entry.key_path;
  if (entry.value_name) {
    const auto quoted = QuotedName(*entry.value_name);
    if (!quoted) return std::nullopt;
    line += "\\\\" + *quoted;
  }
  return line;
}

IgnoreList::Line IgnoreList::EntryLineOf(IgnoreEntry entry) {
  Line line;
  line.places = PlacesOf(RootLongName(entry.root), text::UpperCase(entry.key_path));
  line.entry = std::move(entry);
  return line;
}

IgnoreList IgnoreList::Parse(std::string_view text) {
  IgnoreList list;
  if (text.substr(0, kBom.size()) == kBom) {
    list.bom_ = true;
    text.remove_prefix(kBom.size());
  }
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::size_t first = raw.find_first_not_of(" \t");
    if (first == std::string_view::npos || raw[first] == '#') {
      list.lines_.push_back({std::string(raw), std::nullopt, false, {}});
      continue;
    }
    if (auto entry = ParseEntry(raw)) {
      // Kept as the user wrote it (a short root, blanks after the name).
      list.lines_.push_back(EntryLineOf(std::move(*entry)));
      list.lines_.back().raw = std::string(raw);
    } else {
      list.lines_.push_back({std::string(raw), std::nullopt, true, {}});
    }
  }
  return list;
}

std::string IgnoreList::Text() const {
  std::string out = bom_ ? std::string(kBom) : std::string();
  for (const Line& line : lines_) {
    // An added entry has no line yet; it was checked, so it has a form.
    out += line.raw.empty() && line.entry ? EntryLine(*line.entry).value_or("") : line.raw;
    out += "\r\n";
  }
  return out;
}

std::vector<IgnoreEntry> IgnoreList::Entries() const {
  std::vector<IgnoreEntry> out;
  for (const Line& line : lines_) {
    if (line.entry) out.push_back(*line.entry);
  }
  return out;
}

std::vector<DamagedLine> IgnoreList::Damaged() const {
  std::vector<DamagedLine> out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].damaged) out.push_back({i + 1, lines_[i].raw});
  }
  return out;
}

bool IgnoreList::Covers(std::string_view root, std::string_view key_path,
                        std::string_view value_name) const {
  std::vector<std::pair<std::string, std::string>> places;
  for (const Line& line : lines_) {
    if (!line.entry) continue;
    if (places.empty()) places = PlacesOf(RootLongName(root), text::UpperCase(key_path));
    for (const auto& [entry_root, entry_key] : line.places) {
      for (const auto& [row_root, row_key] : places) {
        if (entry_root != row_root) continue;
        if (line.entry->value_name
                ? row_key == entry_key && text::EqualsNoCase(*line.entry->value_name, value_name)
                : KeyCovers(entry_key, row_key)) {
          return true;
        }
      }
    }
  }
  return false;
}

std::string NameTooLong(const IgnoreEntry& entry) {
  constexpr std::size_t kMaxKeyName = 255;
  constexpr std::size_t kMaxValueName = 16383;
  // Long names are shown by their start, enough to tell which one.
  const auto too_long = [](std::string_view what, std::string_view name, std::size_t max) {
    const std::size_t units = text::Utf8ToUtf16(name).size();
    if (units <= max) return std::string();
    std::size_t cut = 0;
    // Only the position matters: the name is shown up to its 24th character.
    for (int n = 0; n < 24 && cut < name.size(); ++n) (void)text::NextCodePoint(name, cut);
    return std::string(what) + " '" + std::string(name.substr(0, cut)) + "...' is " +
           std::to_string(units) + " characters long; the registry allows at most " +
           std::to_string(max);
  };
  for (std::size_t at = 0; at <= entry.key_path.size();) {
    std::size_t end = entry.key_path.find('\\', at);
    if (end == std::string::npos) end = entry.key_path.size();
    std::string why = too_long("the key name",
                               std::string_view(entry.key_path).substr(at, end - at), kMaxKeyName);
    if (!why.empty()) return why;
    at = end + 1;
  }
  if (entry.value_name) return too_long("the value name", *entry.value_name, kMaxValueName);
  return {};
}

IgnoreStatus IgnoreList::Add(IgnoreEntry entry) {
  const std::string root = RootLongName(entry.root);
  if (root.empty()) return IgnoreStatus::kUnknownRoot;
  entry.root = root;
  if (!EntryLine(entry) || !NameTooLong(entry).empty()) return IgnoreStatus::kUnwritableName;
  for (const Line& line : lines_) {
    if (line.entry && SamePlace(*line.entry, entry)) return IgnoreStatus::kAlreadyListed;
  }
  lines_.push_back(EntryLineOf(std::move(entry)));
  return IgnoreStatus::kOk;
}

IgnoreStatus IgnoreList::RemoveNumber(std::size_t number) {
  std::size_t seen = 0;
  for (auto it = lines_.begin(); it != lines_.end(); ++it) {
    if (it->entry && ++seen == number) {
      lines_.erase(it);
      return IgnoreStatus::kOk;
    }
  }
  return IgnoreStatus::kNoSuchEntry;
}

IgnoreStatus IgnoreList::Remove(const IgnoreEntry& entry) {
  const auto it = std::find_if(lines_.begin(), lines_.end(), [&entry](const Line& line) {
    return line.entry && SamePlace(*line.entry, entry);
  });
  if (it == lines_.end()) return IgnoreStatus::kNoSuchEntry;
  lines_.erase(it);
  return IgnoreStatus::kOk;
}

Result<IgnoreList> LoadIgnoreList(FileStore& files, std::string_view path) {
  const Result<std::string> read = files.ReadWhole(path);
  if (read.code() == kErrFileNotFound || read.code() == kErrPathNotFound) return IgnoreList{};
  if (!read.ok()) return Failure{read.code(), "the ignore list " + std::string(path)};
  return IgnoreList::Parse(read.value());
}

IgnoreStatus SaveIgnoreList(FileStore& files, std::string_view path, const IgnoreList& list) {
  return files.ReplaceWhole(path, list.Text()).ok() ? IgnoreStatus::kOk
                                                    : IgnoreStatus::kWriteFailed;
}

namespace {

template <typename Change>
IgnoreStatus ChangeFile(FileStore& files, std::string_view path, IgnoreList* out, Change change) {
  Result<IgnoreList> load = LoadIgnoreList(files, path);
  if (!load.ok()) return IgnoreStatus::kReadFailed;
  const IgnoreStatus changed = change(load.value());
  if (changed == IgnoreStatus::kAlreadyListed && out != nullptr) *out = std::move(load.value());
  if (changed != IgnoreStatus::kOk) return changed;
  const IgnoreStatus saved = SaveIgnoreList(files, path, load.value());
  if (saved == IgnoreStatus::kOk && out != nullptr) *out = std::move(load.value());
  return saved;
}

}  // namespace

IgnoreStatus AddToIgnoreFile(FileStore& files, std::string_view path, IgnoreEntry entry,
                             IgnoreList* list) {
  return ChangeFile(files, path, list, [&entry](IgnoreList& l) { return l.Add(std::move(entry)); });
}

IgnoreStatus RemoveFromIgnoreFile(FileStore& files, std::string_view path, const IgnoreEntry& entry,
                                  IgnoreList* list) {
  return ChangeFile(files, path, list, [&entry](IgnoreList& l) { return l.Remove(entry); });
}

void IgnoreList::Merge(const IgnoreList& other) {
  for (const Line& line : other.lines_) {
    if (line.entry) lines_.push_back(line);
  }
}

}  // namespace qm
