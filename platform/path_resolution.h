// Whether a path names an existing file, read as Windows resolves it rather
// than letter by letter: the one step every file system's answer goes
// through before a reference is called missing.
#pragma once

#include <string_view>

#include "platform/file_system.h"

namespace qm {

enum class PathPresence { kExists, kMissing, kCannotCheck };

// Asks `fs` about `path` as written; only when that finds nothing, tries
// the readings Windows would also have made of it:
// - every component without its trailing dots and blanks;
// - <Windows>\Sysnative\ (what 32-bit programs write to reach the native
//   system folder, invisible to a 64-bit reader) as the system directory;
// - a path below the system directory also in the alternate one;
// - an 8.3 short name component (PROGRA~1, MICROS~1.DLL) as the entry of
//   its folder the volume stores it for, or else each long name of that
//   folder it can stand for.
// Missing only when no reading leads to a file; kCannotCheck when a folder
// cannot be listed or a short name has too many readings to follow.
[[nodiscard]] PathPresence ResolvePath(FileSystem& fs, std::string_view path);

}  // namespace qm
