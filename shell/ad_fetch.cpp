#include "shell/ad_fetch.h"

#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "platform/win32/handles.h"
#include "platform/win32/internet_handle.h"
#include "platform/win32/wide.h"
#include "shell/ad_text.h"

namespace qm::shell {

namespace {

std::atomic<bool> g_fetch_out{false};

// `abandoned` is raised once the caller has stopped waiting: nobody will
// see the result, so the helper stops at its next step.
AdBody FetchNow(const std::string& url, DWORD timeout_ms, const std::atomic<bool>& abandoned) {
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
  while (result.bytes.size() < kAdBodyLimit && !abandoned) {
    const auto want = static_cast<DWORD>(
        std::min<std::size_t>(sizeof(buffer), kAdBodyLimit - result.bytes.size()));
    DWORD read = 0;
    // A failed read yields no bytes and so ends the body like its end does.
    if (!InternetReadFile(file.Get(), buffer, want, &read)) read = 0;
    if (read == 0) break;
    result.bytes.append(buffer, read);
  }
  file.Reset();  // the address handle before the root handle
  return result;
}

struct FetchJob {
  std::string url;
  DWORD timeout_ms = 0;
  AdBody result;
  win32::UniqueKernelHandle done;
  std::atomic<bool> abandoned{false};
};

}  // namespace

bool AdFetchStillOut() {
  return g_fetch_out;
}

AdBody FetchAdBody(std::string_view url, DWORD timeout_ms, DWORD limit_ms) {
  if (g_fetch_out.exchange(true)) return {{}, ERROR_INTERNET_TIMEOUT};
  auto job = std::make_shared<FetchJob>();
  job->url = std::string(url);
  job->timeout_ms = timeout_ms;
  job->done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!job->done) {
    const DWORD error = GetLastError();
    g_fetch_out = false;
    return {{}, error};
  }
  // The helper owns its share of the job: it may outlive this call.
  std::thread([job] {
    job->result = FetchNow(job->url, job->timeout_ms, job->abandoned);
    g_fetch_out = false;  // before the wake-up, so that the next fetch may start at once
    SetEvent(job->done.Get());
  }).detach();
  if (WaitForSingleObject(job->done.Get(), limit_ms) != WAIT_OBJECT_0) {
    job->abandoned = true;
    return {{}, ERROR_INTERNET_TIMEOUT};
  }
  return job->result;
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
