#include "platform/win32/snapshot_registry.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/file_system.h"
#include "platform/win32/handles.h"
#include "scan/reg_search.h"
#include "scan/rules.h"
#include "tests/platform/win32_test_tree.h"
#include "tests/scan/search_recorder.h"

namespace qm {
namespace {

using testing::SearchRecorder;
using testing::TestRegistryTree;
using win32::SnapshotRegistry;

std::vector<BYTE> Utf16Bytes(const std::wstring& s) {
  const auto* p = reinterpret_cast<const BYTE*>(s.data());
  return std::vector<BYTE>(p, p + s.size() * sizeof(wchar_t));
}

// The current user's key as the registry names it from the top.
std::wstring CurrentUserPath() {
  win32::UniqueKernelHandle token;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()));
  std::vector<BYTE> info(256);
  DWORD size = 0;
  EXPECT_TRUE(GetTokenInformation(token.Get(), TokenUser, info.data(),
                                  static_cast<DWORD>(info.size()), &size));
  win32::UniqueLocal<wchar_t*> sid;
  EXPECT_TRUE(
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid, sid.Put()));
  return L"\\Registry\\User\\" + std::wstring(sid.Get());
}

// Removes a link key itself: deleting it by name, as RegDeleteTreeW does,
// reaches its target instead.
void DeleteLink(const std::wstring& path) {
  using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
  const auto nt_delete_key = reinterpret_cast<NtDeleteKeyFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
  win32::UniqueHKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_READ,
                    key.Put()) == ERROR_SUCCESS &&
      nt_delete_key != nullptr) {
    nt_delete_key(key.Get());
  }
}

