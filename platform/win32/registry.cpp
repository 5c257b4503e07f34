#include "platform/win32/registry.h"

#include <algorithm>

#include "platform/win32/wide.h"

namespace qm::win32 {

HKEY ToHkey(RegKey key) {
  if (IsPredefinedRoot(key)) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(key))));
  }
  return reinterpret_cast<HKEY>(key);
}

RegStatus Win32Registry::OpenKey(RegKey parent, std::string_view path, RegKey* out) {
  *out = kNoKey;
  wide_path_ = Widen(path);
  HKEY h = nullptr;
  const LONG rc = RegOpenKeyExW(ToHkey(parent), wide_path_.c_str(), 0, KEY_READ, &h);
  if (rc != ERROR_SUCCESS) return rc;
  // A predefined handle may come back for a root (the performance data
  // does), sign-extended as Windows defines it: it is kept in the core's
  // form, never counted or closed, and its listing is the system's to
  // answer, call by call.
  *out = CanonicalRoot(reinterpret_cast<RegKey>(h));
  if (!IsPredefinedRoot(*out)) ReadCounts(h, *out);
  return kRegOk;
}

void Win32Registry::ReadCounts(HKEY key, RegKey out) {
  DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                       &longest_name, &longest_data, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  // Lengths are in characters without the terminating NUL; data in bytes.
  // Key names are at most 255 characters and value names 16,383, but a
  // registry that reports more is believed, within reason.
  const auto at_least = [](auto& buffer, std::size_t n, std::size_t cap) {
    if (n > buffer.size() && n <= cap) buffer.resize(n);
  };
  at_least(key_name_, std::size_t{longest_subkey} + 1, 32768);
  at_least(value_name_, std::size_t{longest_name} + 1, 65536);
  at_least(data_, std::size_t{longest_data}, std::size_t{16} << 20);
  open_.push_back({out, subkeys, values});
}

const Win32Registry::Counts* Win32Registry::CountsOf(RegKey key) const {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    if (it->key == key) return &*it;
  }
  return nullptr;
}

std::optional<std::uint32_t> Win32Registry::SubkeyCount(RegKey key) const {
  const Counts* counts = CountsOf(key);
  if (!counts) return std::nullopt;
  return counts->subkeys;
}

RegStatus Win32Registry::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  if (const Counts* counts = CountsOf(key); counts != nullptr && index >= counts->subkeys) {
    return kRegNoMoreItems;
  }
  for (;;) {
    DWORD chars = static_cast<DWORD>(key_name_.size());
    const LONG rc = RegEnumKeyExW(ToHkey(key), index, key_name_.data(), &chars, nullptr, nullptr,
                                  nullptr, nullptr);
    // Key names are at most 255 characters; a longer one from some other
    // registry implementation, or a key renamed since its counts were read,
    // gets a larger buffer rather than ending the list.
    if (rc == ERROR_MORE_DATA && key_name_.size() < 32768) {
      key_name_.resize(key_name_.size() * 4);
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    name = Narrow(std::wstring_view(key_name_.data(), chars));
    return kRegOk;
  }
}

RegStatus Win32Registry::EnumValue(RegKey key, std::uint32_t index, RegValue& value) {
  if (const Counts* counts = CountsOf(key); counts != nullptr && index >= counts->values) {
    return kRegNoMoreItems;
  }
  // A value larger than the buffer is read whole: the buffer grows to the
  // size the call reports, and again if the value grew in between (after
  // the counts were read, too).
  for (int attempt = 0;; ++attempt) {
    DWORD name_chars = static_cast<DWORD>(value_name_.size());
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(data_.size());
    const LONG rc = RegEnumValueW(ToHkey(key), index, value_name_.data(), &name_chars, nullptr,
                                  &type, data_.data(), &bytes);
    if (rc == ERROR_MORE_DATA && attempt < 8) {
      if (bytes > data_.size()) {
        data_.resize(bytes);
      } else if (value_name_.size() < 65536) {
        value_name_.resize(value_name_.size() * 2);
      } else {
        data_.resize(data_.size() * 2);
      }
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    value.name = Narrow(std::wstring_view(value_name_.data(), name_chars));
    value.type = type;
    value.data.assign(data_.data(), data_.data() + bytes);
    return kRegOk;
  }
}

void Win32Registry::CloseKey(RegKey key) {
  if (key == kNoKey || IsPredefinedRoot(key)) return;
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    if (it->key == key) {
      open_.erase(std::next(it).base());
      break;
    }
  }
  RegCloseKey(ToHkey(key));
}

}  // namespace qm::win32
