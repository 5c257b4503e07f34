#include "scan/value_format.h"

#include "platform/registry.h"
#include "platform/text.h"

namespace qm {

namespace {

void AppendUtf16Le(std::string& out, const std::uint8_t* data, std::size_t size) {
  const std::size_t units = size / 2;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t u = static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (u == 0) return;
    if (u < 0x80) {  // the common case, kept out of the general encoder
      out.push_back(static_cast<char>(u));
      continue;
    }
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char32_t lo = static_cast<char32_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    text::AppendUtf8(out, u);
  }
}

void AppendDword(std::string& out, const std::uint8_t* data, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4 && i < size; ++i)
    v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "0x";
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kHex[(v >> shift) & 0xF]);
  out.push_back('(');
  out += std::to_string(static_cast<std::int32_t>(v));
  out.push_back(')');
}

void AppendBinary(std::string& out, const std::uint8_t* data, std::size_t size) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.reserve(out.size() + size * 3);
  for (std::size_t i = 0; i < size; ++i) {
    if (i) out.push_back(' ');
    out.push_back(kHex[data[i] >> 4]);
    out.push_back(kHex[data[i] & 0xF]);
  }
}

}  // namespace

void FormatValueDataInto(std::string& out, std::uint32_t type, const std::uint8_t* data,
                         std::size_t size) {
  out.clear();
  static constexpr std::uint8_t kZero = 0;
  if (size == 0 || data == nullptr) {
    data = &kZero;
    size = 1;
  }
  switch (type) {
    case kRegSz:
    case kRegMultiSz:
      AppendUtf16Le(out, data, size);
      break;
    case kRegBinary:
      AppendBinary(out, data, size);
      break;
    case kRegDword:
      AppendDword(out, data, size);
      break;
    default:
      out = kUnsupportedText;
      break;
  }
}

std::vector<std::string> LaterStrings(const StoredData& stored) {
  std::vector<std::string> strings;
  if (stored.type != kRegMultiSz) return strings;
  const std::uint8_t* data = stored.bytes.data();
  const std::size_t units = stored.bytes.size() / 2;
  bool first = true;
  for (std::size_t start = 0; start < units;) {
    std::size_t end = start;
    while (end < units && (data[2 * end] | data[2 * end + 1]) != 0) ++end;
    if (!first && end > start) {
      strings.emplace_back();
      AppendUtf16Le(strings.back(), data + 2 * start, 2 * (end - start));
    }
    first = false;
    start = end + 1;
  }
  return strings;
}

std::string FormatValueData(std::uint32_t type, const std::uint8_t* data, std::size_t size) {
  std::string out;
  FormatValueDataInto(out, type, data, size);
  return out;
}

}  // namespace qm
