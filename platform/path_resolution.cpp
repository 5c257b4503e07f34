#include "platform/path_resolution.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace qm {

namespace {

// A short name stands for few entries of a folder; past this many, or past
// this many questions for one path, the answer is not worth guessing.
constexpr std::size_t kMaxCandidates = 16;
constexpr int kMaxLookups = 128;

// Only "nothing of that name" is missing; any other failure (access
// denied, a device not ready) leaves the path unchecked.
bool IsNotFound(std::uint32_t error) {
  return error == kErrFileNotFound || error == kErrPathNotFound || error == kErrInvalidName;
}

PathPresence PresenceOf(const Status& q) {
  if (q.ok()) return PathPresence::kExists;
  return IsNotFound(q.code()) ? PathPresence::kMissing : PathPresence::kCannotCheck;
}

// One reading that exists makes the path exist; else one that cannot be
// checked keeps it from being missing.
void Merge(PathPresence& into, PathPresence reading) {
  if (into == PathPresence::kExists || reading == PathPresence::kMissing) return;
  into = reading;
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool IsAscii(char c) {
  return static_cast<unsigned char>(c) < 0x80;
}

struct DrivePath {
  std::string drive;  // "C:"
  std::vector<std::string> parts;
};

// A drive path split as Win32 normalises it: empty components and "."
// dropped, ".." climbing (never above the drive), and each component
// without its trailing dots and blanks.
std::optional<DrivePath> Split(std::string_view path) {
  if (path.size() < 2 || path[1] != ':' || (path.size() > 2 && path[2] != '\\')) return {};
  DrivePath d{std::string(path.substr(0, 2)), {}};
  std::size_t pos = 3;
  while (pos < path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part == "..") {
      if (!d.parts.empty()) d.parts.pop_back();
      continue;
    }
    const std::size_t keep = part.find_last_not_of(" .");
    if (keep == std::string_view::npos) continue;  // empty, ".", or only dots and blanks
    d.parts.emplace_back(part.substr(0, keep + 1));
  }
  return d;
}

// Whether `path` begins with the components of `folder` (any letter case)
// and goes on below it.
bool IsBelow(const DrivePath& path, const DrivePath& folder) {
  if (!text::EqualsNoCase(path.drive, folder.drive)) return false;
  if (path.parts.size() <= folder.parts.size()) return false;
  for (std::size_t i = 0; i < folder.parts.size(); ++i) {
    if (!text::EqualsNoCase(path.parts[i], folder.parts[i])) return false;
  }
  return true;
}

DrivePath Rebased(const DrivePath& path, std::size_t cut, const DrivePath& onto) {
  DrivePath out = onto;
  out.parts.insert(out.parts.end(), path.parts.begin() + static_cast<std::ptrdiff_t>(cut),
                   path.parts.end());
  return out;
}

// The readings of a path the system folders add to it.
std::vector<DrivePath> SystemFolderReadings(FileSystem& fs, const DrivePath& path) {
  std::vector<DrivePath> readings{path};
  const std::optional<DrivePath> system = Split(fs.SystemDirectory());
  if (!system || system->parts.empty()) return readings;
  DrivePath sysnative = *system;
  sysnative.parts.back() = "Sysnative";
  if (IsBelow(path, sysnative)) readings.push_back(Rebased(path, sysnative.parts.size(), *system));
  if (const std::optional<DrivePath> alternate = Split(fs.AlternateSystemDirectory())) {
    for (std::size_t i = 0, n = readings.size(); i < n; ++i) {
      if (IsBelow(readings[i], *system)) {
        readings.push_back(Rebased(readings[i], system->parts.size(), *alternate));
      }
    }
  }
  return readings;
}

struct ShortName {
  std::string_view prefix;  // before the "~"
  std::string_view extension;
};

// NAME~N with an optional extension of up to three characters: a base of
// at most eight characters whose "~" is followed by digits only.
std::optional<ShortName> ShortNameOf(std::string_view part) {
  const std::size_t dot = part.rfind('.');
  const std::string_view base = part.substr(0, dot);
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : part.substr(dot + 1);
  if (dot != std::string_view::npos && (extension.empty() || extension.size() > 3)) return {};
  if (base.size() > 8 || base.find('.') != std::string_view::npos) return {};
  const std::size_t tilde = base.rfind('~');
  if (tilde == std::string_view::npos || tilde == 0 || tilde + 1 == base.size()) return {};
  for (const char c : base.substr(tilde + 1)) {
    if (c < '0' || c > '9') return {};
  }
  return ShortName{base.substr(0, tilde), extension};
}

// A long name's characters as Windows begins its short name with them:
// upper-cased, blanks and dots left out, characters 8.3 forbids as "_".
std::string ShortBasis(std::string_view long_part) {
  std::string out;
  for (const char c : text::UpperCase(long_part)) {
    if (c == ' ' || c == '.') continue;
    out += std::string_view("+,;=[]").find(c) == std::string_view::npos ? c : '_';
  }
  return out;
}

// Whether the short text starts `basis`. A character outside ASCII on
// either side became some code-page character Windows chose: from there
// on anything matches, as a wrong "missing" costs more than a kept value.
bool Begins(std::string_view basis, std::string_view short_text) {
  for (std::size_t i = 0; i < short_text.size(); ++i) {
    if (i >= basis.size()) return false;
    if (!IsAscii(basis[i]) || !IsAscii(short_text[i])) return true;
    if (basis[i] != UpperAscii(short_text[i])) return false;
  }
  return true;
}

bool IsHex(char c) {
  c = UpperAscii(c);
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Whether Windows could have made `s` as the short name of `long_name`.
bool CanStandFor(const ShortName& s, std::string_view long_name) {
  std::string_view name = long_name;
  while (!name.empty() && name.front() == '.') name.remove_prefix(1);
  const std::size_t dot = name.rfind('.');
  const std::string base = ShortBasis(name.substr(0, dot));
  const std::string extension =
      dot == std::string_view::npos ? std::string() : ShortBasis(name.substr(dot + 1));
  if (s.extension.empty() ? !extension.empty() : !Begins(extension, s.extension)) return false;
  if (Begins(base, s.prefix)) return true;
  // After four names alike, Windows keeps two characters and four hex
  // digits of a hash of the long name.
  const bool hashed = s.prefix.size() == 6 && IsHex(s.prefix[2]) && IsHex(s.prefix[3]) &&
                      IsHex(s.prefix[4]) && IsHex(s.prefix[5]);
  return hashed && Begins(base, s.prefix.substr(0, 2));
}

class Resolver {
 public:
  Resolver(FileSystem& fs, std::string_view written) : fs_(fs), written_(written) {}

  // Follows `parts` from `at` on, below the folder `done` already resolved.
  PathPresence Walk(const std::string& done, const std::vector<std::string>& parts,
                    std::size_t at) {
    std::size_t next = at;
    std::optional<ShortName> short_name;
    while (next < parts.size() && !(short_name = ShortNameOf(parts[next]))) ++next;
    std::string folder = done;
    for (std::size_t i = at; i < next; ++i) folder += "\\" + parts[i];
    if (!short_name) return Query(folder);
    const std::string& part = parts[next];
    // A file of that very name is the one Windows finds.
    const PathPresence as_written = Query(folder + "\\" + part);
    if (as_written == PathPresence::kExists) {
      return next + 1 == parts.size() ? as_written : Walk(folder + "\\" + part, parts, next + 1);
    }
    if (as_written == PathPresence::kCannotCheck || --lookups_ < 0) {
      return PathPresence::kCannotCheck;
    }
    const FolderList list = fs_.ListFolder(folder.size() == 2 ? folder + "\\" : folder);
    if (list.status == FolderListStatus::kMissing) return PathPresence::kMissing;
    if (list.status != FolderListStatus::kListed) return PathPresence::kCannotCheck;
    // The short name the volume stores decides; without one, any long name
    // it may have been made from may be meant.
    std::vector<const std::string*> candidates;
    for (const ListedName& n : list.names) {
      if (text::EqualsNoCase(n.short_name, part)) candidates.push_back(&n.name);
    }
    if (candidates.empty()) {
      for (const ListedName& n : list.names) {
        if (CanStandFor(*short_name, n.name)) candidates.push_back(&n.name);
      }
    }
    if (candidates.size() > kMaxCandidates) return PathPresence::kCannotCheck;
    PathPresence presence = PathPresence::kMissing;
    for (const std::string* name : candidates) {
      Merge(presence, Walk(folder + "\\" + *name, parts, next + 1));
      if (presence == PathPresence::kExists) break;
    }
    return presence;
  }

 private:
  PathPresence Query(const std::string& path) {
    if (path == written_) return PathPresence::kMissing;  // asked first, found nothing
    if (--lookups_ < 0) return PathPresence::kCannotCheck;
    return PresenceOf(fs_.QueryPath(path));
  }

  FileSystem& fs_;
  std::string_view written_;
  int lookups_ = kMaxLookups;
};

}  // namespace

PathPresence ResolvePath(FileSystem& fs, std::string_view path) {
  const PathPresence first = PresenceOf(fs.QueryPath(path));
  if (first != PathPresence::kMissing) return first;
  const std::optional<DrivePath> split = Split(path);
  if (!split || split->parts.empty()) return first;
  Resolver resolver(fs, path);
  PathPresence presence = PathPresence::kMissing;
  for (const DrivePath& reading : SystemFolderReadings(fs, *split)) {
    Merge(presence, resolver.Walk(reading.drive, reading.parts, 0));
    if (presence == PathPresence::kExists) break;
  }
  return presence;
}

}  // namespace qm
