#include "cli/answer_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace qm::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

TEST(AnswerLine, ReadsOneShortLineAndNeverMoreThanItsBound) {
  const struct {
    std::string input;
    std::optional<std::string> answer;
    long most_read;  // bytes taken from the input at most
  } cases[] = {
      {"yes\nrest", "yes", 4},
      {"Y\r\n", "Y", 3},
      {"y", "y", 1},
      {"\n", "", 1},
      {"", std::nullopt, 0},
      {std::string(kAnswerLimit, 'y') + "\r\n", std::string(kAnswerLimit, 'y'),
       static_cast<long>(kAnswerLimit) + 2},
      // A line longer than any answer is none, and its rest stays unread:
      // standard input of endless zero bytes cannot make it grow.
      {std::string(kAnswerLimit + 1, 'y') + "\n", "", static_cast<long>(kAnswerLimit) + 2},
      {std::string(1 << 20, '\0'), "", static_cast<long>(kAnswerLimit) + 2},
  };
  for (const auto& c : cases) {
    std::unique_ptr<std::FILE, FileCloser> f(std::tmpfile());
    ASSERT_TRUE(f);
    std::fwrite(c.input.data(), 1, c.input.size(), f.get());
    std::rewind(f.get());
    EXPECT_EQ(ReadAnswerLine(f.get()), c.answer) << c.input.substr(0, 80);
    EXPECT_LE(std::ftell(f.get()), c.most_read) << c.input.substr(0, 80);
  }
}

}  // namespace
}  // namespace qm::cli
