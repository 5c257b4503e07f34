// Move-only owners of Win32 handles, each paired with its exact release.
#pragma once

#include <windows.h>

#include "platform/unique_handle.h"

namespace qm::win32 {

// The one owner template, shared with the Linux owners.
template <typename Handle, typename Traits>
using UniqueHandle = qm::UniqueHandle<Handle, Traits>;

struct HKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
using UniqueHKey = UniqueHandle<HKEY, HKeyTraits>;

struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;

// Closes a written file now, for the answer: the close is where its last
// data may fail to reach the disk. ERROR_SUCCESS or the close's error.
[[nodiscard]] inline DWORD CloseWrittenFile(UniqueFile& file) {
  return CloseHandle(file.Release()) ? ERROR_SUCCESS : GetLastError();
}

// A folder listing begun with FindFirstFileExW.
struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
using UniqueFind = UniqueHandle<HANDLE, FindHandleTraits>;

struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

struct MenuTraits {
  static HMENU Invalid() { return nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }
};
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;

// A block from GlobalAlloc. Release() it once the clipboard has taken it.
struct GlobalTraits {
  static HGLOBAL Invalid() { return nullptr; }
  static void Close(HGLOBAL h) { GlobalFree(h); }
};
using GlobalBlock = UniqueHandle<HGLOBAL, GlobalTraits>;

// A buffer the system allocated for the caller with LocalAlloc
// (FormatMessageW's FORMAT_MESSAGE_ALLOCATE_BUFFER, ConvertSidToStringSidW).
template <typename T>
struct LocalTraits {
  static T Invalid() { return nullptr; }
  static void Close(T p) { LocalFree(p); }
};
template <typename T>
using UniqueLocal = UniqueHandle<T, LocalTraits<T>>;

}  // namespace qm::win32
