// Move-only owners of the POSIX and hivex handles the Linux sources hold,
// each paired with its exact release: close, closedir, fclose, hivex_close.
#pragma once

#include <dirent.h>
#include <hivex.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace qm::posix {

template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, Traits::Invalid());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  void Reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) (void)Traits::Close(h_);  // nothing to tell on a discarded close
    h_ = h;
  }
  [[nodiscard]] Handle Get() const { return h_; }
  [[nodiscard]] Handle Release() { return std::exchange(h_, Traits::Invalid()); }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  // Closes now, for the answer: a written file's close is where its last
  // data may fail to reach the disk. True when the close succeeded.
  [[nodiscard]] bool Close() {
    return h_ == Traits::Invalid() || Traits::Close(std::exchange(h_, Traits::Invalid())) == 0;
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct FdTraits {
  static int Invalid() { return -1; }
  static int Close(int fd) { return ::close(fd); }
};
using UniqueFd = UniqueHandle<int, FdTraits>;

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