// A link made as the system makes its own (Wow6432Node's, for one), gone
// again with the test.
class TestLink {
 public:
  TestLink(const TestRegistryTree& tree, const std::string& sub, const std::wstring& target)
      : path_(win32::Widen(tree.Path(sub))) {
    DeleteLink(path_);
    win32::UniqueHKey key;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    const std::vector<BYTE> data = Utf16Bytes(target);
    EXPECT_EQ(RegSetValueExW(key.Get(), L"SymbolicLinkValue", 0, REG_LINK, data.data(),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  ~TestLink() { DeleteLink(path_); }
  TestLink(const TestLink&) = delete;
  TestLink& operator=(const TestLink&) = delete;

 private:
  std::wstring path_;
};

std::vector<std::wstring> SnapshotFilesLeft() {
  wchar_t dir[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, dir);
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW((std::wstring(dir) + L"quillmar-snapshot-*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return out;
  do out.push_back(found.cFileName);
  while (FindNextFileW(h, &found));
  FindClose(h);
  return out;
}

std::vector<std::string> Walk(RegistryReader& reg, std::int32_t root, const std::string& sub) {
  SearchRecorder recorder;
  cRegSearch search(reg, recorder);
  search.RootKey(root);
  search.SubKey(sub);
  search.SearchFlags(kSearchValueNames | kSearchValueData);
  // Found in every name and every value's text: each event carries all.
  search.SearchString("");
  search.DoSearch();
  return recorder.log;
}

TEST(SnapshotRegistry, WalksAsTheLiveRegistryDoes) {
  TestRegistryTree tree("snapshot");
  const std::wstring wide_base = win32::Widen(tree.Base());
  tree.SetString("", L"", L"default");
  tree.SetString("程序\\a]b[c", L"名 \"q\" \\ [x]", L"C:\\程序\\工具.exe\t\n\x01\x7f");
  tree.SetString("程序", L"expand", L"%SystemRoot%\\x.dll", REG_EXPAND_SZ);
  tree.SetRaw("程序", L"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  tree.SetRaw("程序", L"odd", REG_SZ, {'a', 0, 'b'});
  tree.SetRaw("程序", L"unterminated", REG_SZ, {'a', 0, 'b', 0});
  tree.SetRaw("程序", L"short dword", REG_DWORD, {1, 2, 3});
  tree.SetRaw("程序", L"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  tree.SetRaw("程序", L"none", REG_NONE, {});
  tree.SetRaw("程序", L"big", REG_BINARY, std::vector<BYTE>(3000, 0xA5));
  tree.SetRaw("程序", L"odd type", 0x2A, {9, 8, 7});
  tree.SetString("程序", std::wstring(L"lone \xD800 surrogate"),
                 std::wstring(L"\xDC00\xD83D\xDE00"));
  tree.SetDword(std::string("surrogate \xED\xA0\x80 key"), L"d", 7);
  tree.Create("empty\\deeper\\deepest");
  tree.SetDword("target\\inner", L"t", 42);
  const TestLink link(tree, "程序\\link", CurrentUserPath() + L"\\" + wide_base + L"\\target");
  const std::vector<std::wstring> files_before = SnapshotFilesLeft();

  win32::Win32Registry live;
  const std::vector<std::string> live_log =
      Walk(live, static_cast<std::int32_t>(kHkeyCurrentUser), tree.Base());
  SnapshotRegistry snapshot(win32::SnapshotPolicy::kSnapshotOnly);
  const std::vector<std::string> snapshot_log =
      Walk(snapshot, static_cast<std::int32_t>(kHkeyCurrentUser), tree.Base());

  ASSERT_EQ(snapshot.SourceOf(kHkeyCurrentUser), SnapshotRegistry::Source::kSnapshot)
      << snapshot.SnapshotDetail(kHkeyCurrentUser);
  EXPECT_EQ(snapshot_log, live_log);
  const std::string linked = "key HKEY_CURRENT_USER\\" + tree.Base() + "\\程序\\link\\inner";
  EXPECT_NE(std::find(live_log.begin(), live_log.end(), linked), live_log.end())
      << "the live walk goes through the link";
  EXPECT_GT(live_log.size(), 30u);
  EXPECT_EQ(SnapshotFilesLeft(), files_before) << "the saved file is removed";
}

// What a saved file may hold, and whether the root is then read from it.
TEST(SnapshotRegistry, ReadsOnlyWineTextThatReadsWholeAndDeletesTheFileEitherWay) {
  using namespace std::string_literals;
  const std::string head =
      "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";
  const struct {
    std::string bytes;
    RegStatus status;
  } cases[] = {
      {head + "[Software\\\\App] 1\n\"v\"=dword:0000002a\n", kRegOk},
      {"regf\x01\0\0\0"s + std::string(4088, '\0'), ERROR_NOT_SUPPORTED},  // Windows' hive
      {"", ERROR_NOT_SUPPORTED},
      {head + "[Software\\\\App] 1\n\"v\"=hex:0\n", ERROR_BADDB},
      {head + "[Software\\\\App] 1\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00,58,00\n",
       ERROR_BADDB},  // a link out of the saved tree
  };
  wchar_t dir[MAX_PATH + 1];
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, dir), 0u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 40));
    const std::wstring path = std::wstring(dir) + L"quillmar-snapshot-test.tmp";
    {
      win32::UniqueFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(f);
      DWORD written = 0;
      ASSERT_TRUE(WriteFile(f.Get(), c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &written,
                            nullptr));
    }
    const win32::RootSnapshot snap = win32::ReadSavedRoot(path, kHkeyLocalMachine);
    EXPECT_EQ(snap.code(), static_cast<std::uint32_t>(c.status)) << snap.detail();
    EXPECT_EQ(snap.ok() && snap->registry != nullptr, c.status == kRegOk);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the file is gone";
    if (!snap.ok() || !snap->registry) continue;
    RegKey k = kNoKey;
    ASSERT_EQ(snap->registry->OpenKey(kHkeyLocalMachine, "Software\\App", &k), kRegOk);
    RegValue v;
    ASSERT_EQ(snap->registry->EnumValue(k, 0, v), kRegOk);
    EXPECT_EQ(v.data, (std::vector<std::uint8_t>{42, 0, 0, 0}));
    snap->registry->CloseKey(k);
  }
}

// A volatile key is one the system refuses a lasting subkey below.
bool IsVolatile(const std::string& full) {
  const std::size_t cut = full.find('\\');
  const std::string root = full.substr(0, cut);
  HKEY hroot = nullptr;
  for (const RegRoot& r : kRegRoots) {
    if (root == r.name) hroot = win32::ToHkey(r.handle);
  }
  win32::UniqueHKey probe;
  const LONG rc =
      RegCreateKeyExW(hroot, win32::Widen(full.substr(cut + 1) + "\\qm-probe").c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, probe.Put(), nullptr);
  if (rc == ERROR_SUCCESS)
    RegDeleteKeyW(hroot, win32::Widen(full.substr(cut + 1) + "\\qm-probe").c_str());
  return rc == ERROR_CHILD_MUST_BE_VOLATILE;
}

// Wine, like Windows, saves no volatile key (those the system makes anew
// at each start: hardware, device interfaces, the font cache); the snapshot
// reads those live, so a walk of every root of a running prefix raises the
// live walk's events, and lists its rows, one for one.
TEST(SnapshotRegistry, WalksTheWholePrefixAsTheLiveRegistryDoesVolatileKeysIncluded) {
  const std::vector<std::wstring> files_before = SnapshotFilesLeft();
  win32::Win32FileSystem fs;
  InvalidReferenceRule rule(fs);
  const auto rows = [&rule](const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const std::string& e : log) {
      if (e.rfind("found ", 0) != 0) continue;
      // found root|key|value|kind, as the recorder writes it.
      std::vector<std::string> f;
      for (std::size_t at = 6, bar; (bar = e.find('|', at)) != std::string::npos; at = bar + 1) {
        f.push_back(e.substr(at, bar - at));
        if (f.size() == 3) {
          f.push_back(e.substr(bar + 1));
          break;
        }
      }
      if (f.size() != 4) continue;
      if (auto row = rule.Judge(f[0], f[1], f[2], std::stoi(f[3]))) {
        out.push_back(row->kind + "|" + row->root + "|" + row->key + "|" + row->value);
      }
    }
    return out;
  };
  win32::Win32Registry live;
  const std::vector<std::string> live_log = Walk(live, 0, "");
  SnapshotRegistry snapshot;
  const std::vector<std::string> snapshot_log = Walk(snapshot, 0, "");
  for (const RegKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers}) {
    EXPECT_EQ(snapshot.SourceOf(root), SnapshotRegistry::Source::kSnapshot)
        << RootKeyName(root) << ": " << snapshot.SnapshotDetail(root);
  }
  for (std::size_t i = 0; i < std::min(live_log.size(), snapshot_log.size()); ++i) {
    ASSERT_EQ(snapshot_log[i], live_log[i]) << "event " << i;
  }
  EXPECT_EQ(snapshot_log.size(), live_log.size());
  EXPECT_EQ(rows(snapshot_log), rows(live_log));
  EXPECT_GT(live_log.size(), 20000u) << "a fresh prefix has thousands of keys and values";
  const std::string hardware = "HKEY_LOCAL_MACHINE\\Hardware";
  EXPECT_TRUE(IsVolatile(hardware)) << "the walks pass volatile keys";
  EXPECT_NE(std::find(snapshot_log.begin(), snapshot_log.end(), "key " + hardware),
            snapshot_log.end());
  EXPECT_EQ(SnapshotFilesLeft(), files_before) << "the saved files are removed";
}

}  // namespace
}  // namespace qm
