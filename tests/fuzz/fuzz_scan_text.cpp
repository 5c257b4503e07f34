// Fuzz target for the two routines that read untrusted registry text:
// the rules' readings and FormatValueData. Built for libFuzzer when the
// compiler has it, and otherwise driven by fuzz_driver.cpp.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/text.h"
#include "scan/rules.h"
#include "scan/value_format.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // First byte picks the registry type; the rest is the value's data.
  const std::uint32_t type = data[0] % 13;
  const std::uint8_t* body = data + 1;
  const std::size_t n = size - 1;

  const std::string text = qm::FormatValueData(type, body, n);
  if (type == qm::kRegBinary) Check(text.size() == (n ? 3 * n - 1 : 2));
  if (type == qm::kRegDword) Check(text.size() >= 13 && text.compare(0, 2, "0x") == 0);
  Check(text.find('\0') == std::string::npos);

  // The same bytes as UTF-8 text, as names and decoded data reach the rules.
  const std::string_view raw(reinterpret_cast<const char*>(body), n);
  for (const std::string_view drive : {"C:", "Z:"}) {
    for (const std::string_view input : {std::string_view(text), raw}) {
      const std::string path = qm::ExtractFilePath(input, drive);
      Check(path.compare(0, drive.size(), drive) == 0);
      Check(path.find_first_of("/*?\"<>|") == std::string::npos);
      Check(path.find(':', 2) == std::string::npos);
      Check(path.find(" %1") == std::string::npos);
      (void)qm::HasProgramExtension(path);
      // The spelling the file system is asked with is the same path.
      Check(qm::text::UpperCase(qm::ExtractFilePathAsWritten(input, drive)) == path);
      for (const std::string& reading : qm::FurtherReadingsAsWritten(input, drive)) {
        const std::string upper = qm::text::UpperCase(reading);
        Check(upper != path && upper.compare(0, drive.size(), drive) == 0);
        Check(upper.find_first_of("/*?\"<>|") == std::string::npos);
      }
    }
  }
  (void)qm::text::NoCaseFinder(raw.substr(0, 8)).FoundIn(text);

  // Registry names: any UTF-16 survives the trip through WTF-8, and the
  // bytes called WTF-8 are exactly those that survive the trip back.
  std::u16string units(n / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(body[2 * i] | (body[2 * i + 1] << 8));
  }
  Check(qm::text::Utf8ToUtf16(qm::text::Utf16ToWtf8(units)) == units);
  Check(qm::text::IsWtf8(raw) == (qm::text::Utf16ToWtf8(qm::text::Utf8ToUtf16(raw)) == raw));
  Check(qm::text::IsWtf8(qm::text::DisplayUtf8(raw)));
  return 0;
}
