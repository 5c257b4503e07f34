// quillmar-cli.exe as a user runs it: a child process with pipes for its
// standard streams, over a private registry tree, files on drive C: and the
// ro.ini and RegBackups beside the program (a copy in this test's folder).
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/scan_report.h"
#include "platform/win32/handles.h"
#include "platform/win32/program_folder.h"
#include "platform/win32/wide.h"
#include "repair/backup_seal.h"
#include "repair/reg_file.h"
#include "repair/win32/code_page.h"
#include "tests/platform/win32_test_tree.h"
#include "tests/support/run_process.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  DWORD code = ~0u;
  std::string out;
  std::string err;
};

std::string Folder() {
  return win32::ProgramFolder().value_or(".");
}

std::string ReadAll(HANDLE pipe) {
  std::string text;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  return text;
}

// Runs quillmar-cli.exe with `args`; its standard input is `input` when
// given, else an empty pipe: neither is a terminal. `on_progress`, when
// given, runs once with the child's process id as soon as the child writes
// to standard error; the child then shares the test's console. A child
// still running after two minutes is ended (and the test fails).
CliRun RunCli(const std::string& args, const std::function<void(DWORD)>& on_progress = {},
              HANDLE input = nullptr) {
  CliRun run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  win32::UniqueKernelHandle in_read, in_write, out_read, out_write, err_read, err_write;
  if (!CreatePipe(in_read.Put(), in_write.Put(), &inherit, 0) ||
      !CreatePipe(out_read.Put(), out_write.Put(), &inherit, 0) ||
      !CreatePipe(err_read.Put(), err_write.Put(), &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe: " << GetLastError();
    return run;
  }
  // Only the child's ends are inherited.
  SetHandleInformation(in_write.Get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(out_read.Get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read.Get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input != nullptr ? input : in_read.Get();
  si.hStdOutput = out_write.Get();
  si.hStdError = err_write.Get();
  std::wstring command =
      L"\"" + win32::Widen(Folder() + "\\quillmar-cli.exe") + L"\" " + win32::Widen(args);
  PROCESS_INFORMATION pi{};
  const DWORD flags = on_progress || input != nullptr ? 0 : CREATE_NO_WINDOW;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si,
                      &pi)) {
    ADD_FAILURE() << "cannot start quillmar-cli: " << GetLastError();
    return run;
  }
  win32::UniqueKernelHandle process(pi.hProcess);
  win32::UniqueKernelHandle thread(pi.hThread);
  // Our copies of the child's ends go, so the reads end with the child.
  in_read.Reset();
  out_write.Reset();
  err_write.Reset();
  in_write.Reset();
  std::thread watchdog([&] {
    if (WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "quillmar-cli " << args << " still ran after two minutes";
      TerminateProcess(process.Get(), 0xDEAD);
    }
  });
  std::thread err_reader([&] {
    if (on_progress) {
      char c = 0;
      DWORD got = 0;
      if (ReadFile(err_read.Get(), &c, 1, &got, nullptr) && got == 1) run.err.push_back(c);
      on_progress(pi.dwProcessId);
    }
    run.err += ReadAll(err_read.Get());
  });
  run.out = ReadAll(out_read.Get());
  err_reader.join();
  watchdog.join();
  GetExitCodeProcess(process.Get(), &run.code);
  return run;
}

using testing::RunAndWait;

// The rules name the missing file in capitals.
std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class CliWin32Test : public ::testing::Test {
 protected:
  CliWin32Test()
      : tree_("cli"),
        files_("C:\\quillmar-cli-test-" + std::to_string(GetCurrentProcessId())),
        missing_(files_ + "\\missing.exe"),
        present_(files_ + "\\present.exe") {}

  void SetUp() override {
    RemoveProgramData();
    fs::create_directories(fs::path(win32::Widen(files_)));
    std::ofstream(fs::path(win32::Widen(present_))) << "MZ";
    tree_.SetString("Run", L"Tool", win32::Widen(missing_));
    tree_.SetString("Run", L"Present", win32::Widen("\"" + present_ + "\" /run"));
  }
  void TearDown() override {
    RemoveProgramData();
    std::error_code ec;
    fs::remove_all(fs::path(win32::Widen(files_)), ec);
  }

  // ro.ini and RegBackups beside the program are this test's to remove.
  static void RemoveProgramData() {
    std::error_code ec;
    fs::remove(fs::path(win32::Widen(Folder() + "\\ro.ini")), ec);
    fs::remove(fs::path(win32::Widen(Folder() + "\\ignore.txt")), ec);
    fs::remove_all(fs::path(win32::Widen(BackupsFolder())), ec);
  }
  static std::string BackupsFolder() { return Folder() + "\\RegBackups"; }
  static std::vector<std::string> BackupFiles() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(fs::path(win32::Widen(BackupsFolder())), ec)) {
      names.push_back(win32::Narrow(e.path().filename().wstring()));
    }
    return names;
  }
  static void WriteProfile(const char* section, const char* key, const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(win32::Widen(section).c_str(), win32::Widen(key).c_str(),
                                           win32::Widen(value).c_str(),
                                           win32::Widen(Folder() + "\\ro.ini").c_str()));
  }
  static std::string ReadProfile(const char* section, const char* key) {
    wchar_t buf[256] = {};
    GetPrivateProfileStringW(win32::Widen(section).c_str(), win32::Widen(key).c_str(), L"", buf,
                             256, win32::Widen(Folder() + "\\ro.ini").c_str());
    return win32::Narrow(buf);
  }

  // The Run value's text; empty when it is gone.
  [[nodiscard]] std::string RunValue(const wchar_t* name) const {
    wchar_t buf[512] = {};
    DWORD size = sizeof buf;
    const LONG rc = RegGetValueW(HKEY_CURRENT_USER, win32::Widen(tree_.Path("Run")).c_str(), name,
                                 RRF_RT_REG_SZ, nullptr, buf, &size);
    return rc == ERROR_SUCCESS ? win32::Narrow(buf) : std::string();
  }

  [[nodiscard]] std::string Scope() const {
    return "--root HKEY_CURRENT_USER --key \"" + tree_.Base() + "\"";
  }
  [[nodiscard]] std::string MissingKey() const { return tree_.Path("Run") + "\\Tool"; }

  testing::TestRegistryTree tree_;
  std::string files_;
  std::string missing_;
  std::string present_;
};

