#include "scan/rules.h"

#include <algorithm>
#include <array>

#include "platform/environment.h"
#include "platform/path_resolution.h"
#include "platform/text.h"
#include "scan/reg_search.h"
#include "scan/system_settings.h"

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

// text::UpperCase into a buffer that keeps its room: ASCII text (nearly
// every text) is upper-cased in place, anything else as UpperCase does it.
void UpperInto(std::string& out, std::string_view in) {
  if (!std::all_of(in.begin(), in.end(),
                   [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    out = text::UpperCase(in);
    return;
  }
  out.assign(in);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
}

void FromDriveInto(DriveText& d, std::string_view input, std::string_view drive) {
  UpperInto(d.upper, input);
  d.parallel = d.upper.size() == input.size();
  d.found = false;
  d.written.clear();
  std::string upper_drive;
  UpperInto(upper_drive, drive);
  const std::size_t at = d.upper.find(upper_drive);
  if (at == std::string::npos || upper_drive.empty()) {
    d.upper = upper_drive;
    return;
  }
  d.found = true;
  d.upper.erase(0, at);
  if (d.parallel) d.written.assign(input.substr(at));
}

// Where the path characters end: at the first cut character, or at a
// colon from the third character on (the drive's own is the second).
// One pass with a table: every find is looked at, and the library's
// find_first_of searches the set once per character of the text.
std::size_t PathCharactersEnd(const std::string& t) {
  static const auto kCut = [] {
    std::array<bool, 256> cut{};
    for (const char c : kCutCharacters) cut[static_cast<unsigned char>(c)] = true;
    return cut;
  }();
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (kCut[c] || (c == ':' && i >= 2)) return i;
  }
  return t.size();
}

// The end of every occurrence of a listed extension that ends a name, in
// increasing order. Every extension starts with a dot and none is the
// start of another, so each dot of the text ends at most one of them: one
// pass over the dots finds them all, in order.
void ExtensionEndsInto(std::vector<std::size_t>& ends, const std::string& t) {
  ends.clear();
  for (std::size_t pos = t.find('.'); pos != std::string::npos; pos = t.find('.', pos + 1)) {
    const std::string_view rest = std::string_view(t).substr(pos);
    for (const std::string_view ext : kExtensions) {
      if (rest.starts_with(ext)) {
        if (EndsName(t, pos + ext.size())) ends.push_back(pos + ext.size());
        break;
      }
    }
  }
}

// Whether `written` upper-cases to `upper`, without building its upper case
// when it is ASCII (nearly always).
bool UpperCasesTo(const std::string& written, const std::string& upper) {
  if (written.size() != upper.size()) return text::UpperCase(written) == upper;
  for (std::size_t i = 0; i < written.size(); ++i) {
    const auto c = static_cast<unsigned char>(written[i]);
    if (c >= 0x80) return text::UpperCase(written) == upper;
    const char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
    if (u != upper[i]) return false;
  }
  return true;
}

// One reading, upper-cased and in the text's own letters where it has them.
struct Reading {
  std::string upper;
  std::string written;
};

// The first `n` bytes of the text with every " %1" removed, and, when
// `trim`, trailing blanks and dots too.
void ReadingInto(Reading& r, const DriveText& d, std::size_t n, bool trim) {
  std::string& t = r.upper;
  std::string& o = r.written;
  t.assign(d.upper, 0, n);
  if (d.parallel) {
    o.assign(d.written, 0, n);
  } else {
    o.clear();
  }
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
  // Characters whose upper case has another length would have shifted the
  // cuts; what is not the same path in other letters is not used.
  if (!d.parallel || !UpperCasesTo(o, t)) o = t;
}

Reading ReadingOf(const DriveText& d, std::size_t n, bool trim) {
  Reading r;
  ReadingInto(r, d, n, trim);
  return r;
}

// What every reading of a text is cut from, worked out once per text: the
// rule asks for several readings of each find.
struct TextCuts {
  DriveText d;
  std::size_t limit = 0;          // where the path characters end
  std::vector<std::size_t> ends;  // where extensions end names
  // The first reading ends after the earliest extension that ends a name,
  // or before the path characters end if that comes first.
  [[nodiscard]] std::size_t FirstEnd() const {
    return ends.empty() ? limit : std::min(limit, ends.front());
  }
};

void CutsInto(TextCuts& c, std::string_view input, std::string_view drive) {
  FromDriveInto(c.d, input, drive);
  c.limit = 0;
  c.ends.clear();
  if (!c.d.found) return;
  c.limit = PathCharactersEnd(c.d.upper);
  ExtensionEndsInto(c.ends, c.d.upper);
}

TextCuts CutsOf(std::string_view input, std::string_view drive) {
  TextCuts c;
  CutsInto(c, input, drive);
  return c;
}

// Without the drive in the text, the first reading is the drive alone.
void FirstReadingInto(Reading& r, const TextCuts& c) {
  if (!c.d.found) {
    r.upper = c.d.upper;
    r.written = c.d.upper;
    return;
  }
  ReadingInto(r, c.d, c.FirstEnd(), false);
}

Reading FirstReading(const TextCuts& c) {
  Reading r;
  FirstReadingInto(r, c);
  return r;
}

std::vector<std::string> FurtherReadings(const TextCuts& c, const Reading& first) {
  if (!c.d.found) return {};
  std::vector<std::string> readings;
  const auto add = [&](std::string r) {
    if (r == first.written || std::find(readings.begin(), readings.end(), r) != readings.end())
      return;
    readings.push_back(std::move(r));
  };
  // Past the path characters' end no reading is a path.
  for (std::size_t i = 1; i < c.ends.size() && c.ends[i] <= c.limit; ++i)
    add(ReadingOf(c.d, c.ends[i], false).written);
  // The whole run, trimmed, is the first reading again when that already
  // ends where the run ends, on a character trimming keeps (the usual
  // quoted command line): it need not be cut again to be left out.
  const bool same_as_first =
      c.FirstEnd() == c.limit && !first.upper.empty() &&
      std::string_view(" \t.").find(first.upper.back()) == std::string_view::npos;
  if (!same_as_first) add(ReadingOf(c.d, c.limit, true).written);
  return readings;
}

}  // namespace

