#include "platform/snapshot_gaps.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "tests/platform/registry_dump.h"

namespace qm {
namespace {

std::vector<std::string> Dump(MemoryRegistry& reg) {
  return testing::Dump(reg, kHkeyLocalMachine);
}

// Keys in the live registry's order; those marked '!' are volatile and
// missing from the saved tree, with everything below them.
struct GapCase {
  const char* what;
  std::vector<std::string> keys;
  SnapshotGapLimits limits;
  bool filled;  // whether the snapshot then holds all the live keys
};

class SnapshotGapsTest : public ::testing::TestWithParam<GapCase> {};

TEST_P(SnapshotGapsTest, ReadsTheMissingKeysLiveWhereTheyAreListed) {
  const GapCase& c = GetParam();
  MemoryRegistry live;
  MemoryRegistry snapshot;
  std::vector<std::string> volatile_tops;
  for (std::string key : c.keys) {
    const bool is_volatile = key[0] == '!';
    if (is_volatile) key.erase(0, 1);
    live.SetBinary(kHkeyLocalMachine, key, "v", std::vector<std::uint8_t>(key.begin(), key.end()));
    bool below_volatile = is_volatile;
    for (const std::string& top : volatile_tops) {
      below_volatile = below_volatile || key.rfind(top + "\\", 0) == 0;
    }
    if (is_volatile) volatile_tops.push_back(key);
    if (!below_volatile) {
      snapshot.SetBinary(kHkeyLocalMachine, key, "v",
                         std::vector<std::uint8_t>(key.begin(), key.end()));
    }
  }
  const std::vector<std::string> before = Dump(snapshot);
  ASSERT_NE(before, Dump(live)) << "the snapshot lacks keys to begin with";

  const SnapshotGaps gaps = FillSnapshotGaps(
      live, [&live](RegKey k) { return live.SubkeyCount(k); }, snapshot, kHkeyLocalMachine,
      c.limits);

  EXPECT_EQ(Dump(snapshot), c.filled ? Dump(live) : before);
  EXPECT_LE(gaps.compared, c.limits.max_compared);
  EXPECT_EQ(live.OpenHandles(), 0u);
  EXPECT_EQ(snapshot.OpenHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotGapsTest,
    ::testing::Values(
        GapCase{"a key between its saved siblings", {"A", "!B", "!B\\x\\y", "C"}, {}, true},
        GapCase{"a key deep below small keys",
                {"S\\C\\D\\E", "!S\\C\\D\\E\\Vol\\Ctl", "!S\\C\\D\\E\\W", "S\\C\\D\\F"},
                {},
                true},
        GapCase{"the subkeys of a saved key", {"N", "!N\\1", "!N\\2", "N0"}, {}, true},
        GapCase{"first of its siblings, at the root", {"!A", "B", "C"}, {}, true},
        GapCase{"below a key with more subkeys than are compared",
                {"K\\0", "K\\1", "K\\2", "!K\\1\\v"},
                {.max_fan = 2, .max_compared = 100},
                false},
        GapCase{"farther than the keys compared",
                {"P\\Q\\R", "!P\\Q\\R\\v"},
                {.max_fan = 64, .max_compared = 3},
                false}),
    [](const ::testing::TestParamInfo<GapCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
      }
      return name;
    });

}  // namespace
}  // namespace qm
