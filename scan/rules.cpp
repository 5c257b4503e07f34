#include "scan/rules.h"

#include <array>

#include "platform/text.h"
#include "scan/reg_search.h"

namespace qm {

namespace {

// In the order in which ExtractFilePath applies them.
constexpr std::array<std::string_view, 13> kExtensions = {".EXE", ".SYS", ".DLL", ".OCX", ".OCA",
                                                          ".VXD", ".AX",  ".COM", ".CPL", ".TLB",
                                                          ".SCR", ".BAT", ".DRV"};
constexpr std::string_view kCutCharacters = "/*?\"<>|,(;";
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

// The extraction, on the upper-cased text; when `written` is given, every
// cut is also made to the text as written, so that it ends as the same path
// in the letters the text uses. That needs the upper-casing to keep every
// byte where it was; otherwise `written` becomes the upper-cased path too.
std::string Extract(std::string_view input, std::string_view drive, std::string* written) {
  std::string t = text::UpperCase(input);
  const bool parallel = written != nullptr && t.size() == input.size();
  std::string o = parallel ? std::string(input) : std::string();
  const std::string upper_drive = text::UpperCase(drive);
  const std::size_t at = t.find(upper_drive);
  if (at == std::string::npos || upper_drive.empty()) {
    if (written != nullptr) *written = upper_drive;
    return upper_drive;
  }
  const auto cut_to = [&](std::size_t n) {
    t.resize(n);
    if (parallel) o.resize(n);
  };
  t.erase(0, at);
  if (parallel) o.erase(0, at);

  for (const std::string_view ext : kExtensions) {
    for (std::size_t pos = t.find(ext); pos != std::string::npos; pos = t.find(ext, pos + 1)) {
      if (EndsName(t, pos + ext.size())) {
        cut_to(pos + ext.size());
        break;
      }
    }
  }
  for (const char c : kCutCharacters) {
    if (const auto pos = t.find(c); pos != std::string::npos) cut_to(pos);
  }
  // A colon counts from the third character on: the drive's own is the second.
  if (const auto pos = t.find(':', 2); pos != std::string::npos) cut_to(pos);
  for (auto pos = t.find(kRemovedFragment); pos != std::string::npos;
       pos = t.find(kRemovedFragment, pos)) {
    t.erase(pos, kRemovedFragment.size());
    if (parallel) o.erase(pos, kRemovedFragment.size());
  }
  // Characters whose upper case has another length would have shifted the
  // cuts; what is not the same path in other letters is not used.
  if (written != nullptr) *written = parallel && text::UpperCase(o) == t ? std::move(o) : t;
  return t;
}

}  // namespace

std::string ExtractFilePath(std::string_view input, std::string_view drive) {
  return Extract(input, drive, nullptr);
}

std::string ExtractFilePathAsWritten(std::string_view input, std::string_view drive) {
  std::string written;
  (void)Extract(input, drive, &written);
  return written;
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

std::optional<RegErrorRow> InvalidReferenceRule::Judge(std::string_view sRootKey,
                                                       std::string_view sKey,
                                                       std::string_view sValue, std::int32_t lFound,
                                                       std::string_view sValueName) const {
  const std::string path = ExtractFilePath(sValue, drive_);
  // The extension test is pure and cheap, so it runs before the file-system
  // query; the verdict is the same in either order.
  if (!HasProgramExtension(path)) return std::nullopt;
  // File names compare without case, so either spelling gets the same
  // answer; the one the registry holds is usually the one on disk, which
  // spares a file system that stores case (Wine's) a search of every
  // folder on the way for a name in other letters.
  if (PathExists(fs_, ExtractFilePathAsWritten(sValue, drive_))) return std::nullopt;
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
  return row;
}

}  // namespace qm