std::string ExtractFilePath(std::string_view input, std::string_view drive) {
  return FirstReading(CutsOf(input, drive)).upper;
}

std::string ExtractFilePathAsWritten(std::string_view input, std::string_view drive) {
  return FirstReading(CutsOf(input, drive)).written;
}

std::vector<std::string> FurtherReadingsAsWritten(std::string_view input, std::string_view drive) {
  const TextCuts cuts = CutsOf(input, drive);
  return FurtherReadings(cuts, FirstReading(cuts));
}

bool PathExists(FileSystem& fs, std::string_view path) {
  // What cannot be checked is never listed.
  return ResolvePath(fs, path) != PathPresence::kMissing;
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
  text += "\n类别：" + std::string(NameOf(row.category).label);
  // Which part of the value named the file: its name or its data.
  text += row.kind == KindText(kFoundValueName) ? "\n列出原因：值名称所指的程序文件不存在。"
                                                : "\n列出原因：值数据所指的程序文件不存在。";
  if (row.system_setting) {
    text +=
        "\n" + std::string(kSystemSettingMark) + "：Windows 启动或登录可能需要此值，默认不勾选。";
  }
  return text;
}

std::string RowCopyText(const RegErrorRow& row) {
  return row.root + "\t" + row.key_path + "\t" + row.value_name + "\t" + row.value + "\t" +
         row.missing_file;
}

// Where the rule cuts a find's text: kept from one find to the next, so
// that their strings keep the room they have grown to.
struct InvalidReferenceRule::Buffers {
  TextCuts cuts;
  Reading first;
};

InvalidReferenceRule::InvalidReferenceRule(FileSystem& fs, IgnoredValue ignored,
                                           const Environment* environment)
    : fs_(fs),
      drive_(SystemDrive(fs)),
      ignored_(std::move(ignored)),
      environment_(environment),
      buffers_(std::make_unique<Buffers>()) {}

