#include "repair/backup_seal.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/sha256.h"

namespace qm {

namespace {

constexpr std::string_view kPrefix = "; Quillmar backup: ";
constexpr std::string_view kMiddle = " values, SHA-256 ";

// The file's text unit by unit, without decoding: bytes of a REGEDIT4
// file, UTF-16 units of a version-5 one. Only ASCII is ever looked at.
struct Units {
  explicit Units(std::span<const std::uint8_t> bytes)
      : bytes_(bytes),
        wide_(RegFileFormatOf(bytes) == RegFileFormat::kVersion5),
        start_(wide_ ? 2 : 0) {}
  [[nodiscard]] std::size_t size() const { return (bytes_.size() - start_) / (wide_ ? 2 : 1); }
  [[nodiscard]] char16_t operator[](std::size_t i) const {
    if (!wide_) return bytes_[i];
    return static_cast<char16_t>(bytes_[start_ + 2 * i] | bytes_[start_ + 2 * i + 1] << 8);
  }
  [[nodiscard]] std::size_t ByteOffset(std::size_t i) const { return start_ + i * (wide_ ? 2 : 1); }
  [[nodiscard]] bool StartsWith(std::size_t i, std::string_view ascii) const {
    if (i > size() || size() - i < ascii.size()) return false;
    for (std::size_t k = 0; k < ascii.size(); ++k) {
      if ((*this)[i + k] != static_cast<unsigned char>(ascii[k])) return false;
    }
    return true;
  }

  std::span<const std::uint8_t> bytes_;
  bool wide_;
  std::size_t start_;
};

SealCheck Damaged(std::string why) {
  return {SealVerdict::kDamaged, 0, std::move(why)};
}

std::optional<std::uint8_t> HexByte(char16_t high, char16_t low) {
  const auto digit = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
  };
  if (digit(high) < 0 || digit(low) < 0) return std::nullopt;
  return static_cast<std::uint8_t>(digit(high) << 4 | digit(low));
}

}  // namespace

void SealBackup(RegFileBytes& file, std::size_t values) {
  const std::string line =
      "\r\n" + std::string(kPrefix) + std::to_string(values) + std::string(kMiddle);
  const bool wide = file.format == RegFileFormat::kVersion5;
  const auto append = [&](std::string_view ascii) {
    for (char c : ascii) {
      file.bytes.push_back(static_cast<std::uint8_t>(c));
      if (wide) file.bytes.push_back(0);
    }
  };
  append(line.substr(0, 2));
  const std::string digest = Sha256Hex(file.bytes);
  append(line.substr(2));
  append(digest);
  append("\r\n");
}

SealCheck CheckBackupSeal(std::span<const std::uint8_t> bytes) {
  const Units text(bytes);
  std::vector<std::size_t> starts;  // where each line starts
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == 0 || text[i - 1] == u'\n') starts.push_back(i);
  }
  std::optional<std::size_t> seal;
  std::size_t values = 0;
  for (std::size_t start : starts) {
    if (text.StartsWith(start, kPrefix)) {
      if (seal) return Damaged("it has more than one check line");
      seal = start;
    } else if (!seal && (text[start] == u'"' || text[start] == u'@')) {
      ++values;
    }
  }
  if (!seal) return {};
  if (*seal != starts.back() || text.ByteOffset(text.size()) != bytes.size()) {
    return Damaged("its check line is not its last line");
  }
  // "<count> values, SHA-256 <digest>" CR LF, and nothing else.
  std::size_t at = *seal + kPrefix.size();
  std::size_t count = 0;
  const std::size_t digits_from = at;
  while (at < text.size() && text[at] >= u'0' && text[at] <= u'9' && at - digits_from < 9) {
    count = count * 10 + (text[at++] - u'0');
  }
  Sha256::Digest written{};
  bool form = at > digits_from && text.StartsWith(at, kMiddle);
  at += kMiddle.size();
  for (std::size_t i = 0; form && i < written.size(); ++i, at += 2) {
    const auto b = at + 1 < text.size() ? HexByte(text[at], text[at + 1]) : std::nullopt;
    if (!b) form = false;
    if (b) written[i] = *b;
  }
  if (!form || text.size() != at + 2 || !text.StartsWith(at, "\r\n")) {
    return Damaged("its check line is not in the form the program writes");
  }
  Sha256 hash;
  hash.Update(bytes.first(text.ByteOffset(*seal)));
  if (hash.Finish() != written) {
    return Damaged(
        "its text does not match the SHA-256 in its check line: it changed after it was written");
  }
  if (count != values) {
    return Damaged("it holds " + std::to_string(values) + " values where its check line says " +
                   std::to_string(count));
  }
  return {SealVerdict::kIntact, count, {}};
}

}  // namespace qm
