// A private registry tree under HKEY_CURRENT_USER for tests under Wine,
// removed again when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::testing {

class TestRegistryTree {
 public:
  explicit TestRegistryTree(const std::string& name)
      : base_("Software\\QuillmarTest\\" + name + "-" + std::to_string(GetCurrentProcessId())) {
    RegDeleteTreeW(HKEY_CURRENT_USER, win32::Widen(base_).c_str());
    Create("");
  }
  ~TestRegistryTree() { RegDeleteTreeW(HKEY_CURRENT_USER, win32::Widen(base_).c_str()); }
  TestRegistryTree(const TestRegistryTree&) = delete;
  TestRegistryTree& operator=(const TestRegistryTree&) = delete;

  // The tree's path below HKEY_CURRENT_USER.
  [[nodiscard]] const std::string& Base() const { return base_; }
  [[nodiscard]] std::string Path(const std::string& sub) const {
    return sub.empty() ? base_ : base_ + "\\" + sub;
  }

  void Create(const std::string& sub) { (void)Open(sub); }

  void SetRaw(const std::string& sub, const std::wstring& name, DWORD type,
              const std::vector<BYTE>& data) {
    win32::UniqueHKey key = Open(sub);
    const LONG rc = RegSetValueExW(key.Get(), name.c_str(), 0, type, data.data(),
                                   static_cast<DWORD>(data.size()));
    ASSERT_EQ(rc, ERROR_SUCCESS) << "setting a test value";
  }
  void SetString(const std::string& sub, const std::wstring& name, const std::wstring& value,
                 DWORD type = REG_SZ) {
    const auto* p = reinterpret_cast<const BYTE*>(value.c_str());
    SetRaw(sub, name, type, std::vector<BYTE>(p, p + (value.size() + 1) * sizeof(wchar_t)));
  }
  void SetDword(const std::string& sub, const std::wstring& name, DWORD v) {
    const auto* p = reinterpret_cast<const BYTE*>(&v);
    SetRaw(sub, name, REG_DWORD, std::vector<BYTE>(p, p + 4));
  }

 private:
  win32::UniqueHKey Open(const std::string& sub) {
    win32::UniqueHKey key;
    const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, win32::Widen(Path(sub)).c_str(), 0, nullptr,
                                    0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    EXPECT_EQ(rc, ERROR_SUCCESS) << "creating test key " << Path(sub);
    return key;
  }

  std::string base_;
};

}  // namespace qm::testing
