#include "repair/code_page.h"

#include <cstdint>

namespace qm {

namespace {

// Bytes 0x80 to 0x9F of Windows-1252. The five bytes the code page leaves
// undefined map to the C1 control of the same number, as the system does.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> Encode1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::u16string> Windows1252CodePage::Decode(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    const auto u = static_cast<std::uint8_t>(b);
    out.push_back(u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : static_cast<char16_t>(u));
  }
  return out;
}

std::optional<std::string> Windows1252CodePage::Encode(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    const std::optional<char> b = Encode1252(c);
    if (!b) return std::nullopt;
    out.push_back(*b);
  }
  return out;
}

}  // namespace qm
