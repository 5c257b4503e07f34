#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/win32/registry.h"
#include "scan/value_format.h"
#include "tests/platform/win32_test_tree.h"

namespace qm {
namespace {

using testing::TestRegistryTree;

std::map<std::string, RegValue> ReadAllValues(RegistryReader& reg, const std::string& path) {
  std::map<std::string, RegValue> out;
  RegKey k = kNoKey;
  EXPECT_EQ(reg.OpenKey(kHkeyCurrentUser, path, &k), kRegOk);
  ScopedRegKey key(reg, k);
  RegValue v;
  std::uint32_t i = 0;
  for (; reg.EnumValue(key.Get(), i, v) == kRegOk; ++i) out[v.name] = v;
  return out;
}

TEST(Win32Registry, ReadsNamesAndDataAsStored) {
  TestRegistryTree tree("read");
  tree.SetString("程序", L"路径", L"C:\\程序\\工具.exe");
  tree.SetString("程序", L"expand", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
  tree.SetDword("程序", L"dw", 26);
  tree.SetRaw("程序", L"", REG_BINARY, {0x0A, 0x1B, 0xFF});
  tree.SetRaw("程序", L"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'C', 0, ':', 0, 0, 0, 0, 0});
  tree.Create("程序\\子键");

  win32::Win32Registry reg;
  auto values = ReadAllValues(reg, tree.Path("程序"));
  ASSERT_EQ(values.size(), 5u);
  const RegValue& s = values.at("路径");
  EXPECT_EQ(s.type, kRegSz);
  EXPECT_EQ(FormatValueData(s.type, s.data.data(), s.data.size()), "C:\\程序\\工具.exe");
  EXPECT_EQ(FormatValueData(values.at("dw").type, values.at("dw").data.data(), 4),
            "0x0000001A(26)");
  const RegValue& def = values.at("");
  EXPECT_EQ(FormatValueData(def.type, def.data.data(), def.data.size()), "0A 1B FF");
  EXPECT_EQ(FormatValueData(values.at("multi").type, values.at("multi").data.data(),
                            values.at("multi").data.size()),
            "a");
  EXPECT_EQ(values.at("expand").type, kRegExpandSz);

  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path("程序"), &k), kRegOk);
  ScopedRegKey key(reg, k);
  std::string name;
  ASSERT_EQ(reg.EnumKey(key.Get(), 0, name), kRegOk);
  EXPECT_EQ(name, "子键");
  EXPECT_EQ(reg.EnumKey(key.Get(), 1, name), kRegNoMoreItems);
  RegKey child = kNoKey;
  ASSERT_EQ(reg.OpenKey(key.Get(), "子键", &child), kRegOk) << "opens relative to its parent";
  reg.CloseKey(child);
}

TEST(Win32Registry, LargeValuesAndLongNamesAreReadWholeWithoutHidingOthers) {
  TestRegistryTree tree("large");
  std::vector<BYTE> big(5000, 0x41);
  tree.SetRaw("K", L"big", REG_BINARY, big);
  std::vector<BYTE> huge(300000, 0x42);
  tree.SetRaw("K", L"huge", REG_BINARY, huge);
  const std::wstring long_name(300, L'n');
  tree.SetString("K", long_name, L"C:\\long.exe");
  tree.SetString("K", L"zz-after", L"C:\\after.exe");

  win32::Win32Registry reg;
  auto values = ReadAllValues(reg, tree.Path("K"));
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values.at("big").data, big);
  EXPECT_EQ(values.at("huge").data, huge);
  EXPECT_EQ(values.count(std::string(300, 'n')), 1u);
  EXPECT_EQ(values.count("zz-after"), 1u);
}

TEST(Win32Registry, MissingKeysAndRootsAnswerWithStatusCodes) {
  win32::Win32Registry reg;
  RegKey k = kNoKey;
  EXPECT_EQ(reg.OpenKey(kHkeyCurrentUser, "Software\\QuillmarTest\\does-not-exist", &k),
            kRegFileNotFound);
  EXPECT_EQ(k, kNoKey);
  ASSERT_EQ(reg.OpenKey(kHkeyLocalMachine, "", &k), kRegOk) << "an empty path opens the root";
  std::string name;
  EXPECT_EQ(reg.EnumKey(k, 0, name), kRegOk);
  reg.CloseKey(k);
  // HKEY_DYN_DATA does not exist on Windows NT (Wine answers it anyway);
  // either way the answer is a status, and a handle is closed again.
  if (reg.OpenKey(0x80000006u, "", &k) == kRegOk) reg.CloseKey(k);
}

// What the system itself lists for a key: names of subkeys and values, read
// until it reports the end.
struct Listing {
  std::vector<std::string> keys, values;
};

Listing SystemListing(const std::string& path) {
  Listing out;
  win32::UniqueHKey key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(path).c_str(), 0, KEY_READ, key.Put()),
            ERROR_SUCCESS);
  wchar_t name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD chars = 16384;
    if (RegEnumKeyExW(key.Get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    out.keys.push_back(win32::Narrow(std::wstring_view(name, chars)));
  }
  for (DWORD i = 0;; ++i) {
    DWORD chars = 16384;
    if (RegEnumValueW(key.Get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    out.values.push_back(win32::Narrow(std::wstring_view(name, chars)));
  }
  return out;
}

// The provider's listing of an open key, with the status that ended each
// list; it must keep answering "no more" past the end.
struct ProviderListing {
  Listing names;
  RegStatus keys_end = kRegOk, values_end = kRegOk;
};

ProviderListing ListOpenKey(RegistryReader& reg, RegKey key) {
  ProviderListing out;
  std::string name;
  std::uint32_t i = 0;
  for (; (out.keys_end = reg.EnumKey(key, i, name)) == kRegOk; ++i) out.names.keys.push_back(name);
  EXPECT_NE(reg.EnumKey(key, i + 3, name), kRegOk);
  RegValue v;
  for (i = 0; (out.values_end = reg.EnumValue(key, i, v)) == kRegOk; ++i) {
    out.names.values.push_back(v.name);
  }
  EXPECT_NE(reg.EnumValue(key, i + 3, v), kRegOk);
  return out;
}

TEST(Win32Registry, ListingsMatchTheSystemsForEmptyAndFullKeys) {
  struct Case {
    const char* name;
    int subkeys, values;
  };
  const Case cases[] = {
      {"empty", 0, 0},    {"only-keys", 3, 0}, {"only-values", 0, 5},
      {"one-each", 1, 1}, {"many", 300, 300},
  };
  TestRegistryTree tree("counts");
  for (const Case& c : cases) {
    for (int i = 0; i < c.subkeys; ++i)
      tree.Create(std::string(c.name) + "\\子" + std::to_string(i));
    for (int i = 0; i < c.values; ++i) {
      tree.SetString(c.name, L"v" + std::to_wstring(i), L"C:\\x" + std::to_wstring(i) + L".exe");
    }
    if (c.subkeys == 0 && c.values == 0) tree.Create(c.name);
  }
  win32::Win32Registry reg;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Listing system = SystemListing(tree.Path(c.name));
    ASSERT_EQ(system.keys.size(), static_cast<std::size_t>(c.subkeys));
    ASSERT_EQ(system.values.size(), static_cast<std::size_t>(c.values));
    RegKey k = kNoKey;
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path(c.name), &k), kRegOk);
    ScopedRegKey key(reg, k);
    const ProviderListing mine = ListOpenKey(reg, key.Get());
    EXPECT_EQ(mine.names.keys, system.keys);
    EXPECT_EQ(mine.names.values, system.values);
    EXPECT_EQ(mine.keys_end, kRegNoMoreItems);
    EXPECT_EQ(mine.values_end, kRegNoMoreItems);
  }
}

