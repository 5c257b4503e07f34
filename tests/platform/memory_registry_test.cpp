#include "platform/memory_registry.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(MemoryRegistry, AnswersTheReadOperationsLikeTheRegistry) {
  MemoryRegistry reg;
  reg.SetString(kHkeyCurrentUser, "Software\\App", "b", "2");
  reg.SetString(kHkeyCurrentUser, "Software\\App", "a", "1");
  reg.CreateKey(kHkeyCurrentUser, "Software\\App\\Z");
  reg.CreateKey(kHkeyCurrentUser, "Software\\App\\Y");

  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, "software\\APP", &k), kRegOk) << "names ignore case";
  std::string name;
  ASSERT_EQ(reg.EnumKey(k, 0, name), kRegOk);
  EXPECT_EQ(name, "Z") << "subkeys in the order they were created";
  ASSERT_EQ(reg.EnumKey(k, 1, name), kRegOk);
  EXPECT_EQ(name, "Y");
  EXPECT_EQ(reg.EnumKey(k, 2, name), kRegNoMoreItems);
  RegValue v;
  ASSERT_EQ(reg.EnumValue(k, 0, v), kRegOk);
  EXPECT_EQ(v.name, "b");
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{'2', 0, 0, 0})) << "UTF-16LE with terminator";
  EXPECT_EQ(reg.EnumValue(k, 2, v), kRegNoMoreItems);

  RegKey same = kNoKey;
  ASSERT_EQ(reg.OpenKey(k, "", &same), kRegOk);
  EXPECT_NE(same, k) << "each open gives its own handle";
  RegKey child = kNoKey;
  ASSERT_EQ(reg.OpenKey(k, "Y", &child), kRegOk);
  EXPECT_EQ(reg.OpenHandles(), 3u);
  reg.CloseKey(same);
  reg.CloseKey(child);
  reg.CloseKey(k);
  EXPECT_EQ(reg.OpenHandles(), 0u);

  EXPECT_EQ(reg.OpenKey(kHkeyCurrentUser, "Software\\Missing", &k), kRegFileNotFound);
  EXPECT_EQ(k, kNoKey);
  EXPECT_EQ(reg.EnumKey(0x4242, 0, name), kRegInvalidHandle);
}

TEST(MemoryRegistry, FailuresAndDeletionsBehaveAsOnWindows) {
  MemoryRegistry reg;
  reg.CreateKey(kHkeyLocalMachine, "Locked\\Below");
  reg.FailOpen(kHkeyLocalMachine, "Locked", kRegAccessDenied);
  RegKey k = kNoKey;
  EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, "Locked", &k), kRegAccessDenied);
  EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, "Locked\\Below", &k), kRegOk)
      << "only the key itself refuses";
  reg.CloseKey(k);

  reg.CreateKey(kHkeyLocalMachine, "Doomed\\Child");
  ASSERT_EQ(reg.OpenKey(kHkeyLocalMachine, "Doomed", &k), kRegOk);
  EXPECT_TRUE(reg.DeleteKey(kHkeyLocalMachine, "Doomed"));
  std::string name;
  EXPECT_EQ(reg.EnumKey(k, 0, name), kRegKeyDeleted);
  RegKey c = kNoKey;
  EXPECT_EQ(reg.OpenKey(k, "Child", &c), kRegKeyDeleted);
  reg.CloseKey(k);
  EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, "Doomed", &k), kRegFileNotFound);
  EXPECT_FALSE(reg.DeleteKey(kHkeyLocalMachine, "Doomed"));

  reg.RemoveRoot(0x80000006u);
  EXPECT_EQ(reg.OpenKey(0x80000006u, "", &k), kRegFileNotFound);
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST(MemoryRegistry, KeysWithManySubkeysStayFindable) {
  MemoryRegistry reg;
  for (int i = 0; i < 200; ++i) reg.CreateKey(kHkeyUsers, "Wide\\K" + std::to_string(i));
  EXPECT_TRUE(reg.DeleteKey(kHkeyUsers, "Wide\\K17"));
  RegKey k = kNoKey;
  for (int i = 0; i < 200; ++i) {
    const RegStatus rc = reg.OpenKey(kHkeyUsers, "Wide\\k" + std::to_string(i), &k);
    EXPECT_EQ(rc, i == 17 ? kRegFileNotFound : kRegOk) << i;
    if (rc == kRegOk) reg.CloseKey(k);
  }
  reg.CreateKey(kHkeyUsers, "Wide\\K17");
  EXPECT_EQ(reg.OpenKey(kHkeyUsers, "Wide\\K17", &k), kRegOk);
  reg.CloseKey(k);
}

