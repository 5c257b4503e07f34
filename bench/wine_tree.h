// The benchmarks' registry tree in a Wine prefix, created once per prefix:
// HKEY_LOCAL_MACHINE\Software\QuillmarBench\<keys>, below HKLM so that a
// walk of every root meets it once (HKEY_CURRENT_USER is met again under
// HKEY_USERS). <keys> leaf keys V<a>\P<b>\Item<c> hold three values each:
// a DWORD, a short string, and either a version string or, in three keys of
// ten, a command line naming one of a few thousand program files under
// C:\QuillmarBench\<keys>, which SetBenchFiles makes present or missing.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::bench {

inline constexpr int kBenchFan = 50;
// Program files per V<a> folder; a command names tool<k>.exe there.
inline constexpr int kBenchToolsPerFolder = 25;

[[nodiscard]] inline std::string BenchTreePath(long long keys) {
  return "Software\\QuillmarBench\\" + std::to_string(keys);
}

[[nodiscard]] inline std::wstring BenchFileFolder(long long keys, int a) {
  return L"C:\\QuillmarBench\\" + std::to_wstring(keys) + L"\\V" + std::to_wstring(a);
}

// Leaf number n = (a * fan + b) * fan + c.
[[nodiscard]] inline bool NamesAFile(int c) {
  return c % 10 == 0 || c % 10 == 3 || c % 10 == 6;
}
[[nodiscard]] inline int ToolOf(int b, int c) {
  return (b * kBenchFan + c) % kBenchToolsPerFolder;
}

inline void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Makes the tree unless a finished one is there; returns its path below
// HKEY_LOCAL_MACHINE. A tree whose creation was cut short has no "complete"
// value and is made again from the start.
inline std::string EnsureBenchTree(long long keys) {
  const std::string base = BenchTreePath(keys);
  const std::wstring wbase = win32::Widen(base);
  {
    win32::UniqueHKey probe;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wbase.c_str(), 0, KEY_READ, probe.Put()) ==
            ERROR_SUCCESS &&
        RegQueryValueExW(probe.Get(), L"complete", nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
      return base;
    }
  }
  std::printf(
      "creating %lld keys with %lld values in HKEY_LOCAL_MACHINE\\%s (once per prefix)...\n", keys,
      keys * 3, base.c_str());
  std::fflush(stdout);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, wbase.c_str());
  long long made = 0;
  for (int a = 0; made < keys; ++a) {
    for (int b = 0; b < kBenchFan && made < keys; ++b) {
      win32::UniqueHKey mid;
      const std::wstring pm = wbase + L"\\V" + std::to_wstring(a) + L"\\P" + std::to_wstring(b);
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, pm.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          mid.Put(), nullptr) != ERROR_SUCCESS) {
        std::printf("cannot create %s\n", win32::Narrow(pm).c_str());
        std::exit(1);
      }
      for (int c = 0; c < kBenchFan && made < keys; ++c, ++made) {
        win32::UniqueHKey k;
        const std::wstring name = L"Item" + std::to_wstring(c);
        RegCreateKeyExW(mid.Get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(),
                        nullptr);
        if (NamesAFile(c)) {
          SetString(k.Get(), L"Command",
                    L"\"" + BenchFileFolder(keys, a) + L"\\tool" + std::to_wstring(ToolOf(b, c)) +
                        L".exe\" /run");
        } else {
          SetString(k.Get(), L"Version", L"10.0." + std::to_wstring(c));
        }
        const DWORD flags = static_cast<DWORD>(c);
        RegSetValueExW(k.Get(), L"Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), 4);
        SetString(k.Get(), L"Name", L"Item number " + std::to_wstring(c));
      }
    }
  }
  win32::UniqueHKey done;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, wbase.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  done.Put(), nullptr);
  const DWORD one = 1;
  RegSetValueExW(done.Get(), L"complete", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
  return base;
}

enum class BenchFiles { kSome, kAllPresent, kAllMissing };

// Creates or deletes the program files the tree's commands name: all of
// them, none, or every other one (a mix of valid and invalid references).
inline void SetBenchFiles(long long keys, BenchFiles which) {
  const long long folders = (keys + kBenchFan * kBenchFan - 1) / (kBenchFan * kBenchFan);
  CreateDirectoryW(L"C:\\QuillmarBench", nullptr);
  CreateDirectoryW((L"C:\\QuillmarBench\\" + std::to_wstring(keys)).c_str(), nullptr);
  for (int a = 0; a < folders; ++a) {
    const std::wstring folder = BenchFileFolder(keys, a);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int t = 0; t < kBenchToolsPerFolder; ++t) {
      const std::wstring file = folder + L"\\tool" + std::to_wstring(t) + L".exe";
      const bool present =
          which == BenchFiles::kAllPresent || (which == BenchFiles::kSome && t % 2 == 1);
      if (present) {
        win32::UniqueFile f(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
      } else {
        DeleteFileW(file.c_str());
      }
    }
  }
}

}  // namespace qm::bench
