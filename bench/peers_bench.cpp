// How fast the scan is next to what a user already has, on one registry
// tree in the Wine prefix (see wine_tree.h), all in one run:
//   - quillmar-cli scan as a child process, walking live and walking a
//     snapshot, next to a bare loop making the same registry calls through
//     the same provider (the floor), with each scan's peak working set and
//     the size of the file a snapshot of the tree's root is read from;
//   - "reg query /s" and "regedit /e" of the same tree, as child processes;
//   - the scan window's whole scan over every root, opened in this process
//     on the real registry and file system, next to a bare loop over the
//     same roots, while a second thread measures how long the window takes
//     to answer a message; from snapshots (as the window scans) once with
//     every named file missing (a list of tens of thousands of rows) and
//     once with every one present, and walking live with every one missing.
// It needs a display (the window) and prints figures; it checks nothing.
//   peers_bench.exe [keys] [--no-window | --window-only] [--cli PATH]
#include <windows.h>
// After windows.h, which they rely on.
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/form_repair.h"
#include "bench/wine_tree.h"
#include "platform/win32/file_system.h"
#include "platform/win32/handles.h"
#include "platform/win32/program_folder.h"
#include "platform/win32/registry.h"
#include "platform/win32/snapshot_registry.h"
#include "platform/win32/wide.h"
#include "shell/app_urls.h"
#include "shell/form.h"
#include "shell/services.h"