TEST_F(CliWin32Test, ScanListsTheMissingReferenceAndNotThePresentOne) {
  const CliRun json = RunCli("scan --quiet --format json " + Scope());
  EXPECT_EQ(json.code, 0u) << json.err;
  EXPECT_EQ(Occurrences(json.out, "\"kind\""), 1u) << json.out;
  EXPECT_NE(json.out.find(
                "{\"kind\": \"VALUE VALUE\", \"root\": \"HKEY_CURRENT_USER\", \"key\": \"" +
                cli::JsonEscape(MissingKey()) + "\", \"value\": \"" + cli::JsonEscape(missing_) +
                "\", \"path\": \"" + cli::JsonEscape(Upper(missing_)) + "\", \"key_path\": \"" +
                cli::JsonEscape(tree_.Path("Run")) +
                "\", \"value_name\": \"Tool\", \"type\": \"REG_SZ\", \"system_setting\": false, "
                "\"category\": \"other\"}"),
            std::string::npos)
      << json.out;
  // The start key and Run below it.
  EXPECT_NE(json.out.find("\"keys\": 2, "), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find("present"), std::string::npos) << json.out;
  EXPECT_TRUE(json.err.empty()) << "--quiet printed: " << json.err;

  const CliRun csv = RunCli("scan --quiet --format csv " + Scope());
  EXPECT_EQ(csv.code, 0u) << csv.err;
  EXPECT_EQ(csv.out,
            "kind,root,key,value,path,key_path,value_name,type,system_setting,category\r\n"
            "VALUE VALUE,"
            "HKEY_CURRENT_USER," +
                MissingKey() + "," + missing_ + "," + Upper(missing_) + "," + tree_.Path("Run") +
                ",Tool,REG_SZ,false,other\r\n");
}

TEST_F(CliWin32Test, ScanPrintsRegistryTextAsUtf8) {
  const std::string missing = files_ + "\\程序\\缺失.exe";
  tree_.SetString("Uni\\键", L"工具", win32::Widen(missing));
  const CliRun csv = RunCli("scan --quiet --format csv --root HKEY_CURRENT_USER --key \"" +
                            tree_.Path("Uni") + "\"");
  EXPECT_EQ(csv.code, 0u) << csv.err;
  EXPECT_EQ(csv.out,
            "kind,root,key,value,path,key_path,value_name,type,system_setting,category\r\n"
            "VALUE VALUE,"
            "HKEY_CURRENT_USER," +
                tree_.Path("Uni") + "\\键\\工具," + missing + "," + Upper(files_) +
                "\\程序\\缺失.EXE," + tree_.Path("Uni") + "\\键,工具,REG_SZ,false,other\r\n");
}

// Nobody can answer on a pipe, NUL (a character device, which the C
// runtime's _isatty calls a terminal), a file, or endless zero bytes.
TEST_F(CliWin32Test, RepairWithoutYesAndWithoutAConsoleRefusesAndDeletesNothing) {
  const std::string zeros = files_ + "\\zeros.bin";
  std::ofstream(fs::path(win32::Widen(zeros)), std::ios::binary) << std::string(4 << 20, '\0');
  for (const std::string& input : std::vector<std::string>{"", "NUL", zeros, "Z:\\dev\\zero"}) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win32::UniqueFile file;
    if (!input.empty()) {
      file.Reset(CreateFileW(win32::Widen(input).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr));
      ASSERT_TRUE(file) << input << ": " << GetLastError();
    }
    const CliRun run = RunCli("repair --backup " + Scope(), {}, file ? file.Get() : nullptr);
    EXPECT_EQ(run.code, 2u) << input << ": " << run.out << run.err;
    EXPECT_NE(run.err.find("--yes"), std::string::npos) << input << ": " << run.err;
    EXPECT_EQ(RunValue(L"Tool"), missing_) << input;
  }
  EXPECT_TRUE(BackupFiles().empty());
  EXPECT_EQ(ReadProfile("Records", "FixedCount"), "");
}

// Someone at a console can answer: the typed line decides.
TEST_F(CliWin32Test, RepairOnAConsoleAsksAndFollowsTheAnswer) {
  if (GetConsoleWindow() == nullptr && GetConsoleCP() == 0) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << GetLastError();
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  win32::UniqueFile console(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                        0, nullptr));
  ASSERT_TRUE(console) << GetLastError();
  // Wine's console needs a display; scripts/test.sh gives every test one.
  if (DWORD mode = 0; !GetConsoleMode(console.Get(), &mode)) {
    GTEST_SKIP() << "no working console here (Wine without a display)";
  }
  const auto type = [&](const std::wstring& keys) {
    std::vector<INPUT_RECORD> events;
    for (const wchar_t c : keys) {
      for (const BOOL down : {TRUE, FALSE}) {
        INPUT_RECORD r{};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.bKeyDown = down;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
        r.Event.KeyEvent.uChar.UnicodeChar = c;
        events.push_back(r);
      }
    }
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(console.Get(), events.data(), static_cast<DWORD>(events.size()),
                                   &written));
  };
  const struct {
    const wchar_t* keys;
    bool deleted;
  } cases[] = {{L"n\r", false}, {L"yess\r", false}, {L"yes\r", true}};
  for (const auto& c : cases) {
    FlushConsoleInputBuffer(console.Get());
    type(c.keys);
    const CliRun run = RunCli("repair --no-backup --quiet " + Scope(), {}, console.Get());
    EXPECT_EQ(run.code, 0u) << run.out << run.err;
    EXPECT_NE(run.err.find("Delete these 1 registry values? [y/N] "), std::string::npos) << run.err;
    EXPECT_EQ(RunValue(L"Tool").empty(), c.deleted) << run.out << run.err;
  }
}

