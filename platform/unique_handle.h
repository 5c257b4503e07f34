// The move-only owner of one system handle, released by its kind's Traits:
// Traits::Invalid() is the empty value, Traits::Close(h) the exact release.
// The Win32 owners (platform/win32/handles.h) and the Linux ones
// (platform/linux/handles.h) are this template with their traits.
#pragma once

#include <utility>

namespace qm {

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
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  [[nodiscard]] Handle Get() const { return h_; }
  [[nodiscard]] Handle Release() { return std::exchange(h_, Traits::Invalid()); }
  // For out-parameters: releases what is held and hands out the slot.
  [[nodiscard]] Handle* Put() {
    Reset();
    return &h_;
  }
  explicit operator bool() const { return h_ != Traits::Invalid(); }

 private:
  Handle h_ = Traits::Invalid();
};

}  // namespace qm
