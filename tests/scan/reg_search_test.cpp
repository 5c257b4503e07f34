#include "scan/reg_search.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/memory_registry.h"
#include "tests/scan/search_recorder.h"

namespace qm {
namespace {

using testing::SearchRecorder;
using Lines = std::vector<std::string>;
constexpr std::int32_t kHkcu = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kHklm = static_cast<std::int32_t>(0x80000002u);

class SearchTest : public ::testing::Test {
 protected:
  void Run(std::int32_t root, std::string sub, std::string text, std::int32_t flags) {
    search.RootKey(root);
    search.SubKey(std::move(sub));
    search.SearchString(text);
    search.SearchFlags(flags);
    search.DoSearch();
    EXPECT_EQ(reg.OpenHandles(), 0u) << "every opened key must be closed";
  }

  MemoryRegistry reg;
  SearchRecorder rec;
  int yields = 0;
  std::function<void()> on_yield;
  cRegSearch search{reg, rec, [this] {
                      ++yields;
                      if (on_yield) on_yield();
                    }};
};

TEST_F(SearchTest, WalksDepthFirstPreOrderWithValuesBeforeSubkeys) {
  reg.SetString(kHkeyCurrentUser, "T\\A", "v1", "C:\\a.exe");
  reg.SetString(kHkeyCurrentUser, "T\\A\\A1", "v2", "C:\\b.exe");
  reg.SetString(kHkeyCurrentUser, "T\\B", "C:\\name.dll", "x");
  Run(kHkcu, "T", "c:", 3);
  EXPECT_EQ(rec.log, (Lines{
                         "key HKEY_CURRENT_USER\\T\\A",
                         "found HKEY_CURRENT_USER|T\\A\\v1|C:\\a.exe|2",
                         "key HKEY_CURRENT_USER\\T\\A\\A1",
                         "found HKEY_CURRENT_USER|T\\A\\A1\\v2|C:\\b.exe|2",
                         "key HKEY_CURRENT_USER\\T\\B",
                         "found HKEY_CURRENT_USER|T\\B\\C:\\name.dll|x|1",
                         "finished 0",
                     }));
  // One yield per subkey reached and one more as each of the four listings ends.
  EXPECT_EQ(yields, 3 + 4);
}

// The walk passes a missing start key over; its owner still learns of it,
// and of each find's type.
TEST_F(SearchTest, TellsTheStartKeysOpenedAndTheTypeOfEachFind) {
  reg.SetString(kHkeyCurrentUser, "T\\A", "sz", "C:\\a.exe");
  reg.SetMultiString(kHkeyCurrentUser, "T\\A", "multi", {"C:\\b.exe"});
  reg.CreateKey(kHkeyCurrentUser, "T\\C:\\key.exe");
  reg.CreateKey(kHkeyCurrentUser, "Locked");
  reg.FailOpen(kHkeyCurrentUser, "Locked", kRegAccessDenied);
  std::vector<std::uint32_t> types;
  rec.on_found = [&](std::string_view, std::int32_t) {
    types.push_back(search.FoundType());
    return 0;
  };
  const struct {
    std::int32_t root;
    const char* sub;
    int opened;
    RegStatus failure;
    std::vector<std::uint32_t> types;  // in the walk's order
  } cases[] = {
      {kHkcu, "T", 1, kRegOk, {kRegSz, kRegMultiSz, kRegNone}},
      {kHkcu, "T\\Missing", 0, kRegFileNotFound, {}},
      {kHkcu, "Locked", 0, kRegAccessDenied, {}},
      // All seven roots: only one holds T.
      {0, "T", 1, kRegFileNotFound, {kRegSz, kRegMultiSz, kRegNone}},
      {0, "Nowhere", 0, kRegFileNotFound, {}},
  };
  for (const auto& c : cases) {
    types.clear();
    Run(c.root, c.sub, "c:", kSearchValueNames | kSearchValueData);
    EXPECT_EQ(search.StartKeysOpened(), c.opened) << c.root << " " << c.sub;
    EXPECT_EQ(search.StartKeyFailure(), c.failure) << c.root << " " << c.sub;
    EXPECT_EQ(types, c.types) << c.root << " " << c.sub;
  }
}

TEST_F(SearchTest, AllRootsVisitTheStartPathUnderEachRootInTableOrder) {
  reg.CreateKey(kHkeyLocalMachine, "SOFTWARE\\M");
  reg.CreateKey(kHkeyClassesRoot, "SOFTWARE\\C");
  reg.CreateKey(kHkeyUsers, "SOFTWARE\\U");
  reg.CreateKey(kHkeyCurrentUser, "Other\\X");  // no SOFTWARE here: skipped silently
  reg.RemoveRoot(0x80000006u);
  Run(0, "SOFTWARE", "zzz", 3);
  EXPECT_EQ(rec.log,
            (Lines{"key HKEY_CLASSES_ROOT\\SOFTWARE\\C", "key HKEY_LOCAL_MACHINE\\SOFTWARE\\M",
                   "key HKEY_USERS\\SOFTWARE\\U", "finished 0"}));
}

TEST_F(SearchTest, ValuesOfTheStartKeyAreReadOnlyForASingleRoot) {
  reg.SetString(kHkeyCurrentUser, "", "rootvalue", "C:\\r.exe");
  reg.SetString(kHkeyCurrentUser, "S", "startvalue", "C:\\s.exe");
  reg.SetString(kHkeyCurrentUser, "S\\K", "", "C:\\k.exe");
  Run(0, "S", "C:", 3);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|S\\K\\|C:\\k.exe|2"}));

  rec.log.clear();
  Run(kHkcu, "S", "C:", 3);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|S\\startvalue|C:\\s.exe|2",
                                      "found HKEY_CURRENT_USER|S\\K\\|C:\\k.exe|2"}));

  // The root itself as start key: its values carry "\" and the name.
  rec.log.clear();
  Run(kHkcu, "", "r.exe", 3);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|\\rootvalue|C:\\r.exe|2"}));
}

