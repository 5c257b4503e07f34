#include "cli/answer_line.h"

#include "platform/text.h"

namespace qm::cli {

std::optional<std::string> ReadAnswerLine(std::FILE* in, std::size_t limit) {
  std::string line;
  int c = EOF;
  while ((c = std::fgetc(in)) != EOF && c != '\n') {
    line.push_back(static_cast<char>(c));
    // Room for a CR before the line end; past that the rest stays unread.
    if (line.size() > limit + 1) return std::string();
  }
  if (c == EOF && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > limit) return std::string();  // longer than any answer
  return line;
}

bool IsYes(std::string_view answer) {
  return text::EqualsNoCase(answer, "y") || text::EqualsNoCase(answer, "yes");
}

}  // namespace qm::cli
