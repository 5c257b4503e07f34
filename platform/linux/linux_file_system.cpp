#include "platform/linux/linux_file_system.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/text.h"

namespace qm::posix {

struct LinuxFileSystem::Listing {
  int error = 0;  // errno of opendir, 0 when listed
  // Upper-cased name to the names on disk with that spelling, the exact
  // spelling first when asked for; Linux allows names that differ only in
  // case, Windows sees the first.
  std::unordered_map<std::string, std::vector<std::string>> names;
};

namespace {

// A Windows path split as Win32 normalises it: "." dropped, ".." climbing
// (never above the drive), empty components skipped, and trailing dots and
// blanks cut from the last component.
std::vector<std::string> Components(std::string_view rest) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t end = rest.find('\\', pos);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.emplace_back(part);
  }
  if (!parts.empty()) {
    std::string& last = parts.back();
    const std::size_t keep = last.find_last_not_of(" .");
    if (keep == std::string::npos) {
      parts.pop_back();
    } else {
      last.resize(keep + 1);
    }
  }
  return parts;
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
}

const LinuxFileSystem::Listing& LinuxFileSystem::ListingOf(const std::string& folder) {
  auto& slot = listings_[folder];
  if (slot) return *slot;
  slot = std::make_unique<Listing>();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    slot->error = errno;
    return *slot;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    slot->names[text::UpperCase(name)].emplace_back(name);
  }
  ::closedir(dir);
  return *slot;
}

LinuxFileSystem::Resolved LinuxFileSystem::Resolve(std::string_view windows_path) {
  if (windows_path.size() < 2 || windows_path[1] != ':') return {{}, kErrPathNotFound};
  char letter = windows_path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const auto drive = drives_.find(letter);
  if (drive == drives_.end()) return {{}, kErrPathNotFound};
  const std::vector<std::string> parts = Components(windows_path.substr(2));
  std::string path = drive->second;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const Listing& listing = ListingOf(path);
    if (listing.error == ENOENT || listing.error == ENOTDIR) return {{}, kErrPathNotFound};
    if (listing.error != 0) return {{}, kErrAccessDenied};
    const auto found = listing.names.find(text::UpperCase(parts[i]));
    if (found == listing.names.end()) return {{}, last ? kErrFileNotFound : kErrPathNotFound};
    // The exact spelling wins over one in other letters, as Wine's lookup
    // tries it first.
    const std::vector<std::string>& names = found->second;
    std::string chosen = names.front();
    for (const std::string& n : names) {
      if (n == parts[i]) chosen = n;
    }
    path += "/" + chosen;
  }
  return {path, 0};
}

PathQuery LinuxFileSystem::QueryPath(std::string_view path) {
  const Resolved r = Resolve(path);
  if (r.error != 0) return {false, r.error};
  // A listed name that is a broken link names nothing.
  struct stat st {};
  if (::stat(r.path.c_str(), &st) != 0) {
    return {false, errno == EACCES ? kErrAccessDenied : kErrFileNotFound};
  }
  return {true, 0};
}

std::string LinuxFileSystem::LinuxPath(std::string_view path) {
  const Resolved r = Resolve(path);
  return r.error == 0 ? r.path : std::string();
}

std::map<char, std::string> WinePrefixDrives(const std::string& prefix) {
  std::map<char, std::string> drives;
  const std::string devices = prefix + "/dosdevices";
  if (DIR* dir = ::opendir(devices.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name.size() != 2 || name[1] != ':') continue;
      char letter = name[0];
      if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
      if (letter < 'A' || letter > 'Z') continue;
      drives[letter] = devices + "/" + std::string(name);
    }
    ::closedir(dir);
  }
  drives['C'] = prefix + "/drive_c";
  return drives;
}

}  // namespace qm::posix
