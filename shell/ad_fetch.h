// The advertisement fetch over WinINet. Synchronous: it runs inside a
// timer tick on the user-interface thread and blocks every window while it
// lasts. So that a server which accepts and never answers cannot freeze the
// program, each network phase is bounded (kAdTimeoutMs), and the whole
// fetch as well (kAdFetchLimitMs): the WinINet calls run on a helper
// thread that the caller waits for; past the limit the caller gives up
// with ERROR_INTERNET_TIMEOUT and tells the helper, which stops at its
// next read and closes its handles. While such a helper is still out, a
// new fetch fails at once instead of adding another. The body is read to
// at most kAdBodyLimit bytes, so a server that never ends it costs no more.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::shell {

inline constexpr DWORD kAdTimeoutMs = 3000;             // connect, send and receive, each
inline constexpr DWORD kAdFetchLimitMs = 5000;          // the whole fetch
inline constexpr std::size_t kAdBodyLimit = 64 * 1024;  // bytes of body read at most

struct AdBody {
  std::string bytes;  // the response body as received
  DWORD error = 0;    // 0, or the error of the open that failed
};

// Fetches `url` (UTF-8): agent "Tessavorn", direct access, nothing written
// to the cache, the body read 1024 bytes at a time until a read yields 0
// or kAdBodyLimit bytes are in (the rest is not read).
[[nodiscard]] AdBody FetchAdBody(std::string_view url, DWORD timeout_ms = kAdTimeoutMs,
                                 DWORD limit_ms = kAdFetchLimitMs);

// Whether a fetch that ran past its limit is still finishing.
[[nodiscard]] bool AdFetchStillOut();

// Decodes the whole body from the system's ANSI code page at once (so a
// two-byte character split between two reads stays whole) to UTF-8.
[[nodiscard]] std::string DecodeAnsi(std::string_view bytes);

// The advertisement text at `url` (UTF-8), or empty text: any failure, a
// body that does not begin with "AD" in any letter case, or "AD" alone.
[[nodiscard]] std::string FetchAdText(std::string_view url);

}  // namespace qm::shell