namespace qm::bench {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The calls the search makes below one open key, and nothing else: its
// values, then each subkey opened relative to it, depth-first.
long long BareSubtree(RegistryReader& reg, RegKey key, std::string& name, RegValue& value) {
  long long keys = 0;
  for (std::uint32_t i = 0; reg.EnumValue(key, i, value) == kRegOk; ++i) {
  }
  for (std::uint32_t i = 0; reg.EnumKey(key, i, name) == kRegOk; ++i) {
    RegKey sub = kNoKey;
    if (reg.OpenKey(key, name, &sub) != kRegOk) continue;
    keys += 1 + BareSubtree(reg, sub, name, value);
    reg.CloseKey(sub);
  }
  return keys;
}

// The floor of a scan of one start key (its values read too), or of every
// root (the roots' own values are not read, as the search does not).
long long BareWalk(RegistryReader& reg, RegKey root, const std::string& sub, bool root_values) {
  std::string name;
  RegValue value;
  RegKey start = kNoKey;
  if (reg.OpenKey(root, sub, &start) != kRegOk) return 0;
  long long keys = 1;
  if (root_values) {
    keys += BareSubtree(reg, start, name, value);
  } else {
    for (std::uint32_t i = 0; reg.EnumKey(start, i, name) == kRegOk; ++i) {
      RegKey child = kNoKey;
      if (reg.OpenKey(start, name, &child) != kRegOk) continue;
      keys += 1 + BareSubtree(reg, child, name, value);
      reg.CloseKey(child);
    }
  }
  reg.CloseKey(start);
  return keys;
}

struct ChildRun {
  bool started = false;
  DWORD code = ~0u;
  double seconds = 0;
  SIZE_T peak_bytes = 0;   // largest PeakWorkingSetSize the system gave
  int memory_answers = 0;  // how often it gave one at all
  bool answered_after_exit = false;
};

// Runs a command with its standard output in `out_file` (standard error
// too) and waits for it, asking for its memory figures as it runs: Wine
// answers for another process only while that process lives.
ChildRun RunChild(const std::wstring& command, const std::wstring& out_file) {
  ChildRun run;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  win32::UniqueFile out(CreateFileW(out_file.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  win32::UniqueFile in(CreateFileW(L"NUL", GENERIC_READ, 0, &sa, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in.Get();
  si.hStdOutput = out.Get();
  si.hStdError = out.Get();
  PROCESS_INFORMATION pi{};
  std::wstring line = command;
  const auto t0 = Clock::now();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi)) {
    std::printf("  cannot start %s: error %lu\n", win32::Narrow(command).c_str(), GetLastError());
    return run;
  }
  run.started = true;
  win32::UniqueKernelHandle process(pi.hProcess);
  win32::UniqueKernelHandle thread(pi.hThread);
  const auto sample = [&] {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(process.Get(), &pmc, sizeof pmc) || pmc.PeakWorkingSetSize == 0) {
      return false;
    }
    ++run.memory_answers;
    run.peak_bytes = std::max(run.peak_bytes, pmc.PeakWorkingSetSize);
    return true;
  };
  while (WaitForSingleObject(process.Get(), 50) == WAIT_TIMEOUT) sample();
  run.seconds = Since(t0);
  run.answered_after_exit = sample();
  GetExitCodeProcess(process.Get(), &run.code);
  return run;
}

long long FileBytes(const std::wstring& file) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

// The rows of quillmar-cli's JSON report, counted by their first field.
long long JsonRows(const std::wstring& file) {
  win32::UniqueFile f(CreateFileW(file.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!f) return -1;
  std::string text;
  char buf[1 << 16];
  DWORD got = 0;
  while (ReadFile(f.Get(), buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  long long rows = 0;
  for (std::size_t at = 0; (at = text.find("{\"kind\":", at)) != std::string::npos; ++at) ++rows;
  return rows;
}

struct WindowRun {
  bool finished = false;
  std::string end_text;
  double seconds = 0;
  int rows = 0;
  double longest_answer_ms = 0;  // the slowest WM_NULL round trip while scanning
  long long probes = 0;
};

// Opens the scan window as the main window does (without the modal loop:
// this thread pumps), lets its scan start by itself and waits for its end,
// while a second thread sends it WM_NULL every few milliseconds.
// With `live`, the window walks that registry instead of its snapshots.
WindowRun RunWindow(RegistryReader* live = nullptr) {
  WindowRun run;
  const auto t0 = Clock::now();
  win32::Win32FileSystem fs;
  auto* form = static_cast<app::FormRepair*>(
      shell::LoadForm(live != nullptr ? std::make_unique<app::FormRepair>(*live, fs)
                                      : std::make_unique<app::FormRepair>()));
  if (form == nullptr) {
    std::printf("  the scan window could not be loaded\n");
    return run;
  }
  const HWND hwnd = form->Handle();
  form->SetLeft(120);
  form->SetTop(100);
  form->Show();

  std::atomic<bool> probing{true};
  std::atomic<bool> probe_back{false};
  std::atomic<long long> longest_us{0}, probes{0};
  std::thread probe([&] {
    while (probing) {
      const auto p0 = Clock::now();
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
      const auto us =
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - p0).count();
      if (probing) {
        longest_us = std::max<long long>(longest_us, us);
        ++probes;
      }
      Sleep(5);
    }
    probe_back = true;
  });

  const auto* status = static_cast<const shell::Label*>(form->FindElement("lblCurrentKey"));
  const auto ended = [&] {
    return !form->Session().Walking() && status != nullptr && status->Caption() != "无";
  };
  const auto deadline = Clock::now() + std::chrono::minutes(30);
  while (!ended() && Clock::now() < deadline) {
    shell::DoEvents();
    Sleep(1);
  }
  run.seconds = Since(t0);
  probing = false;
  // The probe may be waiting for an answer: keep pumping until it is back.
  while (!probe_back) {
    shell::DoEvents();
    Sleep(1);
  }
  probe.join();
  run.finished = ended();
  run.end_text = status != nullptr ? status->Caption() : "";
  run.rows = ListView_GetItemCount(form->List());
  run.longest_answer_ms = static_cast<double>(longest_us.load()) / 1000.0;
  run.probes = probes;
  form->Unload();
  for (int i = 0; i < 20; ++i) {
    shell::DoEvents();
    Sleep(5);
  }
  return run;
}

const char* Verdict(bool met) {
  return met ? "met" : "NOT MET";
}

void Line(const char* what, long long keys, double seconds, double floor_seconds) {
  std::printf("  %-34s %9.2f s %10.0f keys/s  %6.3f x floor\n", what, seconds, keys / seconds,
              seconds / floor_seconds);
}

// Other trees of this benchmark (made with another size) would be walked
// by the window's scan too, and counted twice as many finds.
void RemoveOtherTrees(long long keys) {
  win32::UniqueHKey parent;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuillmarBench", 0, KEY_ALL_ACCESS,
                    parent.Put()) != ERROR_SUCCESS) {
    return;
  }
  const std::wstring mine = std::to_wstring(keys);
  for (DWORD i = 0;;) {
    wchar_t name[256];
    DWORD chars = 256;
    if (RegEnumKeyExW(parent.Get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    if (mine == name) {
      ++i;
      continue;
    }
    std::printf("removing another benchmark tree, QuillmarBench\\%s, which the window would walk\n",
                win32::Narrow(name).c_str());
    std::fflush(stdout);
    if (RegDeleteTreeW(parent.Get(), name) != ERROR_SUCCESS) ++i;
    RegDeleteKeyW(parent.Get(), name);
  }
}

}  // namespace
}  // namespace qm::bench

int main(int argc, char** argv) {
  using namespace qm;
  using namespace qm::bench;
  long long keys = 200000;
  bool window = true, peers = true;
  std::string folder = win32::ProgramFolder().value_or(".");
  std::wstring cli = win32::Widen(folder + "\\..\\cli\\quillmar-cli.exe");
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-window") == 0) {
      window = false;
    } else if (std::strcmp(argv[i], "--window-only") == 0) {
      peers = false;
    } else if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc) {
      cli = win32::Widen(argv[++i]);
    } else {
      keys = std::atoll(argv[i]);
    }
  }
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (GetFileAttributesW(cli.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("quillmar-cli.exe not found at %s\n", win32::Narrow(cli).c_str());
    return 2;
  }
  RemoveOtherTrees(keys);
  const std::string tree = EnsureBenchTree(keys);
  const std::string hklm_tree = "HKEY_LOCAL_MACHINE\\" + tree;
  SetBenchFiles(keys, BenchFiles::kSome);

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring out_json = std::wstring(temp) + L"qm-peers-cli.json";
  const std::wstring out_query = std::wstring(temp) + L"qm-peers-query.txt";
  const std::wstring out_reg = std::wstring(temp) + L"qm-peers-export.reg";
  const std::wstring out_regedit_log = std::wstring(temp) + L"qm-peers-regedit.log";
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring wtree = win32::Widen(hklm_tree);

  win32::Win32Registry reg;
  if (peers) {
    std::printf("== the tree HKEY_LOCAL_MACHINE\\%s, half of its named files present\n",
                tree.c_str());
    // The machine's other work moves single timings by several per cent:
    // the floor, the scan and the export each take the better of two runs,
    // taken in turn so that a slow spell cannot favour one of them.
    // "reg query" is far behind either way and runs once.
    long long tree_keys = 0;
    double floor_s = 1e30;
    ChildRun live_scan, snapshot_scan, regedit;
    long long live_rows = -1, snapshot_rows = -1;
    const auto better = [](ChildRun& best, const ChildRun& run) {
      if (best.seconds <= 0 || (run.started && run.seconds < best.seconds)) best = run;
    };
    const auto cli_scan = [&](const wchar_t* walk) {
      return RunChild(L"\"" + cli + L"\" scan --quiet --format json --walk " + walk +
                          L" --root HKEY_LOCAL_MACHINE --key \"" + win32::Widen(tree) + L"\"",
                      out_json);
    };
    for (int round = 0; round < 2; ++round) {
      const auto t0 = Clock::now();
      tree_keys = BareWalk(reg, kHkeyLocalMachine, tree, true);
      floor_s = std::min(floor_s, Since(t0));
      better(live_scan, cli_scan(L"live"));
      if (round == 0) live_rows = JsonRows(out_json);
      better(snapshot_scan, cli_scan(L"snapshot"));
      if (round == 0) snapshot_rows = JsonRows(out_json);
      better(regedit, RunChild(L"\"" + std::wstring(windows) + L"\\regedit.exe\" /e \"" + out_reg +
                                   L"\" \"" + wtree + L"\"",
                               out_regedit_log));
    }
    std::printf("  %lld keys (each figure below but reg query's the better of two runs)\n",
                tree_keys);
    const ChildRun query = RunChild(
        L"\"" + std::wstring(windows) + L"\\system32\\reg.exe\" query \"" + wtree + L"\" /s",
        out_query);
    // The file a snapshot of the tree's root is read from, taken once more
    // here for its size (it is deleted again at once).
    const win32::RootSnapshot saved = win32::TakeRootSnapshot(kHkeyLocalMachine);
    const long long saved_bytes = saved.ok() ? saved->file_bytes : -1;

    Line("bare loop (floor)", tree_keys, floor_s, floor_s);
    Line("quillmar-cli scan --walk live", tree_keys, live_scan.seconds, floor_s);
    Line("quillmar-cli scan --walk snapshot", tree_keys, snapshot_scan.seconds, floor_s);
    Line("reg query /s", tree_keys, query.seconds, floor_s);
    Line("regedit /e", tree_keys, regedit.seconds, floor_s);
    std::printf("  quillmar-cli: live exit %lu, %lld rows; snapshot exit %lu, %lld rows\n",
                live_scan.code, live_rows, snapshot_scan.code, snapshot_rows);
    std::printf("  reg query: exit %lu, %lld bytes;  regedit /e: exit %lu, %lld bytes\n",
                query.code, FileBytes(out_query), regedit.code, FileBytes(out_reg));
    const bool live_ok = live_scan.started && live_scan.code == 0 && live_rows > 0;
    const bool snapshot_ok =
        snapshot_scan.started && snapshot_scan.code == 0 && snapshot_rows == live_rows && live_ok;
    const bool peers_ok = query.started && query.code == 0 && FileBytes(out_query) > 0 &&
                          regedit.started && FileBytes(out_reg) > 0;
    for (const ChildRun* run : {&live_scan, &snapshot_scan}) {
      const char* walk = run == &live_scan ? "live" : "snapshot";
      if (run->memory_answers > 0) {
        std::printf(
            "  quillmar-cli --walk %s peak working set %.1f MB (GetProcessMemoryInfo on the child, "
            "%d answers while it ran%s)\n",
            walk, run->peak_bytes / 1048576.0, run->memory_answers,
            run->answered_after_exit ? ", one after it ended" : ", none after it ended");
      } else {
        std::printf("  quillmar-cli --walk %s peak working set: Wine gave no figure\n", walk);
      }
    }
    std::printf("  the saved HKEY_LOCAL_MACHINE: %.1f MB (status %ld)\n", saved_bytes / 1048576.0,
                static_cast<long>(saved.code()));
    const double live_ratio = live_scan.seconds / floor_s;
    const double snapshot_ratio = snapshot_scan.seconds / floor_s;
    std::printf("  target: live CLI within 1.15 x floor: %.3f x  %s\n", live_ratio,
                Verdict(live_ok && live_ratio <= 1.15));
    std::printf("  target: snapshot CLI at most 0.1 x floor: %.3f x  %s\n", snapshot_ratio,
                Verdict(snapshot_ok && snapshot_ratio <= 0.1));
    std::printf("  target: snapshot CLI at most 0.1 x regedit /e (%.2f s vs %.2f s): %.3f x  %s\n",
                snapshot_scan.seconds, regedit.seconds, snapshot_scan.seconds / regedit.seconds,
                Verdict(snapshot_ok && peers_ok && snapshot_scan.seconds <= 0.1 * regedit.seconds));
    std::printf("  target: live CLI faster than reg query /s (%.2f s vs %.2f s)  %s\n",
                live_scan.seconds, query.seconds,
                Verdict(live_ok && peers_ok && live_scan.seconds < query.seconds));
    const double memory_ratio =
        saved_bytes > 0 ? static_cast<double>(snapshot_scan.peak_bytes) / saved_bytes : 0;
    std::printf(
        "  target: snapshot CLI peak working set at most 4 x the saved file: %.2f x  %s\n",
        memory_ratio,
        Verdict(snapshot_scan.memory_answers > 0 && saved_bytes > 0 && memory_ratio <= 4.0));
    DeleteFileW(out_json.c_str());
    DeleteFileW(out_query.c_str());
    DeleteFileW(out_reg.c_str());
    DeleteFileW(out_regedit_log.c_str());
  }

  if (window) {
    std::printf("== the scan window, every root\n");
    // The window's advertisement fetch fails at once instead of waiting on
    // a name lookup; message boxes would block without a user.
    shell::AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";
    shell::AppServices().message_box = [](HWND, std::string_view text, UINT) {
      std::printf("  message: %s\n", std::string(text).c_str());
      return IDOK;
    };
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    const auto t0 = Clock::now();
    long long root_keys = 0;
    for (const RegRoot& root : kRegRoots) root_keys += BareWalk(reg, root.handle, "", false);
    const double all_floor_s = Since(t0);

    SetBenchFiles(keys, BenchFiles::kAllMissing);
    const WindowRun missing = RunWindow();
    win32::Win32Registry live_reg;
    const WindowRun live_missing = RunWindow(&live_reg);
    SetBenchFiles(keys, BenchFiles::kAllPresent);
    const WindowRun present = RunWindow();
    SetBenchFiles(keys, BenchFiles::kSome);

    std::printf("  %lld keys below the seven roots\n", root_keys);
    Line("bare loop over every root (floor)", root_keys, all_floor_s, all_floor_s);
    Line("window scan, named files missing", root_keys, missing.seconds, all_floor_s);
    Line("window scan, named files present", root_keys, present.seconds, all_floor_s);
    Line("window scan walking live, missing", root_keys, live_missing.seconds, all_floor_s);
    for (const WindowRun* w : {&missing, &present, &live_missing}) {
      std::printf("  %s: ended with \"%s\", %d rows, %lld answers, slowest %.1f ms\n",
                  w == &missing   ? "missing"
                  : w == &present ? "present"
                                  : "live, missing",
                  w->end_text.c_str(), w->rows, w->probes, w->longest_answer_ms);
    }
    const bool ends_ok = missing.finished && present.finished && missing.end_text == "扫描结束。" &&
                         present.end_text == "扫描结束。";
    const double slowest = std::max(missing.longest_answer_ms, present.longest_answer_ms);
    std::printf("  the window from snapshots against walking live, %d rows: %.3f x  (%s rows)\n",
                missing.rows, missing.seconds / live_missing.seconds,
                missing.rows == live_missing.rows ? "same" : "NOT THE SAME");
    const double rows_cost = missing.seconds / present.seconds - 1.0;
    std::printf(
        "  target: window within 1.3 x its floor: %.3f x (files present), %.3f x (missing)  %s\n",
        present.seconds / all_floor_s, missing.seconds / all_floor_s,
        Verdict(ends_ok && std::max(present.seconds, missing.seconds) / all_floor_s <= 1.3));
    std::printf("  target: input answered within 50 ms while scanning: slowest %.1f ms  %s\n",
                slowest, Verdict(ends_ok && missing.probes > 0 && slowest <= 50.0));
    std::printf("  target: %d rows slow the walk by at most 10 %%: %+.1f %%  %s\n", missing.rows,
                rows_cost * 100.0, Verdict(ends_ok && missing.rows >= 50000 && rows_cost <= 0.10));
  }
  return 0;
}
