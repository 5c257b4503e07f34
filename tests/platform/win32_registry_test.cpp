#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include <map>

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

}  // namespace
}  // namespace qm