TEST_F(CliWin32Test, AStartKeyThatIsNotThereIsAnErrorAndNotAnEmptyScan) {
  const std::string gone = tree_.Path("NoSuchKey");
  for (const std::string& args : std::vector<std::string>{
           "scan --quiet --format json --root HKEY_CURRENT_USER --key \"" + gone + "\"",
           "scan --quiet --key \"" + gone + "\"",
           "repair --yes --quiet --root HKEY_CURRENT_USER --key \"" + gone + "\""}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.code, 3u) << args << ": " << run.out << run.err;
    EXPECT_NE(run.err.find(gone + " "), std::string::npos) << args << ": " << run.err;
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << args << ": " << run.err;
    EXPECT_TRUE(run.out.empty()) << args << ": " << run.out;
  }
}

// A value "Sub\x" in key Names and a value "x" in key Names\Sub join to
// the same key text; the rows keep them apart, with their types.
TEST_F(CliWin32Test, RowsCarryKeyPathValueNameAndType) {
  tree_.SetString("Names", L"Sub\\x", win32::Widen(missing_));
  tree_.SetString("Names\\Sub", L"x", win32::Widen(missing_), REG_MULTI_SZ);
  const std::string scope = "--root HKEY_CURRENT_USER --key \"" + tree_.Path("Names") + "\"";
  const CliRun json = RunCli("scan --quiet --format json " + scope);
  EXPECT_EQ(json.code, 0u) << json.err;
  EXPECT_EQ(Occurrences(json.out, "\"key\": \"" + cli::JsonEscape(tree_.Path("Names\\Sub\\x"))), 2u)
      << json.out;
  EXPECT_NE(json.out.find("\"key_path\": \"" + cli::JsonEscape(tree_.Path("Names")) +
                          "\", \"value_name\": \"Sub\\\\x\", \"type\": \"REG_SZ\", "
                          "\"system_setting\": false, \"category\": \"other\"}"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"key_path\": \"" + cli::JsonEscape(tree_.Path("Names\\Sub")) +
                          "\", \"value_name\": \"x\", \"type\": \"REG_MULTI_SZ\", "
                          "\"system_setting\": false, \"category\": \"other\"}"),
            std::string::npos)
      << json.out;
  const CliRun csv = RunCli("scan --quiet --format csv " + scope);
  EXPECT_NE(csv.out.find("," + tree_.Path("Names") + ",Sub\\x,REG_SZ,false,other\r\n"),
            std::string::npos)
      << csv.out;
  EXPECT_NE(csv.out.find("," + tree_.Path("Names\\Sub") + ",x,REG_MULTI_SZ,false,other\r\n"),
            std::string::npos)
      << csv.out;
}

TEST_F(CliWin32Test, ALineBreakStaysInItsRowAndASkippedValueIsNoSuccess) {
  tree_.SetString("Run", L"two\nlines", win32::Widen(missing_ + "\r\nsecond line"));
  const CliRun scan = RunCli("scan --quiet " + Scope());
  EXPECT_EQ(scan.code, 0u) << scan.err;
  // The heading, two rows each with its missing file, and the closing line.
  EXPECT_EQ(Occurrences(scan.out, "\n"), 6u) << scan.out;
  EXPECT_NE(scan.out.find("\\two\u240Alines  " + missing_ + "\u240D\u240Asecond line\n"),
            std::string::npos)
      << scan.out;

  // No backup can hold a name with a line break: that value is skipped.
  const CliRun run = RunCli("repair --yes --backup --quiet " + Scope());
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  const std::string where = "HKEY_CURRENT_USER\\" + tree_.Path("Run") + "\\two\u240Alines";
  EXPECT_NE(run.out.find("已跳过  " + where + "  "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1 个错误已修复。\n1 value(s) skipped and not deleted"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(":\n  " + where + "\n"), std::string::npos) << run.out;
  EXPECT_EQ(RunValue(L"Tool"), "");
  EXPECT_EQ(RunValue(L"two\nlines"), missing_ + "\r\nsecond line");
}

TEST_F(CliWin32Test, RepairWithBackupDeletesAndTheBackupRestores) {
  // The flag wins over the setting, and the setting stays as it was.
  WriteProfile("Settings", "BackupBeforeFix", "0");
  const CliRun run = RunCli("repair --yes --backup --quiet --format json " + Scope());
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  EXPECT_NE(run.out.find("\"status\": \"repaired\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"repaired\": 1, \"failed\": 0"), std::string::npos) << run.out;
  EXPECT_EQ(RunValue(L"Tool"), "");
  EXPECT_EQ(RunValue(L"Present"), "\"" + present_ + "\" /run");
  EXPECT_EQ(ReadProfile("Settings", "BackupBeforeFix"), "0");
  EXPECT_EQ(ReadProfile("Records", "FixedCount"), "1");

  const std::vector<std::string> files = BackupFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string backup = BackupsFolder() + "\\" + files[0];
  EXPECT_NE(run.out.find("\"ok\": true, \"path\": \"" + cli::JsonEscape(backup) + "\""),
            std::string::npos)
      << run.out;

  const CliRun list = RunCli("backups list");
  EXPECT_EQ(list.code, 0u);
  EXPECT_NE(list.out.find("1   " + files[0] + "\n"), std::string::npos) << list.out;
  const CliRun records = RunCli("records");
  EXPECT_NE(records.out.find("已修复错误：1\n"), std::string::npos) << records.out;

  // The system's own import puts the value back ...
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(RunAndWait(L"\"" + std::wstring(windows) + L"\\regedit.exe\" /s \"" +
                       win32::Widen(backup) + L"\""),
            0u);
  EXPECT_EQ(RunValue(L"Tool"), missing_);

  // ... and so does the restore command, by name and by number.
  ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, win32::Widen(tree_.Path("Run")).c_str(), L"Tool"),
            ERROR_SUCCESS);
  const CliRun restore = RunCli("backups restore \"" + files[0] + "\"");
  EXPECT_EQ(restore.code, 0u) << restore.err;
  EXPECT_EQ(RunValue(L"Tool"), missing_);

  const CliRun remove = RunCli("backups delete 1");
  EXPECT_EQ(remove.code, 0u) << remove.err;
  EXPECT_TRUE(BackupFiles().empty());
  EXPECT_EQ(RunCli("backups restore 1").code, 2u);
}

