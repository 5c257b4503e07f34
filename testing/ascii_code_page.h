// A code page holding ASCII only, standing for any ANSI code page that
// lacks a character the registry holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "repair/code_page.h"

namespace qm::testing {

class AsciiCodePage final : public AnsiCodePage {
 public:
  std::optional<std::string> Encode(std::u16string_view text) override {
    std::string out;
    for (char16_t c : text) {
      if (c >= 0x80) return std::nullopt;
      out.push_back(static_cast<char>(c));
    }
    return out;
  }
  std::optional<std::u16string> Decode(std::string_view bytes) override {
    std::u16string out;
    for (char b : bytes) {
      if (static_cast<unsigned char>(b) >= 0x80) return std::nullopt;
      out.push_back(static_cast<char16_t>(b));
    }
    return out;
  }
};

}  // namespace qm::testing
