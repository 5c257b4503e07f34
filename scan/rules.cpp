#include "scan/rules.h"

#include <algorithm>
#include <array>

#include "platform/text.h"
#include "scan/reg_search.h"

namespace qm {

namespace {

// The program-file extensions.
constexpr std::array<std::string_view, 13> kExtensions = {".EXE", ".SYS", ".DLL", ".OCX", ".OCA",
                                                          ".VXD", ".AX",  ".COM", ".CPL", ".TLB",
                                                          ".SCR", ".BAT", ".DRV"};
constexpr std::string_view kRemovedFragment = " %1";

// Whether an extension found at `end` of the text ends a name there. A
// folder called X.COMPANY must not be read as the file X.COM. Any byte of
// a non-ASCII character counts as a letter, so such names are not cut.
bool EndsName(const std::string& text, std::size_t end) {
  if (end >= text.size()) return true;
  const auto c = static_cast<unsigned char>(text[end]);
  const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  return !alnum && c < 0x80;
}

bool IsMissing(std::uint32_t error) {
  return error == kErrFileNotFound || error == kErrPathNotFound || error == kErrInvalidName;
}

bool Answer(const PathQuery& q) {
  return q.exists || !IsMissing(q.error);
}

}  // namespace

std::string SystemDrive(FileSystem& fs) {
  const std::string dir = fs.SystemDirectory();
  if (dir.size() < 2 || dir[1] != ':') return "C:";
  const auto letter = static_cast<unsigned char>(dir[0]);
  if (letter >= 0x80) return "C:";
  return text::UpperCase(dir.substr(0, 2));
}

namespace {

// A path ends before any of these: they cannot stand in a file name, and
// switches (/s) and quoted arguments begin with them. Brackets, commas and
// semicolons do stand in folder names (Program Files (x86)); whatever
// follows a file name is already cut by the extension that ends it.
constexpr std::string_view kCutCharacters = "/*?\"<>|";

// The text from the drive on, upper-cased, and beside it the same text as
// written. Cuts are made to both at the same places, which needs the
// upper-casing to keep every byte where it was; otherwise there is no
// spelling of the text's own (`parallel` is false).
struct DriveText {
  std::string upper;
  std::string written;
  bool parallel = false;
  bool found = false;
};

DriveText FromDrive(std::string_view input, std::string_view drive, bool want_written) {
  DriveText d;
  d.upper = text::UpperCase(input);
  d.parallel = want_written && d.upper.size() == input.size();
  const std::string upper_drive = text::UpperCase(drive);
  const std::size_t at = d.upper.find(upper_drive);
  if (at == std::string::npos || upper_drive.empty()) {
    d.upper = upper_drive;
    return d;
  }
  d.found = true;
  d.upper.erase(0, at);
  if (d.parallel) d.written = std::string(input.substr(at));
  return d;
}

// Where the path characters end: at the first cut character, or at a
// colon from the third character on (the drive's own is the second).
std::size_t PathCharactersEnd(const std::string& t) {
  std::size_t end = std::min(t.find_first_of(kCutCharacters), t.size());
  return std::min(end, std::min(t.find(':', 2), t.size()));
}

// The end of every occurrence of a listed extension that ends a name, in
// increasing order (no two occurrences end at the same place).
std::vector<std::size_t> ExtensionEnds(const std::string& t) {
  std::vector<std::size_t> ends;
  for (const std::string_view ext : kExtensions) {
    for (std::size_t pos = t.find(ext); pos != std::string::npos; pos = t.find(ext, pos + 1)) {
      if (EndsName(t, pos + ext.size())) ends.push_back(pos + ext.size());
    }
  }
  std::sort(ends.begin(), ends.end());
  return ends;
}

// One reading: the first `n` bytes of the text with every " %1" removed,
// and, when `trim`, trailing blanks and dots too. Returned in the text's own
// letters when asked for and possible, else upper-cased.
std::string Reading(const DriveText& d, std::size_t n, bool trim, bool want_written) {
  std::string t = d.upper.substr(0, n);
  std::string o = d.parallel ? d.written.substr(0, n) : std::string();
  // Removing one fragment can join the text around it into another.
  for (auto pos = t.find(kRemovedFragment); pos != std::string::npos;
       pos = t.find(kRemovedFragment, pos >= 2 ? pos - 2 : 0)) {
    t.erase(pos, kRemovedFragment.size());
    if (d.parallel) o.erase(pos, kRemovedFragment.size());
  }
  if (trim) {
    const std::size_t keep = t.find_last_not_of(" \t.");
    const std::size_t size = keep == std::string::npos ? 0 : keep + 1;
    t.resize(size);
    if (d.parallel) o.resize(size);
  }
  if (!want_written) return t;
  // Characters whose upper case has another length would have shifted the
  // cuts; what is not the same path in other letters is not used.
  return d.parallel && text::UpperCase(o) == t ? o : t;
}

// The first reading ends after the earliest extension that ends a name, or
// before the path characters end if that comes first.
std::string FirstReading(std::string_view input, std::string_view drive, bool want_written) {
  const DriveText d = FromDrive(input, drive, want_written);
  if (!d.found) return d.upper;
  std::size_t n = PathCharactersEnd(d.upper);
  const std::vector<std::size_t> ends = ExtensionEnds(d.upper);
  if (!ends.empty()) n = std::min(n, ends.front());
  return Reading(d, n, false, want_written);
}

}  // namespace

std::string ExtractFilePath(std::string_view input, std::string_view drive) {
  return FirstReading(input, drive, false);
}

std::string ExtractFilePathAsWritten(std::string_view input, std::string_view drive) {
  return FirstReading(input, drive, true);
}

std::vector<std::string> FurtherReadingsAsWritten(std::string_view input, std::string_view drive) {
  const DriveText d = FromDrive(input, drive, true);
  if (!d.found) return {};
  const std::size_t limit = PathCharactersEnd(d.upper);
  const std::vector<std::size_t> ends = ExtensionEnds(d.upper);
  const std::string first =
      Reading(d, ends.empty() ? limit : std::min(limit, ends.front()), false, true);
  std::vector<std::string> readings;
  const auto add = [&](std::string r) {
    if (r == first || std::find(readings.begin(), readings.end(), r) != readings.end()) return;
    readings.push_back(std::move(r));
  };
  // Past the path characters' end no reading is a path.
  for (std::size_t i = 1; i < ends.size() && ends[i] <= limit; ++i)
    add(Reading(d, ends[i], false, true));
  add(Reading(d, limit, true, true));
  return readings;
}

bool PathExists(FileSystem& fs, std::string_view path) {
  if (Answer(fs.QueryPath(path))) return true;
  const std::string alternate = fs.AlternateSystemDirectory();
  if (alternate.empty()) return false;
  const std::string system = text::UpperCase(fs.SystemDirectory());
  const std::string upper = text::UpperCase(path);
  if (system.empty() || upper.size() <= system.size() + 1 ||
      upper.compare(0, system.size(), system) != 0 || upper[system.size()] != '\\') {
    return false;
  }
  // File names compare without case, so the upper-cased rest serves.
  return Answer(fs.QueryPath(alternate + upper.substr(system.size())));
}

bool HasProgramExtension(std::string_view path) {
  // The extensions are ASCII, so comparing the tail's ASCII letters without
  // case is the same as comparing the upper-cased path.
  const auto ends_with = [path](std::string_view ext) {
    if (path.size() < ext.size()) return false;
    const std::string_view tail = path.substr(path.size() - ext.size());
    for (std::size_t i = 0; i < ext.size(); ++i) {
      char c = tail[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (c != ext[i]) return false;
    }
    return true;
  };
  for (const std::string_view ext : kExtensions) {
    if (ends_with(ext)) return true;
  }
  return false;
}

std::string_view KindText(std::int32_t lFound) {
  switch (lFound) {
    case 0:
      return "KEY_NAME";
    case 1:
      return "VALUE NAME";
    case 2:
      return "VALUE VALUE";
    default:
      return {};
  }
}

std::string MissingFileText(const RegErrorRow& row) {
  return std::string(kMissingFileLabel) + row.missing_file;
}

std::string RowTipText(const RegErrorRow& row) {
  std::string text = row.root;
  if (!row.key_path.empty()) text += "\\" + row.key_path;
  text += "\n值名称：" + (row.value_name.empty() ? std::string("(默认)") : row.value_name);
  text += "\n值数据：" + row.value;
  text += "\n" + MissingFileText(row);
  return text;
}

std::string RowCopyText(const RegErrorRow& row) {
  return row.root + "\t" + row.key_path + "\t" + row.value_name + "\t" + row.value + "\t" +
         row.missing_file;
}

std::optional<RegErrorRow> InvalidReferenceRule::Judge(std::string_view sRootKey,
                                                       std::string_view sKey,
                                                       std::string_view sValue, std::int32_t lFound,
                                                       std::string_view sValueName) const {
  const std::string path = ExtractFilePath(sValue, drive_);
  // The extension test is pure and cheap, so it runs before the file-system
  // query; the verdict is the same in either order.
  if (!HasProgramExtension(path)) return std::nullopt;
  RegErrorRow row{std::string(KindText(lFound)),
                  std::string(sRootKey),
                  std::string(sKey),
                  std::string(sValue),
                  false,
                  {},
                  {}};
  if (lFound == kFoundValueName || lFound == kFoundValueData) {
    // sKey is the key path, "\" and the name; the name may itself hold "\".
    const std::size_t cut =
        sKey.size() >= sValueName.size() + 1 ? sKey.size() - sValueName.size() - 1 : 0;
    row.key_path = std::string(sKey.substr(0, cut));
    row.value_name = std::string(sValueName);
  } else {
    row.key_path = std::string(sKey);
  }
  // Before the file queries: a value the user keeps on purpose costs none.
  if (ignored_ && ignored_(row.root, row.key_path, row.value_name)) return std::nullopt;
  // File names compare without case, so either spelling gets the same
  // answer; the one the registry holds is usually the one on disk, which
  // spares a file system that stores case (Wine's) a search of every
  // folder on the way for a name in other letters.
  if (PathExists(fs_, ExtractFilePathAsWritten(sValue, drive_))) return std::nullopt;
  // The text may name its file by a longer path (Example.com Kit\run.exe,
  // report.exe.log): it is missing only when no reading of it exists. Only
  // values that would be listed pay for these queries.
  for (const std::string& reading : FurtherReadingsAsWritten(sValue, drive_)) {
    if (PathExists(fs_, reading)) return std::nullopt;
  }
  row.missing_file = path;
  return row;
}

}  // namespace qm