// Values the system's importer cannot bring back byte for byte (string
// data of odd length or without a terminator), a non-ASCII name, a name
// with an unpaired surrogate and a key that is gone: restore writes each exactly and says so,
// verify tells the same from the tampered, and a garbled file is refused untouched.
TEST_F(CliWin32Test, BackupsRestoreExactlyAndVerifyTellsDifferences) {
  using Bytes = std::vector<BYTE>;
  struct Value {
    std::string sub;
    std::wstring name;
    DWORD type;
    Bytes data;
  };
  const Bytes binary = [] {
    Bytes b;
    for (int i = 0; i < 300; ++i) b.push_back(static_cast<BYTE>(i * 7));
    return b;
  }();
  const std::vector<Value> values = {
      {"Exact", L"odd string", REG_SZ, {'C', 0, ':', 0, '\\', 0, 'x'}},
      {"Exact", L"unterminated", REG_SZ, {'a', 0, 'b', 0}},
      {"Exact", L"expand", REG_EXPAND_SZ, {'%', 0, 'T', 0, '%', 0}},
      {"Exact", L"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0}},
      {"Exact", L"binary", REG_BINARY, binary},
      {"Exact", L"dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
      {"Exact", L"名字", REG_SZ, {0xE7, 0x65, 0, 0}},
      {"Exact", std::wstring(L"x") + wchar_t{0xD800}, REG_SZ, {'s', 0, 0, 0}},
      {"Exact\\Gone\\Deeper", L"", REG_SZ, {'d', 0}},
  };
  std::vector<BackupEntry> entries;
  for (const Value& v : values) {
    tree_.SetRaw(v.sub, v.name, v.type, v.data);
    entries.push_back(
        {"HKEY_CURRENT_USER\\" + tree_.Path(v.sub), {win32::Narrow(v.name), v.type, v.data}});
  }
  const auto read_back = [&](const Value& v) -> std::optional<std::pair<DWORD, Bytes>> {
    win32::UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(tree_.Path(v.sub)).c_str(), 0,
                      KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    Bytes data(4096);
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    if (RegQueryValueExW(key.Get(), v.name.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    data.resize(size);
    return std::make_pair(type, data);
  };
  const auto remove_all = [&] {
    for (const Value& v : values) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, win32::Widen(tree_.Path(v.sub)).c_str(),
                         v.name.c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, win32::Widen(tree_.Path("Exact\\Gone")).c_str());
  };

  win32::Win32CodePage code_page;
  const RegFileBytes file = BuildRegFile(entries, code_page);
  EXPECT_EQ(file.format, RegFileFormat::kVersion5);
  fs::create_directories(fs::path(win32::Widen(BackupsFolder())));
  const std::string good = "Backup (2026-12-9 10;00;00).reg";
  const std::string garbled = "Backup (2026-12-9 10;00;01).reg";
  std::ofstream(fs::path(win32::Widen(BackupsFolder() + "\\" + good)), std::ios::binary)
      .write(reinterpret_cast<const char*>(file.bytes.data()),
             static_cast<std::streamsize>(file.bytes.size()));
  // Cut inside the binary value's hex lines, on an even byte.
  std::ofstream(fs::path(win32::Widen(BackupsFolder() + "\\" + garbled)), std::ios::binary)
      .write(reinterpret_cast<const char*>(file.bytes.data()),
             static_cast<std::streamsize>(file.bytes.size() * 3 / 4 & ~std::size_t{1}));

  remove_all();
  const CliRun refused = RunCli("backups restore \"" + garbled + "\"");
  EXPECT_EQ(refused.code, 3u) << refused.out << refused.err;
  EXPECT_NE(refused.err.find("无法读取备份文件："), std::string::npos) << refused.err;
  EXPECT_TRUE(refused.out.empty()) << refused.out;
  for (const Value& v : values) {
    EXPECT_FALSE(read_back(v).has_value()) << win32::Narrow(v.name) << ": nothing written";
  }
  EXPECT_EQ(RunCli("backups verify \"" + garbled + "\"").code, 3u);
  // Sealed, then one byte changed: refused by name, nothing written.
  RegFileBytes sealed = file;
  SealBackup(sealed, entries.size());
  sealed.bytes[sealed.bytes.size() / 2] ^= 1;
  const std::string damaged = "Backup (2026-12-9 10;00;02).reg";
  std::ofstream(fs::path(win32::Widen(BackupsFolder() + "\\" + damaged)), std::ios::binary)
      .write(reinterpret_cast<const char*>(sealed.bytes.data()),
             static_cast<std::streamsize>(sealed.bytes.size()));
  const CliRun refused_damaged = RunCli("backups restore \"" + damaged + "\"");
  EXPECT_EQ(refused_damaged.code, 3u) << refused_damaged.out << refused_damaged.err;
  EXPECT_NE(refused_damaged.err.find("备份文件已损坏：" + BackupsFolder() + "\\" + damaged),
            std::string::npos)
      << refused_damaged.err;
  for (const Value& v : values) EXPECT_FALSE(read_back(v).has_value());

  const CliRun restore = RunCli("backups restore \"" + good + "\"");
  EXPECT_EQ(restore.code, 0u) << restore.out << restore.err;
  EXPECT_NE(restore.out.find("Restored 9 of 9 values from "), std::string::npos) << restore.out;
  EXPECT_NE(restore.err.find(good + " cannot be verified: "), std::string::npos) << restore.err;
  EXPECT_NE(restore.out.find("restored      HKEY_CURRENT_USER\\" + tree_.Path("Exact") +
                             "  \"odd string\"  REG_SZ, 7 bytes\n"),
            std::string::npos)
      << restore.out;
  for (const Value& v : values) {
    const auto back = read_back(v);
    ASSERT_TRUE(back.has_value()) << win32::Narrow(v.name);
    EXPECT_EQ(back->first, v.type) << win32::Narrow(v.name);
    EXPECT_EQ(back->second, v.data) << win32::Narrow(v.name);
  }

  const CliRun same = RunCli("backups verify \"" + good + "\"");
  EXPECT_EQ(same.code, 0u) << same.out << same.err;
  EXPECT_EQ(Occurrences(same.out, "same        HKEY_CURRENT_USER\\"), values.size()) << same.out;

  tree_.SetRaw("Exact", L"odd string", REG_SZ, {'C', 0, ':', 0, '\\', 0, 'x', 0, 0, 0});
  tree_.SetRaw("Exact", L"dword", REG_BINARY, {0xEF, 0xBE, 0xAD, 0xDE});
  RegDeleteKeyValueW(HKEY_CURRENT_USER, win32::Widen(tree_.Path("Exact")).c_str(), L"名字");
  const CliRun tampered = RunCli("backups verify \"" + good + "\"");
  EXPECT_EQ(tampered.code, 1u) << tampered.out << tampered.err;
  const std::string exact = "HKEY_CURRENT_USER\\" + tree_.Path("Exact");
  for (const std::string& line :
       {"differs     " + exact + "  \"odd string\"\n", "differs     " + exact + "  \"dword\"\n",
        "missing     " + exact + "  \"名字\"\n"}) {
    EXPECT_NE(tampered.out.find(line), std::string::npos) << line << tampered.out;
  }
  EXPECT_NE(tampered.out.find("6 of 9 values are in the registry as in "), std::string::npos)
      << tampered.out;
}

TEST_F(CliWin32Test, RepairWithoutBackupFollowsTheFlagOverTheSetting) {
  // No BackupBeforeFix in ro.ini means a backup; --no-backup overrides it.
  const CliRun run = RunCli("repair --yes --no-backup --quiet " + Scope());
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  EXPECT_NE(run.out.find("已修复  HKEY_CURRENT_USER\\" + MissingKey()), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("1 个错误已修复。\n"), std::string::npos) << run.out;
  EXPECT_EQ(RunValue(L"Tool"), "");
  EXPECT_TRUE(BackupFiles().empty());
}

TEST_F(CliWin32Test, RepairFollowsBackupBeforeFixWithoutAFlag) {
  WriteProfile("Settings", "BackupBeforeFix", "1");
  const CliRun run = RunCli("repair --yes --quiet " + Scope());
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  EXPECT_EQ(run.out.rfind("Backup file:" + BackupsFolder() + "\\", 0), 0u) << run.out;
  EXPECT_EQ(BackupFiles().size(), 1u);
}

TEST_F(CliWin32Test, RepairWithNothingFoundWritesNoBackupAndKeepsTheCount) {
  WriteProfile("Records", "FixedCount", "7");
  tree_.Create("Run\\Empty");
  const CliRun run =
      RunCli("repair --yes --backup --quiet --format json --root HKEY_CURRENT_USER --key \"" +
             tree_.Path("Run") + "\\Empty\"");
  EXPECT_EQ(run.code, 0u) << run.err;
  EXPECT_NE(run.out.find("\"backup\": null, \"repaired\": 0, \"failed\": 0, \"skipped\": 0, "
                         "\"system_skipped\": 0, \"access_denied\": 0, \"rows\": []}"),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(BackupFiles().empty());
  EXPECT_EQ(ReadProfile("Records", "FixedCount"), "7");
}

TEST_F(CliWin32Test, ABackupThatCannotBeWrittenStopsTheRepair) {
  // A file stands where the backup folder belongs.
  std::ofstream(fs::path(win32::Widen(BackupsFolder()))) << "not a folder";
  const CliRun run = RunCli("repair --yes --backup --quiet --format json " + Scope());
  EXPECT_EQ(run.code, 3u) << run.out << run.err;
  EXPECT_NE(run.out.find("\"backup\": {\"ok\": false, "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"status\": \"skipped\""), std::string::npos) << run.out;
  EXPECT_EQ(RunValue(L"Tool"), missing_);
  EXPECT_EQ(ReadProfile("Records", "FixedCount"), "");
}

TEST_F(CliWin32Test, CtrlCStopsTheScanAndRecordsItAsStopDoes) {
  // Enough keys that the walk is still running when the signal arrives.
  for (int i = 0; i < 3000; ++i) {
    tree_.SetString("Many\\k" + std::to_string(i), L"v", L"C:\\quillmar-none.exe");
  }
  // The signal travels through a console the test and the program share.
  // Ctrl+C goes to every process of the console; the test lets it pass.
  if (GetConsoleWindow() == nullptr && GetConsoleCP() == 0) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << GetLastError();
  }
  const auto pass = [](DWORD type) -> BOOL { return type == CTRL_C_EVENT; };
  SetConsoleCtrlHandler(pass, TRUE);
  const CliRun run = RunCli("scan --format json " + Scope(), [](DWORD) {
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
  });
  SetConsoleCtrlHandler(pass, FALSE);
  EXPECT_EQ(run.code, 0u) << run.err;
  EXPECT_NE(run.out.find("{\"drive\": \"C:\", \"reason\": 1, "), std::string::npos) << run.out;
  const std::size_t rows = Occurrences(run.out, "\"kind\"");
  EXPECT_LT(rows, 3001u);
  EXPECT_EQ(ReadProfile("Records", "ErrorCount"), std::to_string(rows));
  EXPECT_FALSE(ReadProfile("Records", "LastScanTime").empty());
}

TEST_F(CliWin32Test, UsageErrorsNameTheArgumentAndExitTwo) {
  const struct {
    const char* args;
    const char* named;
  } cases[] = {
      {"", "no command given"},
      {"frobnicate", "'frobnicate'"},
      {"scan --format xml", "'xml'"},
      {"repair --format csv", "'csv'"},
      {"scan --root HKEY_NOWHERE", "'HKEY_NOWHERE'"},
      {"repair --backup --no-backup", "'--no-backup'"},
      {"backups restore 99", "'99'"},
      {"scan --prefix C:\\p", "on Linux"},
      {"records --offline C:\\w", "'records' reads ro.ini"},
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.code, 2u) << c.args;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << c.args << ": " << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << c.args;
    EXPECT_TRUE(run.out.empty()) << c.args;
  }
  const CliRun help = RunCli("--help");
  EXPECT_EQ(help.code, 0u);
  EXPECT_NE(help.out.find("quillmar-cli repair [--backup|--no-backup] [--yes]"), std::string::npos);
}

// One program file's version resource, as Explorer's properties read it:
// the fixed numbers and the strings of the file's first translation.
struct VersionResource {
  VS_FIXEDFILEINFO fixed{};
  std::map<std::string, std::string> strings;
};

std::optional<VersionResource> ReadVersionResource(const std::string& file) {
  const std::wstring path = win32::Widen(file);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
  VersionResource resource;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", &value, &length) || length < sizeof resource.fixed) {
    return std::nullopt;
  }
  std::memcpy(&resource.fixed, value, sizeof resource.fixed);
  // The strings count only under the language the translation table names.
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
      length < 2 * sizeof(WORD)) {
    return resource;
  }
  const auto* translation = static_cast<const WORD*>(value);
  wchar_t block[64];
  std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"FileDescription",
                              L"OriginalFilename", L"Comments"}) {
    if (VerQueryValueW(data.data(), (std::wstring(block) + name).c_str(), &value, &length) &&
        length > 0) {
      resource.strings[win32::Narrow(name)] = win32::Narrow(static_cast<const wchar_t*>(value));
    }
  }
  return resource;
}

