// Fuzz target for the two routines that read untrusted registry text:
// the rules' readings and FormatValueData. Built for libFuzzer when the
// compiler has it, and otherwise driven by fuzz_driver.cpp.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_target.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "scan/rules.h"
#include "scan/value_format.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

namespace qm_fuzz {

const char* Name() {
  return "fuzz_scan_text";
}

std::vector<std::string> Corpus() {
  return {
      S("\x01\"C:\\Program Files\\App\\app.exe\" /x %1"),
      S("\x01"
        "C:\\X.COMPANY\\a.exe,1;C:\\b.dll"),
      S("\x01"
        "C:C:C:\\\\\\::.EXE.exe.AX"),
      S("\x03\xff\x00\x10"),
      S("\x04\x01"),
      S("\x07"
        "a\0b\0\0\0c\0"),
      S("\x01\xd8\x00\xdc\x00\x00\xd8"),
      S("\x01\xe7\xa8\x8b\xe5\xba\x8f C:\\\xe7\xa8\x8b.exe"),
      S("\x01\xf4\x90\x80\x80\xc0\xaf\xed\xa0\x80"),
      // WTF-8 names: lone surrogates, and a pair split into two forms.
      S("\x01x\xed\xa0\x80\xed\xb0\x80 \xed\xbf\xbf\xef\xbf\xbd"),
  };
}

std::string Alphabet() {
  return S("C:\\.\"/*?<>|,(;% 1EXEDLLAXcom\x00\xe7\xa8\x8b\xff\xd8\xdc");
}

}  // namespace qm_fuzz

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
