// FetchAdText over real WinINet against a server on 127.0.0.1. Runs with
// the Chinese locale (ANSI code page 936) so that GBK bodies decode.
#include "shell/ad_fetch.h"

#include <gtest/gtest.h>

#include <chrono>

#include "local_http_server.h"

namespace qm::shell {
namespace {

using testing::LocalHttpServer;

TEST(FetchAdText, AcceptsTheAdPrefixInAnyLetterCaseAndKeepsTheRestExactly) {
  LocalHttpServer server;
  const std::pair<const char*, const char*> cases[] = {
      {"ADVisit us", "Visit us"},
      {"adVisit us", "Visit us"},
      {"aDx", "x"},
      {"Ad x \r\n", " x \r\n"},
  };
  for (const auto& [body, expected] : cases) {
    server.Respond(200, body);
    EXPECT_EQ(FetchAdText(server.Url()), expected) << body;
  }
}

TEST(FetchAdText, EverythingElseGivesEmptyText) {
  LocalHttpServer server;
  for (const char* body : {"AD", "A", "", " ADx", "xxADyy", "Hello"}) {
    server.Respond(200, body);
    EXPECT_EQ(FetchAdText(server.Url()), "") << '"' << body << '"';
  }
  // An error page still comes with a body; it is not an advertisement.
  server.Respond(404, "<html><body>Not Found</body></html>");
  const AdBody page = FetchAdBody(server.Url());
  EXPECT_EQ(page.error, 0u);
  EXPECT_EQ(page.bytes, "<html><body>Not Found</body></html>");
  EXPECT_EQ(FetchAdText(server.Url()), "");
}

TEST(FetchAdText, SendsTheAgentAndAsksForTheAddress) {
  LocalHttpServer server;
  server.Respond(200, "ADx");
  ASSERT_EQ(FetchAdText(server.Url("/path/ad.txt?x=1")), "x");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /path/ad.txt?x=1 HTTP/1.1\r\n", 0), 0u) << requests[0];
  EXPECT_NE(requests[0].find("User-Agent: Tessavorn\r\n"), std::string::npos) << requests[0];
}

TEST(FetchAdText, ReadsALongBodyWhole) {
  LocalHttpServer server;
  std::string text;
  for (int i = 0; text.size() < 5000; ++i) text += "line " + std::to_string(i) + "\n";
  server.Respond(200, "AD" + text);
  EXPECT_EQ(FetchAdText(server.Url()), text);
}

// A server that never ends its body: fast, the fetch keeps the first
// 64 KiB and closes; slow, the fetch gives up at its limit and its helper
// stops reading and closes too, rather than filling memory until it fails.
TEST(FetchAdText, ABodyThatNeverEndsCostsAtMost64KiBAndTheLimit) {
  const struct {
    DWORD pause_ms;
    DWORD error;
    std::size_t bytes;
  } cases[] = {
      {0, 0, 64 * 1024},
      {20, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT), 0},
  };
  for (const auto& c : cases) {
    LocalHttpServer server;
    server.StreamForever("AD" + std::string(98, 'x'), c.pause_ms);
    const auto start = std::chrono::steady_clock::now();
    const AdBody body = FetchAdBody(server.Url());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(body.error, c.error) << c.pause_ms;
    EXPECT_EQ(body.bytes.size(), c.bytes) << c.pause_ms;
    EXPECT_EQ(body.bytes.rfind("ADxx", 0), body.bytes.empty() ? std::string::npos : 0u);
    EXPECT_LT(seconds, kAdFetchLimitMs / 1000.0 + 1.0) << c.pause_ms;
    // The helper has let go of the connection: the server's next send fails.
    for (int i = 0; i < 60 && (AdFetchStillOut() || server.StreamsDropped() == 0); ++i) Sleep(50);
    EXPECT_FALSE(AdFetchStillOut()) << c.pause_ms;
    EXPECT_EQ(server.StreamsDropped(), 1) << c.pause_ms;
  }
}

TEST(FetchAdText, DecodesTheWholeBodyFromTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 936u) << "the test runs with a Chinese locale";
  LocalHttpServer server;
  // "清理" in GBK is C7 E5 C0 ED. Put the second character across the
  // boundary of the first 1024-byte read: its lead byte is byte 1023.
  std::string body = "AD" + std::string(1019, 'x') + "\xC7\xE5\xC0\xED" + "end";
  ASSERT_EQ(static_cast<unsigned char>(body[1023]), 0xC0);
  server.Respond(200, body);
  EXPECT_EQ(FetchAdText(server.Url()), std::string(1019, 'x') + "清理end");
  server.Respond(200, "AD\xBB\xB6\xD3\xAD\xCA\xB9\xD3\xC3");  // 欢迎使用
  EXPECT_EQ(FetchAdText(server.Url()), "欢迎使用");
}

TEST(FetchAdText, NoServerGivesEmptyTextWithTheConnectionError) {
  // A port that was just free: nothing listens there.
  std::string url;
  {
    LocalHttpServer gone;
    url = gone.Url();
  }
  const AdBody body = FetchAdBody(url);
  EXPECT_EQ(body.error, 12029u);  // ERROR_INTERNET_CANNOT_CONNECT
  EXPECT_EQ(FetchAdText(url), "");
}

TEST(FetchAdText, AServerThatNeverAnswersCostsOnlyTheLimit) {
  {
    LocalHttpServer server;
    server.NeverAnswer();
    const auto start = std::chrono::steady_clock::now();
    const AdBody body = FetchAdBody(server.Url());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(body.bytes.empty());
    EXPECT_EQ(body.error, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
    EXPECT_GE(seconds, kAdFetchLimitMs / 1000.0 * 0.9);
    EXPECT_LT(seconds, kAdFetchLimitMs / 1000.0 + 2.0);
    EXPECT_EQ(FetchAdText(server.Url()), "");
    // While the stuck fetch is still out, another one does not pile up.
    if (AdFetchStillOut()) {
      const auto again = std::chrono::steady_clock::now();
      EXPECT_EQ(FetchAdBody(server.Url()).error, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
      EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - again).count(),
                0.5);
    }
  }
  // The server has gone: the stuck fetch ends and fetching works again.
  for (int i = 0; i < 200 && AdFetchStillOut(); ++i) Sleep(50);
  EXPECT_FALSE(AdFetchStillOut());
  LocalHttpServer server;
  server.Respond(200, "ADback");
  EXPECT_EQ(FetchAdText(server.Url()), "back");
}

}  // namespace
}  // namespace qm::shell