TEST(ProgramVersionTest, BothProgramFilesCarryTheVersionQuillmarCliPrints) {
  const CliRun run = RunCli("--version");
  ASSERT_EQ(run.code, 0u) << run.err;
  // "quillmar-cli 1.2.3" and a line end.
  std::string version = run.out.substr(run.out.rfind(' ') + 1);
  while (!version.empty() && std::isspace(static_cast<unsigned char>(version.back()))) {
    version.pop_back();
  }
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch), 3) << run.out;

  for (const char* program : {"quillmar.exe", "quillmar-cli.exe"}) {
    SCOPED_TRACE(program);
    const auto resource = ReadVersionResource(Folder() + "\\" + program);
    ASSERT_TRUE(resource.has_value());
    for (const DWORD ms : {resource->fixed.dwFileVersionMS, resource->fixed.dwProductVersionMS}) {
      EXPECT_EQ(HIWORD(ms), major);
      EXPECT_EQ(LOWORD(ms), minor);
    }
    for (const DWORD ls : {resource->fixed.dwFileVersionLS, resource->fixed.dwProductVersionLS}) {
      EXPECT_EQ(HIWORD(ls), patch);
    }
    auto text = [&](const char* name) {
      const auto at = resource->strings.find(name);
      return at == resource->strings.end() ? std::string("(none)") : at->second;
    };
    EXPECT_EQ(text("FileVersion"), version);
    EXPECT_EQ(text("ProductVersion"), version);
    EXPECT_EQ(text("ProductName"), "Quillmar");
    EXPECT_EQ(text("OriginalFilename"), program);
    EXPECT_NE(text("FileDescription"), "(none)");
    EXPECT_EQ(text("Comments"), QM_TEST_HOME_PAGE_URL);
    // Only the window asks for the highest rights the user has; scripts
    // choose how they run the console program.
    std::ifstream in(fs::path(win32::Widen(Folder() + "\\" + program)), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(
        bytes.find("<requestedExecutionLevel level=\"highestAvailable\"") != std::string::npos,
        std::string(program) == "quillmar.exe");
  }
}

