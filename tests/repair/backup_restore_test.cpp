#include "repair/backup_restore.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/memory_registry.h"

namespace qm {
namespace {

using testing::StringValue;

constexpr const char* kRun = "Software\\App\\Run";

struct Expect {
  ValueCheck check;
  RegStatus status;
};

void ExpectOutcomes(const std::vector<ValueOutcome>& got, const std::vector<Expect>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(static_cast<int>(got[i].check), static_cast<int>(want[i].check)) << "entry " << i;
    EXPECT_EQ(got[i].status, want[i].status) << "entry " << i;
  }
}

// The registry against a backup: a value of the same name with another
// type counts as different even when the bytes agree.
TEST(CompareWithRegistry, TellsSameFromDifferentMissingAndUnreadable) {
  MemoryRegistry reg;
  reg.SetString(kHkeyCurrentUser, kRun, "same", "C:\\a.exe");
  reg.SetString(kHkeyCurrentUser, kRun, "other data", "C:\\b.exe");
  reg.SetString(kHkeyCurrentUser, kRun, "other type", "C:\\c.exe", kRegExpandSz);
  reg.SetBinary(kHkeyCurrentUser, kRun, "shorter", {0x61, 0x00});
  reg.SetString(kHkeyLocalMachine, "Locked", "v", "x");
  reg.FailOpen(kHkeyLocalMachine, "Locked", kRegAccessDenied);
  const std::string run = std::string("HKEY_CURRENT_USER\\") + kRun;
  const std::vector<BackupEntry> entries = {
      {run, StringValue("SAME", u"C:\\a.exe")},  // names compare without case
      {run, StringValue("other data", u"C:\\B.exe")},
      {run, StringValue("other type", u"C:\\c.exe")},
      {run, {"shorter", kRegBinary, {0x61, 0x00, 0x62}}},
      {run, StringValue("gone", u"x")},
      {"HKEY_CURRENT_USER\\Software\\Gone", StringValue("v", u"x")},
      {"HKEY_LOCAL_MACHINE\\Locked", StringValue("v", u"x")},
  };
  ExpectOutcomes(CompareWithRegistry(entries, reg), {{ValueCheck::kSame, kRegOk},
                                                     {ValueCheck::kDiffers, kRegOk},
                                                     {ValueCheck::kDiffers, kRegOk},
                                                     {ValueCheck::kDiffers, kRegOk},
                                                     {ValueCheck::kMissing, kRegFileNotFound},
                                                     {ValueCheck::kMissing, kRegFileNotFound},
                                                     {ValueCheck::kUnreadable, kRegAccessDenied}});
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

// Each value goes back with its own type and bytes, into keys that are
// created again when gone, over whatever the registry holds now; a write
// that fails is reported and does not stop the others.
TEST(RestoreEntries, WritesExactBytesCreatingKeysAndReadsEachBack) {
  MemoryRegistry reg;
  reg.SetString(kHkeyCurrentUser, kRun, "changed", "new text");
  reg.FailWrite(kHkeyCurrentUser, kRun, "refused", kRegAccessDenied);
  const std::string run = std::string("HKEY_CURRENT_USER\\") + kRun;
  const std::vector<BackupEntry> entries = {
      {run, {"odd", kRegSz, {0x61, 0x00, 0x62}}},  // no terminator, odd length
      {run, {"changed", kRegExpandSz, {0x25, 0x00}}},
      {run, {"refused", kRegBinary, {1}}},
      {"HKEY_LOCAL_MACHINE\\Software\\Gone\\Deeper", {"", kRegMultiSz, {0x61, 0, 0, 0}}},
      {"HKEY_CURRENT_USER\\", {"at root", kRegDword, {1, 2, 3}}},
  };
  ExpectOutcomes(RestoreEntries(entries, reg), {{ValueCheck::kSame, kRegOk},
                                                {ValueCheck::kSame, kRegOk},
                                                {ValueCheck::kNotWritten, kRegAccessDenied},
                                                {ValueCheck::kSame, kRegOk},
                                                {ValueCheck::kSame, kRegOk}});
  ScopedEditKey key(reg);
  ASSERT_EQ(reg.OpenKeyForQuery(kHkeyLocalMachine, "Software\\Gone\\Deeper", key.Put()), kRegOk);
  RegValue v;
  ASSERT_EQ(reg.QueryValue(key.Get(), "", v), kRegOk);
  EXPECT_EQ(v.type, kRegMultiSz);
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{0x61, 0, 0, 0}));
  ASSERT_EQ(reg.OpenKeyForQuery(kHkeyCurrentUser, kRun, key.Put()), kRegOk);
  ASSERT_EQ(reg.QueryValue(key.Get(), "changed", v), kRegOk);
  EXPECT_EQ(v.type, kRegExpandSz);
  EXPECT_EQ(v.data, (std::vector<std::uint8_t>{0x25, 0x00}));
  EXPECT_EQ(reg.QueryValue(key.Get(), "refused", v), kRegFileNotFound);
  key.Reset();
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

// A file naming one value twice with different data (through two roots,
// say) cannot have both back: the first is reported as differing.
TEST(RestoreEntries, ReadsBackAfterAllWrites) {
  MemoryRegistry reg;
  const std::vector<BackupEntry> entries = {
      {"HKEY_CURRENT_USER\\K", StringValue("v", u"first")},
      {"HKEY_CURRENT_USER\\K", StringValue("v", u"second")},
  };
  ExpectOutcomes(RestoreEntries(entries, reg),
                 {{ValueCheck::kDiffers, kRegOk}, {ValueCheck::kSame, kRegOk}});
}

}  // namespace
}  // namespace qm
