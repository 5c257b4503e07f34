#include "testing/ini_file_profile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/text.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
// Suffix of the file that receives the new text before it replaces the profile.
constexpr std::string_view kTempSuffix = ".qmtmp";

enum class Encoding { kPlain, kUtf8Mark, kUtf16Le };

struct IniText {
  Encoding encoding = Encoding::kPlain;
  std::string body;  // without the mark; converted to UTF-8 for a UTF-16 file
};

fs::path PathOf(std::string_view utf8) {
  std::u8string u8;
  u8.assign(utf8.begin(), utf8.end());
  return fs::path(u8);
}

// The system's functions take C strings, so everything after a NUL is unseen.
std::string_view UpToNul(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

// The blanks the system strips around names and values; ^Z is the end mark
// of old DOS text files.
bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The whole file, or nothing when it is absent, a folder or unreadable.
std::optional<std::string> ReadBytes(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

IniText Decode(std::string bytes) {
  if (std::string_view(bytes).starts_with(kUtf16LeMark)) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return {Encoding::kUtf16Le,
            text::Utf16LeToUtf8(data + kUtf16LeMark.size(), bytes.size() - kUtf16LeMark.size(),
                                /*stop_at_nul=*/false)};
  }
  if (std::string_view(bytes).starts_with(kUtf8Mark)) {
    bytes.erase(0, kUtf8Mark.size());
    return {Encoding::kUtf8Mark, std::move(bytes)};
  }
  return {Encoding::kPlain, std::move(bytes)};
}

std::string Encode(const IniText& ini) {
  switch (ini.encoding) {
    case Encoding::kUtf16Le: {
      std::string out(kUtf16LeMark);
      for (const char16_t unit : text::Utf8ToUtf16(ini.body)) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
      }
      return out;
    }
    case Encoding::kUtf8Mark:
      return std::string(kUtf8Mark) + ini.body;
    case Encoding::kPlain:
      break;
  }
  return ini.body;
}

// Lines end at CR LF, CR or LF; a final line break adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view body) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < body.size()) {
    const std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(body.substr(start));
      break;
    }
    lines.push_back(body.substr(start, end - start));
    const bool crlf = body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n';
    start = end + (crlf ? 2 : 1);
  }
  return lines;
}

// The name of a section line "[name]"; text after the first "]" does not
// count, and a line without "]" is no section line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const std::size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

struct KeyLine {
  std::string_view name;
  std::optional<std::string_view> value;  // none when the line has no "="
};

std::optional<KeyLine> KeyOf(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty()) return std::nullopt;
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return KeyLine{t, std::nullopt};
  return KeyLine{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

struct Place {
  bool section_found = false;
  std::size_t key_line = std::string_view::npos;
  KeyLine key;
  // Where a missing key goes: after the section's last line that is not blank.
  std::size_t insert_at = 0;
};

// Finds the first section called `section` and the first key line called
// `key` inside it. Lines before any section line form a section without a
// name.
Place Find(const std::vector<std::string_view>& lines, std::string_view section,
           std::string_view key) {
  Place place;
  bool inside = section.empty();
  place.section_found = inside;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const auto name = SectionOf(lines[i])) {
      if (place.section_found) break;
      inside = text::EqualsNoCase(*name, section);
      if (inside) {
        place.section_found = true;
        place.insert_at = i + 1;
      }
      continue;
    }
    if (!inside) continue;
    const auto line = KeyOf(lines[i]);
    if (!line) continue;
    place.insert_at = i + 1;
    if (text::EqualsNoCase(line->name, key)) {
      place.key_line = i;
      place.key = *line;
      return place;
    }
  }
  return place;
}

// Names and values that INI text cannot hold: they would read back as
// something else, or a line break in them would add lines to the file.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
  const auto has_break = [](std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
  };
  if (section.empty() || key.empty()) return false;
  if (has_break(section) || has_break(key) || has_break(value)) return false;
  if (section.find(']') != std::string_view::npos) return false;
  return key.find('=') == std::string_view::npos && key.front() != '[';
}

// Writes the bytes beside the profile first and then moves them into its
// place, so a failure at any step leaves the old file whole.
bool Replace(const fs::path& path, const std::string& bytes, std::optional<fs::perms> keep) {
  fs::path temp = path;
  temp += PathOf(kTempSuffix);
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temp, ec);
      return false;
    }
  }
  if (keep) fs::permissions(temp, *keep, ec);
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace

ProfileRead IniFileProfile::GetString(std::string_view file, std::string_view section,
                                      std::string_view key, std::size_t buffer_chars) {
  if (buffer_chars == 0) return {};
  const auto bytes = ReadBytes(PathOf(UpToNul(file)));
  if (!bytes) return {};
  const IniText ini = Decode(*bytes);
  const Place place = Find(SplitLines(ini.body), Trim(UpToNul(section)), Trim(UpToNul(key)));
  if (place.key_line == std::string_view::npos || !place.key.value) return {};

  std::string_view value = *place.key.value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  // The buffer counts UTF-16 units, as the W function does; a cut through a
  // surrogate pair leaves half of it, which reads as U+FFFD.
  std::u16string units = text::Utf8ToUtf16(UpToNul(value));
  if (units.size() > buffer_chars - 1) units.resize(buffer_chars - 1);
  return {text::Utf16ToUtf8(units), units.size()};
}

bool IniFileProfile::WriteString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view value) {
  const std::string_view s = Trim(UpToNul(section));
  const std::string_view k = Trim(UpToNul(key));
  const std::string_view v = UpToNul(value);
  if (!Storable(s, k, v)) return false;
  const fs::path path = PathOf(UpToNul(file));
  if (path.empty()) return false;

  IniText ini;
  std::optional<fs::perms> keep;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() != fs::file_type::not_found) {
    if (ec || !fs::is_regular_file(status)) return false;
    // The system's write fails on a read-only file; the rename would not.
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
    // A profile that exists but cannot be read must not give way to a new one.
    auto bytes = ReadBytes(path);
    if (!bytes) return false;
    ini = Decode(std::move(*bytes));
    keep = status.permissions();
  }

  std::vector<std::string_view> lines = SplitLines(ini.body);
  const Place place = Find(lines, s, k);
  std::string entry;
  const std::string header = "[" + std::string(s) + "]";
  if (place.key_line != std::string_view::npos) {
    // The key keeps the spelling it has in the file.
    entry = std::string(place.key.name) + "=" + std::string(v);
    lines[place.key_line] = entry;
  } else {
    entry = std::string(k) + "=" + std::string(v);
    if (place.section_found) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.insert_at), entry);
    } else {
      lines.push_back(header);
      lines.push_back(entry);
    }
  }
  std::string body;
  for (const std::string_view line : lines) {
    body += line;
    body += "\r\n";
  }
  ini.body = std::move(body);
  return Replace(path, Encode(ini), keep);
}

}  // namespace qm
