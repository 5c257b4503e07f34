#include "repair/linux/backup_disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <utility>

#include "platform/file_system.h"
#include "platform/linux/file_read.h"
#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"

namespace qm::posix {

std::string LinuxBackupDisk::NewPath(std::string_view path) {
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) return {};
  const std::string folder = files_.LinuxPath(path.substr(0, cut));
  if (folder.empty()) return {};
  // A name already there in other letters is the same name on Windows.
  const std::string existing = files_.LinuxPath(path);
  return existing.empty() ? folder + "/" + std::string(path.substr(cut + 1)) : existing;
}

Result<PathKind> LinuxBackupDisk::Inspect(std::string_view path) {
  const Status q = files_.QueryPath(path);
  if (!q.ok()) return q.failure();
  struct stat st {};
  if (::stat(files_.LinuxPath(path).c_str(), &st) != 0) {
    return Failure{SystemCode(errno), std::string(path)};
  }
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

std::uint32_t LinuxBackupDisk::CreateFolder(std::string_view path) {
  const std::string target = NewPath(path);
  if (target.empty()) return kErrPathNotFound;
  const std::uint32_t rc = ::mkdir(target.c_str(), 0755) == 0 ? 0 : SystemCodeCreating(errno);
  files_.ForgetListings();
  return rc;
}

std::uint32_t LinuxBackupDisk::PublishNewFile(std::string_view path,
                                              std::span<const std::uint8_t> bytes) {
  const std::string target = NewPath(path);
  if (target.empty()) return kErrPathNotFound;
  UniqueFd fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!fd) return SystemCodeCreating(errno);
  files_.ForgetListings();
  std::size_t done = 0;
  int failure = 0;
  while (done < bytes.size() && failure == 0) {
    const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n <= 0) failure = n < 0 ? errno : ENOSPC;
    done += n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  if (failure == 0 && ::fsync(fd.Get()) != 0) failure = errno;
  if (!CloseWrittenFile(fd) && failure == 0) failure = errno;
  if (failure != 0) {
    // No half-written backup is ever left to be listed or restored.
    ::unlink(target.c_str());
    return SystemCodeCreating(failure);
  }
  return 0;
}

std::vector<FolderEntry> LinuxBackupFolder::List(std::string_view folder) {
  std::vector<FolderEntry> entries;
  const UniqueDir dir(folder.empty() ? nullptr : ::opendir(std::string(folder).c_str()));
  if (!dir) return entries;
  while (const dirent* e = ::readdir(dir.Get())) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({name, e->d_type == DT_DIR, false, false, false});
  }
  return entries;
}

bool LinuxBackupFolder::FileMissing(std::string_view path) {
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) != 0 && errno == ENOENT;
}

std::uint32_t LinuxBackupFolder::Remove(std::string_view path) {
  if (::unlink(std::string(path).c_str()) == 0) return 0;
  return SystemCode(errno);
}

std::uint32_t LinuxBackupFolder::ReadWhole(std::string_view path,
                                           std::vector<std::uint8_t>& bytes) {
  Result<std::vector<std::uint8_t>> read = ReadWholeFile(std::string(path));
  if (!read.ok()) return read.code();
  bytes = std::move(read.value());
  return 0;
}

LocalDateTimeText LinuxBackupClock::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return FixedDateTimeText({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min, local.tm_sec});
}

}  // namespace qm::posix
