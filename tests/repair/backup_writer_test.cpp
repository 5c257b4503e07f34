#include "repair/backup_writer.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace qm {
namespace {

using testing::AsText;
using testing::FixedClock;
using testing::MemoryBackupDisk;
using testing::StringValue;

constexpr const char* kProgram = "C:\\Tools\\Quillmar";
constexpr const char* kFolder = "C:\\Tools\\Quillmar\\RegBackups";

struct WriterFixture {
  MemoryBackupDisk disk;
  Windows1252CodePage code_page;
  FixedClock clock{{"2010/7/7", "7:33:11", false}};
  BackupPlace place{kProgram, disk, code_page, clock};

  WriterFixture() { disk.AddFolder(kProgram); }
};

const std::vector<BackupEntry> kOneValue = {
    {"HKEY_CURRENT_USER\\Software\\App", StringValue("Tool", u"C:\\Old\\tool.exe")}};

TEST(BackupWriter, CreatesTheFolderAndWritesTheFileItNames) {
  WriterFixture f;
  const BackupResult r = WriteBackupFile(kOneValue, f.place);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(f.disk.HasFolder(kFolder));
  EXPECT_EQ(r.path, std::string(kFolder) + "\\Backup (2010-7-7 7;33;11).reg");
  ASSERT_NE(f.disk.File(r.path), nullptr);
  // The check line's digest is sha256sum's over the lines above it.
  EXPECT_EQ(AsText(*f.disk.File(r.path)),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\App]\r\n"
            "\"Tool\"=\"C:\\\\Old\\\\tool.exe\"\r\n\r\n"
            "; Quillmar backup: 1 values, SHA-256 "
            "85eeb7f0494222ca06d94e30a5e826a5e08cfad2e3b2aa02ea17186ca0cc5559\r\n");
  EXPECT_EQ(f.clock.Reads(), 1) << "one instant per backup";
}

TEST(BackupWriter, UsesAnExistingFolderAndLeavesItsFilesAlone) {
  WriterFixture f;
  f.disk.AddFolder(kFolder);
  const std::string older = std::string(kFolder) + "\\Backup (2009-1-1 1;00;00).reg";
  f.disk.AddFile(older, {'o', 'l', 'd'});
  ASSERT_TRUE(WriteBackupFile(kOneValue, f.place).ok());
  EXPECT_EQ(f.disk.CreateCalls(), 0);
  EXPECT_EQ(AsText(*f.disk.File(older)), "old");
  EXPECT_EQ(f.disk.FileNames().size(), 2u);
}

TEST(BackupWriter, NothingToSaveStillWritesTheHeaderLine) {
  WriterFixture f;
  const BackupResult r = WriteBackupFile({}, f.place);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(AsText(*f.disk.File(r.path)),
            "REGEDIT4\r\n\r\n; Quillmar backup: 0 values, SHA-256 "
            "073e16e026c68f5fdefd6979e44526882f8414ff0c9ebd0e7b6ee523c099c904\r\n");
}

TEST(BackupWriter, NeverOverwritesABackupOfTheSameSecond) {
  WriterFixture f;
  const std::vector<BackupEntry> first = {{"HKEY_CURRENT_USER\\A", StringValue("one", u"1")}};
  const std::vector<BackupEntry> second = {{"HKEY_CURRENT_USER\\A", StringValue("two", u"2")}};
  const BackupResult r1 = WriteBackupFile(first, f.place);
  const BackupResult r2 = WriteBackupFile(second, f.place);
  const BackupResult r3 = WriteBackupFile(second, f.place);
  ASSERT_TRUE(r1.ok() && r2.ok() && r3.ok());
  EXPECT_EQ(r1.path, std::string(kFolder) + "\\Backup (2010-7-7 7;33;11).reg");
  EXPECT_EQ(r2.path, std::string(kFolder) + "\\Backup (2010-7-7 7;33;11) (2).reg");
  EXPECT_EQ(r3.path, std::string(kFolder) + "\\Backup (2010-7-7 7;33;11) (3).reg");
  EXPECT_NE(AsText(*f.disk.File(r1.path)).find("\"one\""), std::string::npos)
      << "the first backup keeps its values";
  EXPECT_NE(AsText(*f.disk.File(r2.path)).find("\"two\""), std::string::npos);
}

TEST(BackupWriter, NamesFilesAfterTheRegionalDateAndTime) {
  struct Case {
    LocalDateTimeText now;
    const char* name;
  };
  const std::vector<Case> cases = {
      {{"2010/7/7", "7:33:11", false}, "Backup (2010-7-7 7;33;11).reg"},
      {{"2010/7/7", "0:00:00", true}, "Backup (2010-7-7).reg"},
      {{"07.07.2010", "07:33:11", false}, "Backup (07.07.2010 07;33;11).reg"},
      {{"7/7/2010", "7:33:11 AM", false}, "Backup (7-7-2010 7;33;11 AM).reg"},
      {{"2010/7/7", "上午 07:33:11", false}, "Backup (2010-7-7 上午 07;33;11).reg"},
  };
  for (const Case& c : cases) {
    MemoryBackupDisk disk;
    disk.AddFolder(kProgram);
    Windows1252CodePage cp;
    FixedClock clock(c.now);
    const BackupResult r = WriteBackupFile({}, {kProgram, disk, cp, clock});
    EXPECT_EQ(r.path, std::string(kFolder) + "\\" + c.name);
  }
}