InvalidReferenceRule::~InvalidReferenceRule() = default;

// What the text already cut into the buffers names.
InvalidReferenceRule::Naming InvalidReferenceRule::ReadCut() {
  const TextCuts& cuts = buffers_->cuts;
  const Reading& first = buffers_->first;
  if (!HasProgramExtension(first.upper)) return Naming::kNoProgramFile;
  // File names compare without case, so either spelling gets the same
  // answer; the one the registry holds is usually the one on disk, which
  // spares a file system that stores case (Wine's) a search of every
  // folder on the way for a name in other letters.
  if (PathExists(fs_, first.written)) return Naming::kPresent;
  // The text may name its file by a longer path (Example.com Kit\run.exe,
  // report.exe.log): it is missing only when no reading of it exists.
  for (const std::string& reading : FurtherReadings(cuts, first)) {
    if (PathExists(fs_, reading)) return Naming::kPresent;
  }
  return Naming::kMissing;
}

// What a text names once its variables are expanded, as the program that
// reads it expands them.
InvalidReferenceRule::Naming InvalidReferenceRule::Read(std::string_view text) {
  std::optional<std::string> expanded;
  if (HoldsVariable(text)) {
    if (environment_ != nullptr) expanded = ExpandVariables(text, *environment_);
    if (!expanded) return Naming::kUnknowable;
    text = *expanded;
  }
  CutsInto(buffers_->cuts, text, drive_);
  FirstReadingInto(buffers_->first, buffers_->cuts);
  return ReadCut();
}

std::optional<RegErrorRow> InvalidReferenceRule::Judge(std::string_view sRootKey,
                                                       std::string_view sKey,
                                                       std::string_view sValue, std::int32_t lFound,
                                                       std::string_view sValueName,
                                                       const StoredData& stored) {
  // One look at the text serves every reading of it.
  TextCuts& cuts = buffers_->cuts;
  Reading& first = buffers_->first;
  CutsInto(cuts, sValue, drive_);
  FirstReadingInto(first, cuts);
  // The extension test is pure and cheap, so it runs before the file-system
  // query; the verdict is the same in either order. A text with variables
  // passes it too before anything is expanded, so none becomes a row that
  // its unexpanded text would not have been.
  if (!HasProgramExtension(first.upper)) return std::nullopt;
  // Where the value lives, before the file queries: a value the user keeps
  // on purpose costs none. sKey is the key path, "\" and the name; the name
  // may itself hold "\".
  const bool is_value = lFound == kFoundValueName || lFound == kFoundValueData;
  const std::string_view key_path =
      is_value
          ? sKey.substr(
                0, sKey.size() >= sValueName.size() + 1 ? sKey.size() - sValueName.size() - 1 : 0)
          : sKey;
  const std::string_view value_name = is_value ? sValueName : std::string_view{};
  if (ignored_ && ignored_(sRootKey, key_path, value_name)) return std::nullopt;
  // A category the user cleared is not looked at either.
  const Category category = CategoryOf(sRootKey, key_path);
  if (!categories_.Lists(category)) return std::nullopt;
  // Only texts with a percent sign pay for a look at their variables.
  const Naming naming = HoldsVariable(sValue) ? Read(sValue) : ReadCut();
  if (naming != Naming::kMissing) return std::nullopt;
  std::string missing_file = first.upper;
  // Deleting a multi-string deletes its later strings too: one that names
  // an existing program file, or may, keeps the value.
  for (const std::string& later : LaterStrings(stored)) {
    const Naming other = Read(later);
    if (other == Naming::kPresent || other == Naming::kUnknowable) return std::nullopt;
  }
  RegErrorRow row{std::string(KindText(lFound)),
                  std::string(sRootKey),
                  std::string(sKey),
                  std::string(sValue),
                  false,
                  {},
                  {}};
  row.key_path = std::string(key_path);
  row.value_name = std::string(value_name);
  row.missing_file = std::move(missing_file);
  row.category = category;
  return row;
}

}  // namespace qm