// A paging-file setting naming a file that is not there (as Wine's own
// does) is listed with its mark; a repair leaves it, and only
// --include-system deletes it. Wine's value is put back afterwards.
TEST_F(CliWin32Test, ASystemSettingIsListedAndDeletedOnlyWhenAskedFor) {
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
  const auto read = [&key]() -> std::optional<std::wstring> {
    wchar_t buf[512] = {};
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"PagingFiles", RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS)
      return std::nullopt;
    return buf;
  };
  const auto write = [&key](const std::wstring& text) {
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"PagingFiles", REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  };
  struct PutBack {
    std::function<void()> run;
    ~PutBack() { run(); }
  } put_back{[&, wine = read()] {
    if (wine) (void)write(*wine);
    if (!wine) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"PagingFiles");
  }};
  const std::wstring paging = win32::Widen(files_ + "\\pagefile.sys 27 77");
  ASSERT_EQ(write(paging), ERROR_SUCCESS);
  const std::string scope =
      "--quiet --root HKEY_LOCAL_MACHINE --key \"" + win32::Narrow(key) + "\" ";

  const CliRun scan = RunCli("scan --format json " + scope);
  EXPECT_NE(scan.out.find("\"value_name\": \"PagingFiles\", \"type\": \"REG_SZ\", "
                          "\"system_setting\": true, \"category\": \"other\"}"),
            std::string::npos)
      << scan.out;
  const CliRun kept = RunCli("repair --yes --no-backup " + scope);
  EXPECT_EQ(kept.code, 0u) << kept.out << kept.err;
  EXPECT_NE(kept.out.find("1 system setting(s) left alone"), std::string::npos) << kept.out;
  EXPECT_EQ(read(), paging) << "a repair without --include-system deleted it";
  const CliRun gone = RunCli("repair --yes --no-backup --include-system " + scope);
  EXPECT_EQ(gone.code, 0u) << gone.out << gone.err;
  EXPECT_EQ(read(), std::nullopt) << gone.out;
}