TEST(Win32Registry, KeysOpenTogetherKeepTheirOwnCountsInAnyClosingOrder) {
  TestRegistryTree tree("nested");
  for (int i = 0; i < 4; ++i) tree.SetDword("P", L"p" + std::to_wstring(i), i);
  tree.SetDword("P\\A", L"a", 1);
  for (int i = 0; i < 6; ++i) tree.Create("P\\B\\b" + std::to_string(i));
  tree.Create("P\\C");

  win32::Win32Registry reg;
  RegKey p = kNoKey, a = kNoKey, b = kNoKey, c = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path("P"), &p), kRegOk);
  ASSERT_EQ(reg.OpenKey(p, "A", &a), kRegOk);
  ASSERT_EQ(reg.OpenKey(p, "B", &b), kRegOk);
  // Closed out of order; the next open may reuse the handle value.
  reg.CloseKey(a);
  ASSERT_EQ(reg.OpenKey(p, "C", &c), kRegOk);
  for (const auto& [key, path] : {std::pair{p, "P"}, std::pair{b, "P\\B"}, std::pair{c, "P\\C"}}) {
    SCOPED_TRACE(path);
    const Listing system = SystemListing(tree.Path(path));
    const ProviderListing mine = ListOpenKey(reg, key);
    EXPECT_EQ(mine.names.keys, system.keys);
    EXPECT_EQ(mine.names.values, system.values);
  }
  reg.CloseKey(p);
  EXPECT_EQ(ListOpenKey(reg, b).names.keys.size(), 6u) << "a child outlives its parent";
  reg.CloseKey(b);
  reg.CloseKey(c);
}