TEST_F(SearchTest, KeyNamesAreTestedWhateverTheFlags) {
  reg.CreateKey(kHkeyCurrentUser, "T\\has C: inside");
  reg.SetString(kHkeyCurrentUser, "T\\has C: inside", "C:\\v", "C:\\d");
  Run(kHkcu, "T", "c:", 0);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\has C: inside|*|0"}));
}

TEST_F(SearchTest, FindsCarryTheValueNameOnItsOwn) {
  reg.SetString(kHkeyCurrentUser, "T\\K", "C:\\dir\\x.dll", "C:\\dir\\x.dll");
  reg.SetString(kHkeyCurrentUser, "T\\K", "", "C:\\default.exe");
  reg.CreateKey(kHkeyCurrentUser, "T\\C:key");
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.Only("found"),
            (Lines{"found HKEY_CURRENT_USER|T\\K\\C:\\dir\\x.dll|C:\\dir\\x.dll|1",
                   "found HKEY_CURRENT_USER|T\\K\\C:\\dir\\x.dll|C:\\dir\\x.dll|2",
                   "found HKEY_CURRENT_USER|T\\K\\|C:\\default.exe|2",
                   "found HKEY_CURRENT_USER|T\\C:key|*|0"}));
  EXPECT_EQ(rec.names, (Lines{"C:\\dir\\x.dll", "C:\\dir\\x.dll", "", ""}));
}

TEST_F(SearchTest, NameAndDataMatchesAreReportedInThatOrder) {
  reg.SetString(kHkeyCurrentUser, "T", "C:\\x.exe", "C:\\x.exe /run");
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\C:\\x.exe|C:\\x.exe /run|1",
                                      "found HKEY_CURRENT_USER|T\\C:\\x.exe|C:\\x.exe /run|2"}));
  rec.log.clear();
  Run(kHkcu, "T", "C:", 1);
  EXPECT_EQ(rec.Only("found").size(), 1u);
  rec.log.clear();
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\C:\\x.exe|C:\\x.exe /run|2"}));
}