// The list is kept with the commands, honoured by scan and repair, and a
// line nobody can read survives every rewrite.
TEST_F(CliWin32Test, IgnoreCommandsKeepTheListThatScanAndRepairHonour) {
  const std::string odd = files_ + "\\a=b\\odd.exe";
  tree_.SetString("Run", win32::Widen(odd), win32::Widen(odd));
  tree_.SetString("Sub\\Deep", L"Other", win32::Widen(files_ + "\\other.exe"));
  const std::string run_key = "HKCU\\" + tree_.Path("Run");
  const std::string list_file = Folder() + "\\ignore.txt";

  const CliRun empty = RunCli("ignore list");
  EXPECT_EQ(empty.code, 0u) << empty.err;
  EXPECT_NE(empty.out.find("empty"), std::string::npos) << empty.out;
  EXPECT_EQ(RunCli("ignore add \"" + run_key + "\" --value \"" + odd + "\"").code, 0u);
  EXPECT_EQ(RunCli("ignore add \"HKEY_CURRENT_USER\\" + tree_.Path("sub") + "\\\\\"").code, 0u);
  const CliRun again = RunCli("ignore add \"" + run_key + "\" --value \"" + Upper(odd) + "\"");
  EXPECT_EQ(again.code, 0u);
  EXPECT_NE(again.out.find("Already"), std::string::npos) << again.out;
  const CliRun listed = RunCli("ignore list");
  std::string odd_escaped;
  for (const char c : odd) odd_escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(listed.out, "1  HKEY_CURRENT_USER\\" + tree_.Path("Run") + "\\\\\"" + odd_escaped +
                            "\"\n2  HKEY_CURRENT_USER\\" + tree_.Path("sub") + "\n");

  const CliRun scan = RunCli("scan --quiet " + Scope());
  EXPECT_EQ(scan.code, 0u) << scan.err;
  EXPECT_NE(scan.out.find("  找不到文件：" + Upper(missing_) + "\n"), std::string::npos)
      << scan.out;
  EXPECT_NE(scan.out.find("1 invalid reference(s)"), std::string::npos) << scan.out;
  const CliRun all = RunCli("scan --quiet --no-ignore " + Scope());
  // The odd value is found by its name and by its text.
  EXPECT_NE(all.out.find("4 invalid reference(s)"), std::string::npos) << all.out;

  // Asked to delete everything, the repair still keeps what is ignored.
  const CliRun repair = RunCli("repair --yes --no-backup --quiet --no-ignore " + Scope());
  EXPECT_EQ(repair.code, 1u) << repair.out << repair.err;
  EXPECT_EQ(RunValue(L"Tool"), "");
  EXPECT_EQ(RunValue(win32::Widen(odd).c_str()), odd);

  std::ofstream(fs::path(win32::Widen(list_file)), std::ios::app | std::ios::binary)
      << "HKEY_NOWHERE\\x\r\n";
  const struct {
    std::string args;
    DWORD code;
    std::string out, err;
  } cases[] = {
      {"ignore remove 4", 2, "", "there is no entry 4; the ignore list has 2"},
      {"ignore add HKEY_NOWHERE\\x", 2, "", "unknown root 'HKEY_NOWHERE'"},
      {"ignore remove 1", 0, "Removed from the ignore list", "line 3 cannot be read"},
      {"ignore list", 0, "1  HKEY_CURRENT_USER\\" + tree_.Path("sub") + "\n", "line 2 cannot"},
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.code, c.code) << c.args << ": " << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << c.args << ": " << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.args << ": " << run.err;
  }
  std::ifstream in(fs::path(win32::Widen(list_file)), std::ios::binary);
  const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "HKEY_CURRENT_USER\\" + tree_.Path("sub") + "\r\nHKEY_NOWHERE\\x\r\n");

  // That line may be the entry meant to keep a value: no backup, no
  // deletion, and no question first (without a console to ask on, that
  // would be exit 2).
  const CliRun unasked = RunCli("repair --quiet " + Scope());
  EXPECT_EQ(unasked.code, 3u) << unasked.out << unasked.err;
  const CliRun refused = RunCli("repair --yes --backup --quiet " + Scope());
  EXPECT_EQ(refused.code, 3u) << refused.out << refused.err;
  EXPECT_NE(refused.out.find("忽略列表第 2 行无法读取，请先在设置中修正：HKEY_NOWHERE\\x\n"),
            std::string::npos)
      << refused.out;
  EXPECT_EQ(RunValue(win32::Widen(odd).c_str()), odd);
  EXPECT_TRUE(BackupFiles().empty());
}

