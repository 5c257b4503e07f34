#include "platform/linux/hive_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/linux/handles.h"
#include "testing/linux/hive_fixture.h"
#include "tests/support/temp_folder.h"

namespace qm::posix {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The value as hivex reads it back from the file, or nothing; for the name
// "\x01key", an empty value when the key is there.
std::optional<RegValue> ValueInHive(const std::string& file, const std::string& key,
                                    const std::string& name) {
  const posix::UniqueHive hive(hivex_open(file.c_str(), 0));
  if (!hive) return std::nullopt;
  hive_h* h = hive.Get();
  hive_node_h node = hivex_root(h);
  for (std::size_t pos = 0; node != 0 && pos < key.size();) {
    std::size_t end = key.find('\\', pos);
    if (end == std::string::npos) end = key.size();
    node = hivex_node_get_child(h, node, key.substr(pos, end - pos).c_str());
    pos = end + 1;
  }
  std::optional<RegValue> out;
  if (node != 0 && name == "\x01key") out = RegValue{};  // the key alone is asked for
  const hive_value_h v = node != 0 ? hivex_node_get_value(h, node, name.c_str()) : 0;
  if (v != 0) {
    hive_type t{};
    std::size_t len = 0;
    char* data = hivex_value_value(h, v, &t, &len);
    out = RegValue{
        name, static_cast<std::uint32_t>(t),
        Bytes(reinterpret_cast<std::uint8_t*>(data), reinterpret_cast<std::uint8_t*>(data) + len)};
    std::free(data);
  }
  return out;
}

class HiveWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = qm::testing::MakeTempFolder("qm-hivew");
    ASSERT_FALSE(dir_.empty());
    file_ = dir_ / "SOFTWARE";
    ASSERT_TRUE(testing::MakeHive(file_, {{"Run",
                                           {testing::StringValue("Gone", "C:\\gone.exe"),
                                            testing::StringValue("Kept", "C:\\kept.exe")}}}));
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::string file_;
};

TEST_F(HiveWriterTest, ChangesReachTheFileAndTheOriginalIsKeptOnce) {
  const Bytes original = ReadAll(file_);
  const RegValue odd{"Odd", 1, {0x41, 0x00, 0x42}};  // a string without its NUL, odd length
  struct Case {
    HiveChange change;
    const char* key;
    const char* name;
    std::optional<RegValue> after;
  };
  const Case cases[] = {
      {{HiveChange::Kind::kDeleteValue, "Run", {"gone", 0, {}}}, "Run", "Gone", std::nullopt},
      // Already gone, or its key is: nothing to do, no failure.
      {{HiveChange::Kind::kDeleteValue, "Run", {"Gone", 0, {}}}, "Run", "Gone", std::nullopt},
      {{HiveChange::Kind::kDeleteValue, "No\\Such", {"x", 0, {}}}, "No\\Such", "x", std::nullopt},
      {{HiveChange::Kind::kSetValue, "New\\Deep", odd}, "New\\Deep", "Odd", odd},
      {{HiveChange::Kind::kCreateKey, "Made\\Empty", {}}, "Made\\Empty", "", std::nullopt},
  };
  for (const Case& c : cases) {
    const Status r = WriteHive(file_, {c.change});
    ASSERT_TRUE(r.ok()) << r.detail();
    EXPECT_EQ(ValueInHive(file_, c.key, c.name).has_value(), c.after.has_value()) << c.name;
    // A value set or a key made: the key is there, made with its parents.
    if (c.change.kind != HiveChange::Kind::kDeleteValue) {
      EXPECT_TRUE(ValueInHive(file_, c.key, "\x01key").has_value()) << c.key;
    }
    if (c.after) {
      const auto got = ValueInHive(file_, c.key, c.name);
      EXPECT_EQ(got->type, c.after->type);
      EXPECT_EQ(got->data, c.after->data);
    }
  }
  EXPECT_TRUE(ValueInHive(file_, "Run", "Kept").has_value());
  // The first original, not an intermediate one.
  EXPECT_EQ(ReadAll(file_ + kOriginalSuffix), original);
  EXPECT_FALSE(fs::exists(file_ + ".quillmar-new"));
}

TEST_F(HiveWriterTest, AFailedStepLeavesTheHiveAsItWas) {
  const Bytes original = ReadAll(file_);
  const HiveChange del{HiveChange::Kind::kDeleteValue, "Run", {"Gone", 0, {}}};
  const HiveFileSteps interrupted{[](const char*, const char*) {
    errno = EIO;
    return -1;
  }};
  const Status r = WriteHive(file_, {del}, interrupted);
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.detail().find("cannot be renamed over " + file_), std::string::npos) << r.detail();
  EXPECT_EQ(ReadAll(file_), original);
  EXPECT_FALSE(fs::exists(file_ + ".quillmar-new"));
  // A file that is no hive is refused.
  std::ofstream(dir_ / "junk") << "not a hive";
  EXPECT_FALSE(WriteHive(dir_ / "junk", {del}).ok());
}

}  // namespace
}  // namespace qm::posix
