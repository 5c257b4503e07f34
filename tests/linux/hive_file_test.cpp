#include "platform/linux/hive_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/linux/handles.h"
#include "testing/linux/hive_fixture.h"
#include "tests/support/temp_folder.h"

namespace qm::posix {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t GetU32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// Damaged copies of a small hive: each must give a failure that names the
// file, or a tree read as far as hivex vouches for it; never a crash, an
// endless walk or memory read out of bounds (the suite runs under ASan).
TEST(HiveFile, DamagedHivesFailClearly) {
  const fs::path dir = qm::testing::MakeTempFolder("qm-hive");
  ASSERT_FALSE(dir.empty());
  const std::string good = dir / "good";
  ASSERT_TRUE(testing::MakeHive(
      good, {{"A\\B", {testing::StringValue("v", "C:\\x.exe"), testing::DwordValue("d", 7)}}}));
  std::ifstream in(good, std::ios::binary);
  const Bytes original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Where hivex says the keys are: node handles are file offsets.
  const posix::UniqueHive hive(hivex_open(good.c_str(), 0));
  ASSERT_TRUE(hive);
  hive_h* h = hive.Get();
  const std::size_t root = hivex_root(h);
  const std::size_t b_key = hivex_node_get_child(h, hivex_node_get_child(h, root, "A"), "B");
  const auto nk = [](std::size_t node, std::size_t field) { return node + 4 + field; };

  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    bool must_fail;
  };
  const Case cases[] = {
      {"truncated in the header", [](Bytes& b) { b.resize(300); }, true},
      {"truncated after the header", [](Bytes& b) { b.resize(4096 + 64); }, true},
      {"no bins", [](Bytes& b) { b.resize(4096); }, true},
      {"a subkey list that loops",
       [&](Bytes& b) {
         testing::PutU32(b, nk(b_key, 20), 1);
         testing::PutU32(b, nk(b_key, 28), GetU32(b, nk(root, 28)));
       },
       true},
      {"a huge subkey count", [&](Bytes& b) { testing::PutU32(b, nk(root, 20), 0x7FFFFFFF); },
       true},
      {"a huge value count", [&](Bytes& b) { testing::PutU32(b, nk(b_key, 36), 0x7FFFFFFF); },
       true},
      {"a subkey list past the end",
       [&](Bytes& b) { testing::PutU32(b, nk(root, 28), 0x7FFFFFF0); }, true},
  };
  const std::string bad = dir / "bad";
  const auto check = [&](const std::string& what, const Bytes& bytes, bool must_fail) {
    ASSERT_TRUE(testing::WriteFile(bad, bytes));
    MemoryRegistry into;
    const Result<std::size_t> r = LoadHive(bad, into, kHkeyLocalMachine, "X");
    if (must_fail) {
      EXPECT_FALSE(r.ok()) << what;
    }
    if (!r.ok()) {
      EXPECT_EQ(r.detail().rfind(bad, 0), 0u) << what << ": " << r.detail();
    }
  };
  for (const Case& c : cases) {
    Bytes b = original;
    c.damage(b);
    check(c.what, b, c.must_fail);
  }
  // Every byte of the cells in turn set to all ones (the bin's first
  // kilobyte holds them all; free space follows): whatever hivex makes of
  // it, the read ends with an answer.
  for (std::size_t at = 4096; at < std::min<std::size_t>(original.size(), 4096 + 1024); ++at) {
    Bytes b = original;
    b[at] = 0xFF;
    check("0xFF at " + std::to_string(at), b, false);
  }
  // The undamaged hive reads whole.
  MemoryRegistry into;
  const Result<std::size_t> r = LoadHive(good, into, kHkeyLocalMachine, "X");
  ASSERT_TRUE(r.ok()) << r.detail();
  EXPECT_EQ(r.value(), 3u);
  fs::remove_all(dir);
}

TEST(HiveFile, TheHeaderTellsACleanHiveFromADirtyOne) {
  const fs::path dir = qm::testing::MakeTempFolder("qm-hive");
  ASSERT_FALSE(dir.empty());
  struct Case {
    std::uint32_t primary, secondary;
    bool clean;
  };
  const Case cases[] = {{1, 1, true}, {5, 4, false}, {4, 5, false}};
  for (const Case& c : cases) {
    const std::string file = dir / "h";
    ASSERT_TRUE(testing::WriteFile(file, testing::EmptyHive("ROOT", c.primary, c.secondary)));
    const Result<bool> clean = ReadHiveHeader(file);
    ASSERT_TRUE(clean.ok()) << clean.detail();
    EXPECT_EQ(clean.value(), c.clean) << c.primary << "/" << c.secondary;
  }
  EXPECT_FALSE(ReadHiveHeader(dir / "missing").ok());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qm::posix
