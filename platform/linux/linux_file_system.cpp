#include "platform/linux/linux_file_system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"
#include "platform/text.h"

namespace qm::posix {

struct LinuxFileSystem::Entry {
  std::string name;
  unsigned char type = DT_UNKNOWN;  // as readdir gives it
  std::string short_name;           // the 8.3 name ntfs-3g shows, once asked for
};

struct LinuxFileSystem::Listing {
  int error = 0;  // errno of opendir, 0 when listed
  bool short_names_read = false;
  // Upper-cased name to the names on disk with that spelling: Linux allows
  // names that differ only in case, which Windows cannot tell apart.
  std::unordered_map<std::string, std::vector<Entry>> names;
};

namespace {

// A Windows path split as Win32 normalises it: "." dropped, ".." climbing
// (never above the drive), empty components skipped, and trailing dots and
// blanks cut from every component.
std::vector<std::string> Components(std::string_view rest) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t end = rest.find('\\', pos);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(pos, end - pos);
    pos = end + 1;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    const std::size_t keep = part.find_last_not_of(" .");
    if (keep == std::string_view::npos) continue;  // empty, "." or only dots and blanks
    parts.emplace_back(part.substr(0, keep + 1));
  }
  return parts;
}

// Whether Win32 would leave the path as it is: a drive, then components
// none of which is empty, "." or "..", or ends in a dot or blank.
bool IsPlain(std::string_view p) {
  if (p.size() < 4 || p[2] != '\\') return false;
  for (const std::string_view odd : {"\\\\", "\\.", ".\\", " \\"}) {
    if (p.find(odd) != std::string_view::npos) return false;
  }
  const char end = p.back();
  return end != '.' && end != ' ' && end != '\\';
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

LinuxFileSystem::LinuxFileSystem(std::map<char, std::string> drives, std::string system_directory)
    : drives_(std::move(drives)), system_directory_(std::move(system_directory)) {
  // A 64-bit Windows (and a 64-bit Wine prefix) keeps 32-bit system files
  // in SysWOW64 beside System32, where 32-bit programs registered them.
  const std::size_t slash = system_directory_.rfind('\\');
  if (slash != std::string::npos) {
    const std::string wow = system_directory_.substr(0, slash + 1) + "SysWOW64";
    const Resolved r = Resolve(wow);
    if (r.error == 0 && IsFolder(r.path)) {
      alternate_ = system_directory_.substr(0, slash + 1) + r.path.substr(r.path.rfind('/') + 1);
    }
  }
}

LinuxFileSystem::~LinuxFileSystem() = default;

void LinuxFileSystem::ForgetListings() {
  listings_.clear();
  folders_.clear();
}

LinuxFileSystem::Listing& LinuxFileSystem::ListingOf(const std::string& folder) {
  auto& slot = listings_[folder];
  if (slot) return *slot;
  slot = std::make_unique<Listing>();
  const UniqueDir dir(::opendir(folder.c_str()));
  if (!dir) {
    slot->error = errno;
    return *slot;
  }
  while (const dirent* entry = ::readdir(dir.Get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    slot->names[text::UpperCase(name)].push_back({std::string(name), entry->d_type, {}});
  }
  return *slot;
}

const LinuxFileSystem::Entry* LinuxFileSystem::Find(const std::string& folder,
                                                    const std::string& part,
                                                    const std::string& upper,
                                                    std::uint32_t& error) {
  const Listing& listing = ListingOf(folder);
  if (listing.error != 0) {
    // A folder on the way that is not there is Windows' "path not found";
    // one that does not list for another reason cannot be looked into.
    const std::uint32_t code = SystemCodeCreating(listing.error);
    error = code == kErrPathNotFound ? code : kErrAccessDenied;
    return nullptr;
  }
  const auto found = listing.names.find(upper);
  if (found == listing.names.end()) {
    error = kErrFileNotFound;
    return nullptr;
  }
  // The exact spelling wins over one in other letters, as Wine's lookup
  // tries it first.
  const Entry* chosen = &found->second.front();
  for (const Entry& e : found->second) {
    if (e.name == part) chosen = &e;
  }
  return chosen;
}

LinuxFileSystem::Resolved LinuxFileSystem::Resolve(std::string_view windows_path) {
  if (windows_path.size() < 2 || windows_path[1] != ':') return {{}, kErrPathNotFound};
  char letter = windows_path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const auto drive = drives_.find(letter);
  if (drive == drives_.end()) return {{}, kErrPathNotFound};
  // Most paths are already in the form Win32 makes of them; their folder
  // is then found by the upper-cased text itself, without splitting it.
  const Resolved* folder = nullptr;
  std::string last, last_upper;
  if (IsPlain(windows_path)) {
    std::string upper = text::UpperCase(windows_path);
    const std::size_t cut = windows_path.rfind('\\');
    if (upper.size() == windows_path.size()) {
      const auto it = folders_.find(upper.substr(0, cut));
      if (it != folders_.end()) {
        folder = &it->second;
        last = std::string(windows_path.substr(cut + 1));
        last_upper = upper.substr(cut + 1);
      }
    }
  }
  if (folder == nullptr) {
    const std::vector<std::string> parts = Components(windows_path.substr(2));
    if (parts.empty()) return {drive->second, 0};
    std::vector<std::string> uppers;
    uppers.reserve(parts.size());
    for (const std::string& p : parts) uppers.push_back(text::UpperCase(p));
    // The folder is resolved once per scan: most queries name files in
    // folders queried before.
    std::string key{letter, ':'};
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) key += "\\" + uppers[i];
    auto cached = folders_.find(key);
    if (cached == folders_.end()) {
      Resolved walked{drive->second, 0};
      for (std::size_t i = 0; i + 1 < parts.size() && walked.error == 0; ++i) {
        std::uint32_t error = 0;
        const Entry* e = Find(walked.path, parts[i], uppers[i], error);
        if (e == nullptr) {
          walked = {{}, error == kErrFileNotFound ? kErrPathNotFound : error};
        } else {
          walked.path += "/" + e->name;
        }
      }
      cached = folders_.emplace(std::move(key), std::move(walked)).first;
    }
    folder = &cached->second;
    last = parts.back();
    last_upper = uppers.back();
  }
  if (folder->error != 0) return {{}, folder->error};
  // A folder not listed yet is usually asked about once: a name in the
  // letters the registry gives, the one Wine also tries first, is found
  // with one call rather than a listing.
  if (listings_.find(folder->path) == listings_.end()) {
    std::string exact = folder->path + "/" + last;
    struct stat st {};
    if (::stat(exact.c_str(), &st) == 0) return {std::move(exact), 0};
  }
  std::uint32_t error = 0;
  const Entry* e = Find(folder->path, last, last_upper, error);
  if (e == nullptr) return {{}, error};
  // Only a link (or a file system that does not say) needs a look at what
  // the name leads to.
  return {folder->path + "/" + e->name, 0, e->type == DT_LNK || e->type == DT_UNKNOWN};
}

Status LinuxFileSystem::QueryPath(std::string_view path) {
  const Resolved r = Resolve(path);
  if (r.error != 0) return Failure{r.error, std::string(path)};
  if (!r.check_target) return {};
  // A listed name that is a broken link names nothing.
  struct stat st {};
  if (::stat(r.path.c_str(), &st) != 0) {
    // A name that cannot be followed names nothing, unless it is barred.
    const std::uint32_t code = SystemCode(errno);
    return Failure{code == kErrAccessDenied ? code : kErrFileNotFound, std::string(path)};
  }
  return {};
}

FolderList LinuxFileSystem::ListFolder(std::string_view folder) {
  const Resolved r = Resolve(folder);
  if (r.error == kErrAccessDenied) return {FolderListStatus::kUnreadable, {}};
  if (r.error != 0) return {FolderListStatus::kMissing, {}};
  Listing& listing = ListingOf(r.path);
  if (listing.error == ENOENT || listing.error == ENOTDIR) return {FolderListStatus::kMissing, {}};
  if (listing.error != 0) return {FolderListStatus::kUnreadable, {}};
  FolderList list{FolderListStatus::kListed, {}};
  for (auto& [upper, entries] : listing.names) {
    for (Entry& e : entries) {
      // ntfs-3g shows the short name NTFS stores as an attribute; most
      // names have none, and other file systems know of none.
      if (!listing.short_names_read) {
        char buf[64];
        const std::string path = r.path + "/" + e.name;
        const ssize_t n = ::lgetxattr(path.c_str(), "system.ntfs_dos_name", buf, sizeof buf);
        if (n > 0) e.short_name.assign(buf, ::strnlen(buf, static_cast<std::size_t>(n)));
      }
      list.names.push_back({e.name, e.short_name});
    }
  }
  listing.short_names_read = true;
  return list;
}

std::string LinuxFileSystem::LinuxPath(std::string_view path) {
  const Resolved r = Resolve(path);
  return r.error == 0 ? r.path : std::string();
}

std::map<char, std::string> WinePrefixDrives(const std::string& prefix) {
  std::map<char, std::string> drives;
  const std::string devices = prefix + "/dosdevices";
  if (const UniqueDir dir(::opendir(devices.c_str())); dir) {
    while (const dirent* entry = ::readdir(dir.Get())) {
      const std::string_view name = entry->d_name;
      if (name.size() != 2 || name[1] != ':') continue;
      char letter = name[0];
      if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
      if (letter < 'A' || letter > 'Z') continue;
      drives[letter] = devices + "/" + std::string(name);
    }
  }
  drives['C'] = prefix + "/drive_c";
  return drives;
}

}  // namespace qm::posix
