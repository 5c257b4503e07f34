#include "shell/ad_fetch.h"

#include <wininet.h>

#include "platform/win32/internet_handle.h"
#include "platform/win32/wide.h"
#include "shell/ad_text.h"

namespace qm::shell {

AdBody FetchAdBody(std::string_view url, DWORD timeout_ms) {
  AdBody result;
  win32::UniqueInternet root(
      InternetOpenW(L"Tessavorn", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!root) {
    result.error = GetLastError();
    return result;
  }
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(root.Get(), option, &timeout_ms, sizeof(timeout_ms));
  }
  win32::UniqueInternet file(InternetOpenUrlW(root.Get(), win32::Widen(url).c_str(), nullptr, 0,
                                              INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!file) {
    result.error = GetLastError();
    return result;
  }
  char buffer[1024];
  for (;;) {
    DWORD read = 0;
    // A failed read yields no bytes and so ends the body like its end does.
    if (!InternetReadFile(file.Get(), buffer, sizeof(buffer), &read)) read = 0;
    if (read == 0) break;
    result.bytes.append(buffer, read);
  }
  file.Reset();  // the address handle before the root handle
  return result;
}

std::string DecodeAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
  return win32::Narrow(wide);
}

std::string FetchAdText(std::string_view url) {
  const AdBody body = FetchAdBody(url);
  if (body.error != 0) return {};
  return AdTextFrom(DecodeAnsi(body.bytes));
}

}  // namespace qm::shell
