// Move-only owners of the POSIX and hivex handles the Linux sources hold,
// each paired with its exact release: close, closedir, fclose, hivex_close.
#pragma once

#include <dirent.h>
#include <hivex.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/unique_handle.h"

namespace qm::posix {

template <typename Handle, typename Traits>
using UniqueHandle = qm::UniqueHandle<Handle, Traits>;

struct FdTraits {
  static int Invalid() { return -1; }
  static int Close(int fd) { return ::close(fd); }
};
using UniqueFd = UniqueHandle<int, FdTraits>;

// Closes a written file now, for the answer: the close is where its last
// data may fail to reach the disk. True when the close succeeded.
[[nodiscard]] inline bool CloseWrittenFile(UniqueFd& fd) {
  return ::close(fd.Release()) == 0;
}

struct DirTraits {
  static DIR* Invalid() { return nullptr; }
  static int Close(DIR* d) { return ::closedir(d); }
};
using UniqueDir = UniqueHandle<DIR*, DirTraits>;

struct StdioTraits {
  static std::FILE* Invalid() { return nullptr; }
  static int Close(std::FILE* f) { return std::fclose(f); }
};
using UniqueStdioFile = UniqueHandle<std::FILE*, StdioTraits>;

struct HiveTraits {
  static hive_h* Invalid() { return nullptr; }
  static int Close(hive_h* h) { return hivex_close(h); }
};
using UniqueHive = UniqueHandle<hive_h*, HiveTraits>;

// What hivex (and the C library) hands over to be released with free:
// names, value lists, data.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using UniqueMalloc = std::unique_ptr<T, FreeDeleter>;

}  // namespace qm::posix
