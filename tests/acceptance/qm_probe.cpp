// qm-probe: reads what another process's windows show, for the acceptance
// script that drives the real program with X input. It never clicks or
// types; it only looks, so that every action in the script is real input.
//
//   qm-probe wait CLASS [SECONDS]   waits for a visible top-level window of
//                                   the class; prints "x y w h" (screen)
//   qm-probe gone CLASS [SECONDS]   waits until no such window is visible
//   qm-probe rect CLASS             prints "x y w h" or fails
//   qm-probe commands CLASS         the window's owner-drawn buttons in
//                                   creation order: "x y w h enabled"
//   qm-probe checks CLASS           its check boxes: "x y w h checked text"
//   qm-probe rows CLASS             its list: "checked selected<TAB>col..."
//   qm-probe message [SECONDS]      waits for a message box; prints
//                                   "box x y w h", "button x y w h TEXT" per
//                                   button, then the text (maybe several lines)
//
// Output is UTF-8. Exit status 0 on success, 1 when the window is not there
// (or a wait timed out), 2 on a usage error.
#include <windows.h>
// After windows.h, which it relies on.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace {

using qm::win32::Narrow;
using qm::win32::Widen;

void Out(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::wstring ClassOf(HWND w) {
  wchar_t name[256] = {};
  GetClassNameW(w, name, 256);
  return name;
}

std::wstring TextOf(HWND w) {
  // WM_GETTEXT is marshalled between processes, unlike most messages.
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  const int n = GetWindowTextW(w, text.data(), static_cast<int>(text.size()));
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return text;
}

std::string RectText(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

HWND FindTop(const std::wstring& cls) {
  struct Search {
    const std::wstring* cls;
    HWND found;
  } s{&cls, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (!IsWindowVisible(w) || ClassOf(w) != *s->cls) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::vector<HWND> Children(HWND parent, const std::wstring& cls) {
  struct Collect {
    const std::wstring* cls;
    std::vector<HWND> found;
  } c{&cls, {}};
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<Collect*>(p);
        if (IsWindowVisible(w) && ClassOf(w) == *c->cls) c->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&c));
  // Control ids follow creation order, which is how the script names them.
  std::stable_sort(c.found.begin(), c.found.end(),
                   [](HWND a, HWND b) { return GetDlgCtrlID(a) < GetDlgCtrlID(b); });
  return c.found;
}

template <typename F>
bool WaitFor(double seconds, F ready) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// Memory inside the list's process: list-view messages carry pointers,
// which the system does not marshal between processes.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t bytes)
      : process_(process),
        at_(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (at_ != nullptr) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  [[nodiscard]] char* Get() const { return static_cast<char*>(at_); }

 private:
  HANDLE process_;
  void* at_;
};

int Rows(HWND top) {
  const auto lists = Children(top, L"SysListView32");
  if (lists.empty()) return 1;
  const HWND list = lists.front();
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  qm::win32::UniqueKernelHandle process(OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE,
      pid));
  if (!process) return 1;
  constexpr std::size_t kTextChars = 4096;
  RemoteBuffer remote(process.Get(), sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
  if (remote.Get() == nullptr) return 1;
  auto* remote_text = reinterpret_cast<wchar_t*>(remote.Get() + sizeof(LVITEMW));

  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int columns =
      header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::wstring text(kTextChars, L'\0');
  for (int row = 0; row < count; ++row) {
    const auto state = static_cast<UINT>(
        SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK | LVIS_SELECTED));
    const bool checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    std::string line = std::string(checked ? "1" : "0") + ((state & LVIS_SELECTED) ? " 1" : " 0");
    for (int col = 0; col < columns; ++col) {
      LVITEMW item{};
      item.iSubItem = col;
      item.pszText = remote_text;
      item.cchTextMax = static_cast<int>(kTextChars);
      SIZE_T moved = 0;
      if (!WriteProcessMemory(process.Get(), remote.Get(), &item, sizeof(item), &moved)) return 1;
      const auto chars = static_cast<std::size_t>(
          SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.Get())));
      const std::size_t n = std::min(chars, kTextChars - 1);
      if (!ReadProcessMemory(process.Get(), remote_text, text.data(), n * sizeof(wchar_t),
                             &moved)) {
        return 1;
      }
      line += '\t';
      line += Narrow(std::wstring_view(text.data(), n));
    }
    Out(line);
  }
  return 0;
}

HWND FindMessageBox() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        if (!IsWindowVisible(w) || ClassOf(w) != L"#32770") return TRUE;
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

int Message(double seconds) {
  HWND box = nullptr;
  if (!WaitFor(seconds, [&] { return (box = FindMessageBox()) != nullptr; })) return 1;
  // The text is the box's longest static; the icon's static has none.
  std::wstring text;
  for (HWND s : Children(box, L"Static")) {
    std::wstring t = TextOf(s);
    if (t.size() > text.size()) text = std::move(t);
  }
  Out("box " + RectText(box));
  for (HWND b : Children(box, L"Button")) Out("button " + RectText(b) + " " + Narrow(TextOf(b)));
  Out(Narrow(text));
  return 0;
}

int Usage() {
  std::fputs(
      "usage: qm-probe wait|gone|rect|commands|checks|rows CLASS [SECONDS]\n"
      "       qm-probe message [SECONDS]\n",
      stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring verb = argv[1];
  if (verb == L"message") return Message(argc > 2 ? _wtof(argv[2]) : 10.0);
  if (argc < 3) return Usage();
  const std::wstring cls = argv[2];
  const double seconds = argc > 3 ? _wtof(argv[3]) : 10.0;

  if (verb == L"wait") {
    HWND w = nullptr;
    if (!WaitFor(seconds, [&] { return (w = FindTop(cls)) != nullptr; })) return 1;
    Out(RectText(w));
    return 0;
  }
  if (verb == L"gone") return WaitFor(seconds, [&] { return FindTop(cls) == nullptr; }) ? 0 : 1;

  const HWND top = FindTop(cls);
  if (top == nullptr) return 1;
  if (verb == L"rect") {
    Out(RectText(top));
  } else if (verb == L"commands") {
    for (HWND c : Children(top, L"Quillmar.Command")) {
      Out(RectText(c) + (IsWindowEnabled(c) ? " 1" : " 0"));
    }
  } else if (verb == L"checks") {
    for (HWND b : Children(top, L"Button")) {
      const bool on = SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED;
      Out(RectText(b) + (on ? " 1 " : " 0 ") + Narrow(TextOf(b)));
    }
  } else if (verb == L"rows") {
    return Rows(top);
  } else {
    return Usage();
  }
  return 0;
}