TEST(BackupWriter, PutsTheFolderBesideTheProgram) {
  EXPECT_EQ(BackupFolderPath("C:\\Tools\\Quillmar"), "C:\\Tools\\Quillmar\\RegBackups");
  EXPECT_EQ(BackupFolderPath("C:\\"), "C:\\RegBackups") << "a drive's root folder";
  EXPECT_EQ(BackupFolderPath("\\\\server\\share\\app\\"), "\\\\server\\share\\app\\RegBackups");
}

TEST(BackupWriter, FallsBackToFixedFormatsWithoutRegionalOnes) {
  EXPECT_EQ(BackupStampText(FixedDateTimeText({2010, 7, 7, 7, 3, 9})), "2010-7-7 7;03;09");
  EXPECT_EQ(BackupStampText(FixedDateTimeText({2024, 12, 31, 23, 59, 59})), "2024-12-31 23;59;59");
  EXPECT_EQ(BackupStampText(FixedDateTimeText({2024, 1, 2, 0, 0, 0})), "2024-1-2");
  EXPECT_EQ(BackupStampText(FixedDateTimeText({2024, 1, 2, 0, 0, 1})), "2024-1-2 0;00;01");
}

TEST(BackupWriter, ReportsAFileInThePlaceOfTheFolder) {
  WriterFixture f;
  f.disk.AddFile(kFolder);
  const BackupResult r = WriteBackupFile(kOneValue, f.place);
  EXPECT_EQ(r.failure, BackupFailure::kFolderIsFile);
  EXPECT_EQ(r.path, kFolder);
  EXPECT_EQ(f.disk.FileNames().size(), 1u) << "nothing written beside it";
}

TEST(BackupWriter, ReportsAFolderThatCannotBeCreated) {
  WriterFixture f;
  f.disk.FailCreateFolder(5);
  const BackupResult r = WriteBackupFile(kOneValue, f.place);
  EXPECT_EQ(r.failure, BackupFailure::kFolder);
  EXPECT_EQ(r.error, 5u);
  EXPECT_EQ(r.path, kFolder);

  MemoryBackupDisk no_program_folder;
  Windows1252CodePage cp;
  FixedClock clock({"2010/7/7", "7:33:11", false});
  const BackupResult r2 = WriteBackupFile(kOneValue, {kProgram, no_program_folder, cp, clock});
  EXPECT_EQ(r2.failure, BackupFailure::kFolder) << "one level only";
  EXPECT_FALSE(no_program_folder.HasFolder(kProgram));
}

TEST(BackupWriter, ReportsAFileThatCannotBeWrittenWhole) {
  for (std::uint32_t error : {kErrDiskFull, 5u}) {
    WriterFixture f;
    f.disk.FailPublish(error);
    const BackupResult r = WriteBackupFile(kOneValue, f.place);
    EXPECT_EQ(r.failure, BackupFailure::kFile);
    EXPECT_EQ(r.error, error);
    EXPECT_EQ(r.path, std::string(kFolder) + "\\Backup (2010-7-7 7;33;11).reg");
    EXPECT_TRUE(f.disk.FileNames().empty());
  }
}

TEST(BackupWriter, GivesUpWhenEveryNameOfTheSecondIsTaken) {
  WriterFixture f;
  f.disk.AddFolder(kFolder);
  for (int n = 1; n <= kMaxBackupCandidates; ++n) {
    f.disk.AddFile(std::string(kFolder) + "\\" + BackupFileName("2010-7-7 7;33;11", n));
  }
  const BackupResult r = WriteBackupFile(kOneValue, f.place);
  EXPECT_EQ(r.failure, BackupFailure::kNoFreeName);
  EXPECT_EQ(f.disk.FileNames().size(), static_cast<std::size_t>(kMaxBackupCandidates));
}

TEST(BackupWriter, ReportsTheFormatItChose) {
  WriterFixture f;
  const std::vector<BackupEntry> chinese = {{"HKEY_CURRENT_USER\\A", StringValue("名", u"x")}};
  const BackupResult r = WriteBackupFile(chinese, f.place);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.format, RegFileFormat::kVersion5);
  const auto& bytes = *f.disk.File(r.path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  // The check line is UTF-16 too; its digest (sha256sum's) covers the
  // stored bytes from the byte-order mark on.
  const std::u16string text(reinterpret_cast<const char16_t*>(bytes.data() + 2),
                            (bytes.size() - 2) / 2);
  EXPECT_EQ(text,
            u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
            u"\"名\"=\"x\"\r\n\r\n; Quillmar backup: 1 values, SHA-256 "
            u"e33ab860b93ad11028d7c957a1caa9f7b3d8e35379d2b12b4bb9e564806b6f6e\r\n");
}

}  // namespace
}  // namespace qm