TEST_F(SearchTest, DataTextFollowsTheFormattingTable) {
  reg.SetString(kHkeyCurrentUser, "T", "expand", "C:\\x.exe", kRegExpandSz);
  reg.SetMultiString(kHkeyCurrentUser, "T", "multi", {"first", "C:\\second.exe"});
  reg.SetBinary(kHkeyCurrentUser, "T", "empty", {});
  reg.SetDword(kHkeyCurrentUser, "T", "dw", 26);
  Run(kHkcu, "T", "C:", 2);
  EXPECT_TRUE(rec.Only("found").empty()) << "expand strings and later strings are not text";

  rec.log.clear();
  Run(kHkcu, "T", "unsupported", 2);
  EXPECT_EQ(rec.Only("found"),
            (Lines{"found HKEY_CURRENT_USER|T\\expand|Temporarily unsupported|2"}));
  rec.log.clear();
  Run(kHkcu, "T", "0", 2);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\empty|00|2",
                                      "found HKEY_CURRENT_USER|T\\dw|0x0000001A(26)|2"}));
}

TEST_F(SearchTest, StringDataAreMatchedOnlyUpToTheirFirstNul) {
  // "abc", NUL, "C:\\x.exe": the text is "abc" and does not hold the drive.
  reg.SetBinary(kHkeyCurrentUser, "T", "hidden",
                {'a', 0, 'b', 0, 'c', 0, 0, 0, 'C', 0, ':', 0, '\\', 0, 'x', 0}, kRegSz);
  // U+3A43 is the bytes 43 3A: 'C' and ':' but not the text "C:".
  reg.SetBinary(kHkeyCurrentUser, "T", "lookalike", {0x43, 0x3A, 0x43, 0x3A, 0, 0}, kRegSz);
  reg.SetBinary(kHkeyCurrentUser, "T", "odd", {'x', 0, 'c', 0, ':', 0, 'y'}, kRegSz);
  reg.SetString(kHkeyCurrentUser, "T", "lower", "c:\\a.exe");
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\odd|xc:|2",
                                      "found HKEY_CURRENT_USER|T\\lower|c:\\a.exe|2"}));
}

TEST_F(SearchTest, WholeTextMatchAndEmptySearchText) {
  reg.SetString(kHkeyCurrentUser, "T", "a", "c:\\X");
  reg.SetString(kHkeyCurrentUser, "T", "b", "C:\\X more");
  reg.SetString(kHkeyCurrentUser, "T", "c", "");
  Run(kHkcu, "T", "C:\\x", 2 | 4);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\a|c:\\X|2"}));
  rec.log.clear();
  Run(kHkcu, "T", "", 2);
  EXPECT_EQ(rec.Only("found").size(), 2u) << "an empty search text matches non-empty texts";
}

TEST_F(SearchTest, CaseIsIgnoredBeyondAscii) {
  reg.SetString(kHkeyCurrentUser, "T", "v", "Ärger über ÉCOLE");
  Run(kHkcu, "T", "äRGER", 2);
  EXPECT_EQ(rec.Only("found").size(), 1u);
  rec.log.clear();
  Run(kHkcu, "T", "école", 2);
  EXPECT_EQ(rec.Only("found").size(), 1u);
}

TEST_F(SearchTest, ALargeValueDoesNotHideItsKeysOtherValues) {
  std::string big(5000, 'x');
  big.replace(4000, 9, "C:\\big.exe");
  reg.SetString(kHkeyCurrentUser, "T", "big", big);
  reg.SetString(kHkeyCurrentUser, "T", std::string(300, 'n'), "C:\\long-name.exe");
  reg.SetString(kHkeyCurrentUser, "T", "after", "C:\\after.exe");
  Run(kHkcu, "T", "C:", 2);
  const Lines found = rec.Only("found");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_NE(found[0].find("|T\\big|"), std::string::npos);
  EXPECT_NE(found[2].find("|T\\after|C:\\after.exe|2"), std::string::npos);
}