TEST(MemoryRegistry, KeysWithManyValuesFindEachByNameAfterDeletesAndWrites) {
  MemoryRegistry reg;
  for (int i = 0; i < 40; ++i) reg.SetDword(kHkeyUsers, "Many", "v" + std::to_string(i), i);
  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKeyForWrite(kHkeyUsers, "Many", &k), kRegOk);
  RegValue v;
  ASSERT_EQ(reg.QueryValue(k, "V3", v), kRegOk);
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{3, 0, 0, 0}));
  ASSERT_EQ(reg.DeleteValue(k, "V10"), kRegOk);
  EXPECT_EQ(reg.QueryValue(k, "v10", v), kRegFileNotFound);
  ASSERT_EQ(reg.QueryValue(k, "v39", v), kRegOk) << "found after the values moved up";
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{39, 0, 0, 0}));
  ASSERT_EQ(reg.WriteValue(k, RegValue{"V20", kRegBinary, {0xAB}}), kRegOk);
  ASSERT_EQ(reg.WriteValue(k, RegValue{"new", kRegBinary, {0xCD}}), kRegOk);
  ASSERT_EQ(reg.QueryValue(k, "v20", v), kRegOk);
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{0xAB})) << "written over, not added";
  ASSERT_EQ(reg.QueryValue(k, "NEW", v), kRegOk);
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{0xCD}));
  EXPECT_EQ(reg.EnumValue(k, 40, v), kRegNoMoreItems) << "39 kept, one added";
  ASSERT_EQ(reg.EnumValue(k, 39, v), kRegOk);
  EXPECT_EQ(v.name, "new");
  reg.CloseKey(k);
}

TEST(ScopedRegKey, ClosesExactlyOnce) {
  MemoryRegistry reg;
  reg.CreateKey(kHkeyCurrentUser, "A");
  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, "A", &k), kRegOk);
  {
    ScopedRegKey a(reg, k);
    ScopedRegKey b(std::move(a));
    EXPECT_FALSE(a);
    ScopedRegKey c;
    c = std::move(b);
    EXPECT_EQ(reg.OpenHandles(), 1u);
  }
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST(RootKeyName, NamesTheSevenRootsInOrder) {
  const char* names[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                         "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                         "HKEY_DYN_DATA"};
  for (std::uint32_t i = 0; i < 7; ++i) EXPECT_EQ(RootKeyName(0x80000000u + i), names[i]);
  EXPECT_EQ(RootKeyName(0x80000007u), "");
  EXPECT_EQ(RootKeyName(0), "");
}

TEST(RootKeyName, KnowsARootSignExtendedAsA64BitHkey) {
  if constexpr (sizeof(RegKey) < 8) GTEST_SKIP() << "handles have 32 bits here";
  const struct {
    std::uint64_t handle;
    const char* name;  // "" for no root
    std::uint64_t canonical;
  } cases[] = {
      {0xFFFFFFFF80000002u, "HKEY_LOCAL_MACHINE", 0x80000002u},
      {0xFFFFFFFF80000000u, "HKEY_CLASSES_ROOT", 0x80000000u},
      {0xFFFFFFFF80000006u, "HKEY_DYN_DATA", 0x80000006u},
      {0x80000001u, "HKEY_CURRENT_USER", 0x80000001u},
      // Only the sign extension of a root is one; other high bits are not.
      {0xFFFFFFFF80000007u, "", 0xFFFFFFFF80000007u},
      {0x0000000180000002u, "", 0x0000000180000002u},
      {0x7FFFFFFF80000002u, "", 0x7FFFFFFF80000002u},
      {0xFFFFFFFF00000002u, "", 0xFFFFFFFF00000002u},
      {0x00000000000A1B20u, "", 0x00000000000A1B20u},
  };
  for (const auto& c : cases) {
    const auto key = static_cast<RegKey>(c.handle);
    EXPECT_EQ(RootKeyName(key), c.name) << std::hex << c.handle;
    EXPECT_EQ(IsPredefinedRoot(key), *c.name != '\0') << std::hex << c.handle;
    EXPECT_EQ(CanonicalRoot(key), static_cast<RegKey>(c.canonical)) << std::hex << c.handle;
  }
}

}  // namespace
}  // namespace qm