TEST(Win32Registry, ItemsAddedAfterOpeningAreNeverReadPastTheirEnd) {
  TestRegistryTree tree("grow");
  tree.SetDword("K", L"a", 1);
  tree.SetDword("K", L"b", 2);
  tree.Create("K\\s1");
  win32::Win32Registry reg;
  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path("K"), &k), kRegOk);
  ScopedRegKey key(reg, k);
  for (const wchar_t* n : {L"c", L"d", L"e"}) tree.SetDword("K", n, 3);
  tree.Create("K\\s2");
  tree.Create("K\\s3");

  const ProviderListing mine = ListOpenKey(reg, key.Get());
  const Listing system = SystemListing(tree.Path("K"));
  // The new items may or may not be seen; what is seen is real, whole and
  // listed once.
  EXPECT_GE(mine.names.values.size(), 2u);
  EXPECT_LE(mine.names.values.size(), system.values.size());
  EXPECT_GE(mine.names.keys.size(), 1u);
  EXPECT_LE(mine.names.keys.size(), system.keys.size());
  for (const auto& n : mine.names.values) {
    EXPECT_EQ(std::count(system.values.begin(), system.values.end(), n), 1) << n;
    EXPECT_EQ(std::count(mine.names.values.begin(), mine.names.values.end(), n), 1) << n;
  }
  for (const auto& n : mine.names.keys) {
    EXPECT_EQ(std::count(system.keys.begin(), system.keys.end(), n), 1) << n;
  }
}

TEST(Win32Registry, ItemsRemovedAfterOpeningEndTheListingEarly) {
  TestRegistryTree tree("shrink");
  for (const wchar_t* n : {L"a", L"b", L"c", L"d"}) tree.SetDword("K", n, 1);
  for (const char* s : {"x", "y", "z"}) tree.Create(std::string("K\\") + s);
  win32::Win32Registry reg;
  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path("K"), &k), kRegOk);
  ScopedRegKey key(reg, k);
  {
    win32::UniqueHKey w;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(tree.Path("K")).c_str(), 0,
                            KEY_ALL_ACCESS, w.Put()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(w.Get(), L"b"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(w.Get(), L"c"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(w.Get(), L"x"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(w.Get(), L"z"), ERROR_SUCCESS);
  }
  const ProviderListing mine = ListOpenKey(reg, key.Get());
  const Listing system = SystemListing(tree.Path("K"));
  EXPECT_EQ(mine.names.values, system.values);
  EXPECT_EQ(mine.names.keys, system.keys);
  EXPECT_NE(mine.values_end, kRegOk);
  EXPECT_NE(mine.keys_end, kRegOk);
}

TEST(Win32Registry, AKeyDeletedAfterOpeningAnswersWithAStatus) {
  TestRegistryTree tree("gone");
  tree.SetDword("K", L"a", 1);
  tree.Create("K\\sub");
  win32::Win32Registry reg;
  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path("K"), &k), kRegOk);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, win32::Widen(tree.Path("K")).c_str()), ERROR_SUCCESS);
  std::string name;
  RegValue v;
  EXPECT_NE(reg.EnumKey(k, 0, name), kRegOk);
  EXPECT_NE(reg.EnumValue(k, 0, v), kRegOk);
  reg.CloseKey(k);
}

TEST(Win32Registry, ValuesGrownAfterOpeningAreStillReadWhole) {
  TestRegistryTree tree("grown");
  tree.SetDword("K", L"a", 1);
  tree.SetString("K", L"b", L"C:\\short.exe");
  tree.SetDword("K", L"c", 3);
  win32::Win32Registry reg;
  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, tree.Path("K"), &k), kRegOk);
  ScopedRegKey key(reg, k);
  // Longer than anything the key held when its buffers were sized.
  std::vector<BYTE> grown(200000);
  for (std::size_t i = 0; i < grown.size(); ++i) grown[i] = static_cast<BYTE>(i * 7);
  tree.SetRaw("K", L"b", REG_BINARY, grown);

  std::map<std::string, RegValue> seen;
  RegValue v;
  for (std::uint32_t i = 0; reg.EnumValue(key.Get(), i, v) == kRegOk; ++i) seen[v.name] = v;
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen.at("b").type, kRegBinary);
  EXPECT_EQ(seen.at("b").data, grown);
  EXPECT_EQ(seen.at("c").data.size(), 4u);
}

}  // namespace
}  // namespace qm