TEST_F(SearchTest, StopWindsDownOpenLevelsWithoutDescending) {
  // T has subkeys A (with A1, A2) and B, C:x, D; stop while inside A1.
  reg.CreateKey(kHkeyCurrentUser, "T\\A\\A1\\deep");
  reg.CreateKey(kHkeyCurrentUser, "T\\A\\A2 C:");
  reg.CreateKey(kHkeyCurrentUser, "T\\B\\B1");
  reg.CreateKey(kHkeyCurrentUser, "T\\C:x");
  reg.SetString(kHkeyCurrentUser, "T\\C:x", "v", "C:\\never.exe");
  rec.on_key = [this](std::string_view full) {
    if (full == "HKEY_CURRENT_USER\\T\\A\\A1") search.StopSearch();
    return 0;
  };
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.log, (Lines{
                         "key HKEY_CURRENT_USER\\T\\A",
                         "key HKEY_CURRENT_USER\\T\\A\\A1",
                         // A1 is not entered; A's listing goes on testing names only.
                         "found HKEY_CURRENT_USER|T\\A\\A2 C:|*|0",
                         "found HKEY_CURRENT_USER|T\\C:x|*|0",
                         "finished 1",
                     }));
  // Yields went on during the wind-down: T lists A, B, C:x and its end (4);
  // A lists A1, A2 and its end (3).
  EXPECT_EQ(yields, 7);

  rec.log.clear();
  rec.on_key = nullptr;
  Run(kHkcu, "T", "never", 2);
  EXPECT_EQ(rec.Only("found").size(), 1u) << "the next walk runs normally";
  EXPECT_EQ(rec.reasons.back(), 0);
}

TEST_F(SearchTest, StopWhileIdleMakesTheNextWalkReportOnlyTheStop) {
  reg.SetString(kHkeyCurrentUser, "T\\K", "v", "C:\\a.exe");
  search.StopSearch();
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.log, (Lines{"finished 1"}));
  rec.log.clear();
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.log.back(), "finished 0");
  EXPECT_EQ(rec.log.size(), 3u);
}

TEST_F(SearchTest, StopInTheAllRootsWalkSkipsTheRemainingRoots) {
  reg.CreateKey(kHkeyClassesRoot, "K");
  reg.CreateKey(kHkeyCurrentUser, "K");
  on_yield = [this] { search.StopSearch(); };
  Run(0, "", "zzz", 3);
  EXPECT_EQ(rec.log, (Lines{"finished 1"}));
}

TEST_F(SearchTest, StopFromAFoundHandlerLetsTheValuePassFinishItsKey) {
  reg.SetString(kHkeyCurrentUser, "T\\K", "a", "C:\\1");
  reg.SetString(kHkeyCurrentUser, "T\\K", "b", "C:\\2");
  reg.CreateKey(kHkeyCurrentUser, "T\\K\\Sub");
  rec.on_found = [this](std::string_view, std::int32_t) {
    search.StopSearch();
    return 0;
  };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.Only("found").size(), 2u);
  EXPECT_EQ(rec.Only("key").size(), 1u) << "K's own subkeys are not listed after the stop";
  EXPECT_EQ(rec.reasons.back(), 1);
}

TEST_F(SearchTest, HandlerFailuresEndTheWalkWithTheirCode) {
  reg.SetString(kHkeyCurrentUser, "T\\K1", "a", "C:\\1");
  reg.SetString(kHkeyCurrentUser, "T\\K1", "b", "C:\\2");
  reg.SetString(kHkeyCurrentUser, "T\\K2", "c", "C:\\3");

  rec.on_found = [](std::string_view, std::int32_t) { return 91; };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.Only("found").size(), 1u) << "a failing handler ends its key's value pass";
  EXPECT_EQ(rec.Only("key").size(), 1u);
  EXPECT_EQ(rec.reasons.back(), 91);

  rec.log.clear();
  rec.on_found = [](std::string_view, std::int32_t) { return 1; };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.reasons.back(), kSearchHandlerFailed) << "1 must not read as a stop";

  rec.log.clear();
  rec.on_found = [](std::string_view, std::int32_t) -> int { throw std::runtime_error("x"); };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.reasons.back(), kSearchInternalFault);

  rec.log.clear();
  rec.on_found = nullptr;
  rec.on_key = [](std::string_view) -> int { throw std::bad_alloc(); };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.reasons.back(), kSearchOutOfMemory);

  rec.log.clear();
  rec.on_key = nullptr;
  on_yield = [] { throw std::logic_error("yield"); };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.log, (Lines{"finished 51"}));
}

