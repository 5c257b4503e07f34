#include "platform/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace qm {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The test vectors NIST publishes for SHA-256, the long one given in
// pieces that straddle the 64-byte blocks.
TEST(Sha256, GivesThePublishedDigests) {
  const std::string million(1000000, 'a');
  const struct {
    std::string_view message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
       "opqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sha256Hex(Bytes(c.message)), c.digest) << c.message.size() << " bytes";
  }
  Sha256 pieces;
  for (std::size_t at = 0; at < million.size(); at += 997) {
    pieces.Update(Bytes(std::string_view(million).substr(at, 997)));
  }
  std::string hex;
  for (std::uint8_t b : pieces.Finish()) {
    static constexpr char kHex[] = "0123456789abcdef";
    hex += {kHex[b >> 4], kHex[b & 0xF]};
  }
  EXPECT_EQ(hex, cases[4].digest);
}

// The system's sha256sum as a peer, over random bytes of the lengths
// around the padding's edges and of many blocks.
TEST(Sha256, AgreesWithSha256sum) {
#ifdef _WIN32
  GTEST_SKIP() << "sha256sum is a tool of the Linux host";
#else
  if (std::system("command -v sha256sum >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sha256sum";
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("qm-sha256-" + std::to_string(::getpid()));
  std::mt19937 rng(20261210u);
  for (std::size_t size : {1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 100003u}) {
    std::vector<std::uint8_t> data(size);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(size));
    std::FILE* p = ::popen(("sha256sum '" + file.string() + "'").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char out[65] = {};
    const std::size_t got = std::fread(out, 1, 64, p);
    ::pclose(p);
    ASSERT_EQ(got, 64u);
    EXPECT_EQ(Sha256Hex(data), std::string(out, 64)) << size << " bytes";
  }
  std::filesystem::remove(file);
#endif
}

}  // namespace
}  // namespace qm
