#include "platform/linux/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"

namespace qm::posix {

namespace {

bool SyncFile(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY));
  return fd && ::fsync(fd.Get()) == 0;
}

bool SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return SyncFile(slash == std::string::npos ? "." : path.substr(0, slash + 1));
}

// A copy of the file at `to`, flushed; never over an existing one.
bool CopyWhole(const std::string& from, const std::string& to) {
  const UniqueFd in(::open(from.c_str(), O_RDONLY));
  if (!in) return false;
  UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644));
  if (!out) return false;
  bool ok = true;
  char buf[1 << 16];
  for (ssize_t n; ok && (n = ::read(in.Get(), buf, sizeof buf)) != 0;) {
    ok = n > 0;
    for (ssize_t done = 0; ok && done < n;) {
      const ssize_t w = ::write(out.Get(), buf + done, static_cast<std::size_t>(n - done));
      ok = w > 0;
      done += w > 0 ? w : 0;
    }
  }
  ok = ok && ::fsync(out.Get()) == 0;
  ok = CloseWrittenFile(out) && ok;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

}  // namespace

Status ReplaceFile(const std::string& file,
                   const std::function<bool(const std::string&)>& write_new,
                   const HiveFileSteps& steps) {
  const std::string fresh = file + ".quillmar-new";
  ::unlink(fresh.c_str());
  errno = 0;
  if (!write_new(fresh) || !SyncFile(fresh)) {
    Failure r = ErrnoFailure(fresh + " cannot be written whole");
    ::unlink(fresh.c_str());
    return r;
  }
  // The new file is the original's: its owner's program reads it as before.
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) ::chmod(fresh.c_str(), st.st_mode & 07777);
  const std::string original = file + kOriginalSuffix;
  errno = 0;
  if (::stat(original.c_str(), &st) != 0 && !CopyWhole(file, original)) {
    Failure r = ErrnoFailure(original + " cannot be kept");
    ::unlink(fresh.c_str());
    return r;
  }
  const auto rename = steps.rename ? steps.rename : [](const char* from, const char* to) {
    return ::rename(from, to);
  };
  errno = 0;
  if (rename(fresh.c_str(), file.c_str()) != 0) {
    Failure r = ErrnoFailure(fresh + " cannot be renamed over " + file);
    ::unlink(fresh.c_str());
    return r;
  }
  SyncFolderOf(file);
  return {};
}

}  // namespace qm::posix