TEST_F(SearchTest, AFailureOverwritesAPendingStop) {
  reg.SetString(kHkeyCurrentUser, "T\\K", "a", "C:\\1");
  reg.SetString(kHkeyCurrentUser, "T\\K", "b", "C:\\2");
  int calls = 0;
  rec.on_found = [&](std::string_view, std::int32_t) {
    if (++calls == 1) {
      search.StopSearch();
      return 0;
    }
    return 77;
  };
  Run(kHkcu, "T", "C:", 2);
  EXPECT_EQ(rec.reasons, (std::vector<std::int32_t>{77}));
}

TEST_F(SearchTest, KeysThatCannotBeOpenedAreSkippedWithTheirSubtree) {
  reg.SetString(kHkeyCurrentUser, "T\\Locked\\Inner", "v", "C:\\hidden.exe");
  reg.SetString(kHkeyCurrentUser, "T\\Open", "v", "C:\\seen.exe");
  reg.FailOpen(kHkeyCurrentUser, "T\\Locked", kRegAccessDenied);
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.Only("found"), (Lines{"found HKEY_CURRENT_USER|T\\Open\\v|C:\\seen.exe|2"}));
  EXPECT_EQ(rec.Only("key").size(), 2u) << "the locked key is still announced as reached";
}

TEST_F(SearchTest, AKeyDeletedDuringTheWalkEndsItsListingQuietly) {
  reg.SetString(kHkeyCurrentUser, "T\\Earlier", "v", "C:\\earlier.exe");
  for (int i = 0; i < 5; ++i) reg.CreateKey(kHkeyCurrentUser, "T\\Gone\\K" + std::to_string(i));
  rec.on_key = [this](std::string_view full) {
    if (full == "HKEY_CURRENT_USER\\T\\Gone\\K1") (void)reg.DeleteKey(kHkeyCurrentUser, "T\\Gone");
    return 0;
  };
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.reasons.back(), 0);
  EXPECT_EQ(rec.Only("found").size(), 1u);
  // K1 cannot be opened any more and Gone's listing ends at once.
  EXPECT_EQ(rec.Only("key"),
            (Lines{"key HKEY_CURRENT_USER\\T\\Earlier", "key HKEY_CURRENT_USER\\T\\Gone",
                   "key HKEY_CURRENT_USER\\T\\Gone\\K0", "key HKEY_CURRENT_USER\\T\\Gone\\K1"}));
}

TEST_F(SearchTest, HostileNamesAndDeepNestingDoNotBreakTheWalk) {
  std::string path = "T";
  for (int i = 0; i < 512; ++i) path += "\\" + std::string(i % 2 ? 255 : 3, 'k');
  reg.SetString(kHkeyCurrentUser, path, "deep", "C:\\deep.exe");
  reg.CreateKey(kHkeyCurrentUser, std::string("T\\nul\0tail", 10));
  reg.SetBinary(kHkeyCurrentUser, "T", std::string("v\0x", 3), {'C', ':'});
  Run(kHkcu, "T", "C:", 3);
  EXPECT_EQ(rec.reasons.back(), 0);
  const Lines found = rec.Only("found");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].find("\\deep|C:\\deep.exe|2"), std::string::npos);
  EXPECT_EQ(rec.Only("key").size(), 513u);
}

TEST_F(SearchTest, PropertyChangesDuringAYieldCountFromTheirNextUse) {
  reg.SetString(kHkeyCurrentUser, "T\\A", "v", "needle");
  reg.SetString(kHkeyCurrentUser, "T\\B", "v", "other");
  rec.on_key = [this](std::string_view full) {
    if (full == "HKEY_CURRENT_USER\\T\\B") search.SearchString("other");
    return 0;
  };
  Run(kHkcu, "T", "needle", 2);
  EXPECT_EQ(rec.Only("found").size(), 2u);
}

TEST_F(SearchTest, DestructionDuringIdleIsHarmless) {
  auto s = std::make_unique<cRegSearch>(reg, rec);
  s->StopSearch();
  s.reset();
  EXPECT_TRUE(rec.log.empty());
}

}  // namespace
}  // namespace qm