// The machine's list in C:\RegBackups, where a Linux quillmar-cli keeps it
// for the installation, counts besides the program's own.
TEST_F(CliWin32Test, TheMachinesIgnoreListCountsToo) {
  const fs::path machine = fs::path(L"C:\\RegBackups\\ignore.txt");
  std::error_code ec;
  fs::create_directories(machine.parent_path(), ec);
  ASSERT_FALSE(fs::exists(machine));
  std::ofstream(machine, std::ios::binary) << "HKEY_CURRENT_USER\\" + tree_.Path("Run") + "\r\n";
  const CliRun scan = RunCli("scan --quiet " + Scope());
  const CliRun repair = RunCli("repair --yes --no-backup --quiet --no-ignore " + Scope());
  fs::remove(machine, ec);
  EXPECT_EQ(scan.code, 0u) << scan.err;
  EXPECT_EQ(scan.out.find(Upper(missing_)), std::string::npos) << scan.out;
  EXPECT_EQ(RunValue(L"Tool"), missing_) << repair.out;
}

// The README's recipes for Intune, Ansible and a scheduled task, as the
// administrator copies them: their quillmar-cli command lines, read from the
// file, must give the statuses the recipes' conditions test. Each is run
// within this test's tree.
struct Recipes {
  std::map<std::string, std::vector<std::string>> commands;  // recipe: its argument lines
  std::map<std::string, std::string> text;                   // recipe: its whole block
};

Recipes ReadmeRecipes() {
  std::ifstream in(QM_TEST_README);
  const std::string readme((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Recipes recipes;
  const std::string mark = "<!-- recipe: ";
  for (auto at = readme.find(mark); at != std::string::npos; at = readme.find(mark, at + 1)) {
    const std::size_t name_end = readme.find(" -->", at);
    const std::string name = readme.substr(at + mark.size(), name_end - at - mark.size());
    const std::size_t open = readme.find("```", name_end);
    const std::size_t body = readme.find('\n', open) + 1;
    const std::string block = readme.substr(body, readme.find("```", body) - body);
    recipes.text[name] = block;
    const std::string exe = "quillmar-cli.exe";
    for (auto e = block.find(exe); e != std::string::npos; e = block.find(exe, e + 1)) {
      std::size_t from = e + exe.size();
      while (from < block.size() && (block[from] == '"' || block[from] == '\\')) ++from;
      std::string args = block.substr(from, block.find('\n', from) - from);
      while (!args.empty() && (args.back() == '\'' || args.back() == '"' || args.back() == ' ')) {
        args.pop_back();
      }
      recipes.commands[name].push_back(args);
    }
  }
  return recipes;
}

TEST_F(CliWin32Test, TheReadmesFleetRecipesGiveTheStatusesTheyTest) {
  const Recipes recipes = ReadmeRecipes();
  for (const char* name : {"intune-detection", "intune-remediation", "ansible", "scheduled-task"}) {
    ASSERT_TRUE(recipes.commands.count(name) != 0 && !recipes.commands.at(name).empty())
        << "no quillmar-cli line in recipe " << name;
  }
  const auto run = [&](const std::string& recipe, std::size_t line) {
    return RunCli(recipes.commands.at(recipe).at(line) + " " + Scope()).code;
  };
  const std::string& ansible = recipes.text.at("ansible");
  ASSERT_EQ(recipes.commands.at("ansible").size(), 2u);
  // The play's conditions, as it states them.
  EXPECT_NE(ansible.find("failed_when: quillmar_scan.rc not in [0, 10]"), std::string::npos);
  EXPECT_NE(ansible.find("when: quillmar_scan.rc == 10"), std::string::npos);

  // Something to repair: detection asks for the remediation, the play's
  // scan neither fails nor skips the repair.
  EXPECT_EQ(run("intune-detection", 0), 1u);
  EXPECT_EQ(run("ansible", 0), 10u);
  EXPECT_EQ(run("intune-remediation", 0), 0u);
  EXPECT_EQ(RunValue(L"Tool"), "") << "the remediation deleted the value";
  EXPECT_EQ(BackupFiles().size(), 1u) << "after a backup";
  // Nothing left: detection is satisfied, the play's repair is skipped.
  EXPECT_EQ(run("intune-detection", 0), 0u);
  EXPECT_EQ(run("ansible", 0), 0u);

  tree_.SetString("Run", L"Tool", win32::Widen(missing_));
  EXPECT_EQ(run("ansible", 1), 0u) << "the play's repair task";
  EXPECT_EQ(RunValue(L"Tool"), "");
  tree_.SetString("Run", L"Tool", win32::Widen(missing_));
  EXPECT_EQ(run("scheduled-task", 0), 0u) << "the task's command, as Last Run Result shows it";
  EXPECT_EQ(RunValue(L"Tool"), "");
}

}  // namespace
}  // namespace qm
