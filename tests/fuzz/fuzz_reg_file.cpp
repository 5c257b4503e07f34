// Fuzz target for the backup file reader, which reads files from disk that
// anyone may have edited. Whatever it accepts must survive the writer and
// read back the same: the two agree on every value the reader can yield.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "fuzz_target.h"
#include "repair/code_page.h"
#include "repair/reg_file.h"
#include "repair/reg_file_reader.h"
#include "testing/ascii_code_page.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Same(const qm::BackupEntry& a, const qm::BackupEntry& b) {
  return a.key == b.key && a.value.name == b.value.name && a.value.type == b.value.type &&
         a.value.data == b.value.data;
}

}  // namespace

namespace qm_fuzz {

namespace {

// Selector byte 0, the mark, and the text as UTF-16LE after the header.
std::string Version5(std::u16string_view body) {
  std::string out("\0\xff\xfe", 3);
  for (char16_t c : u"Windows Registry Editor Version 5.00\r\n" + std::u16string(body)) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

}  // namespace

const char* Name() {
  return "fuzz_reg_file";
}

std::vector<std::string> Corpus() {
  return {
      S("\x00REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\App\\Run]\r\n"
        "\"Tool\"=\"C:\\\\Old \\\"x\\\"\\\\tool.exe\"\r\n@=\"d\"\r\n\"d\"=dword:deadbeef\r\n"
        "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        "  17,18,19\r\n\"x\"=hex(2):25,50,41,54,48,25,00\r\n\"m\"=hex(7):61,00,e9,00,00\r\n"),
      S("\x01REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\]\r\n\"n\"=hex(0):\r\n\"t\"=hex(1234):09\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\A]B]\r\n\"@\"=\"\"\r\n"),
      Version5(u"\r\n[HKEY_USERS\\\u8F2F]\r\n\"\u540D\"=hex(1):61,00,62\r\n"
               u"\"\xD800\"=\"\xDC00\\\\\\\"\"\r\n\"m\"=hex(7):61,00,0a,00,\\\r\n  00,00\r\n"),
  };
}

std::string Alphabet() {
  return S("[]\"\\=@,:;- \r\n\thex(dword:0123456789abcdefABCDEF\x00\xff\xfe\xe9\x80\xd8\xdc");
}

}  // namespace qm_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the code page; the rest is the file.
  qm::Windows1252CodePage western;
  qm::testing::AsciiCodePage ascii;
  qm::AnsiCodePage& cp = data[0] % 2 == 0 ? static_cast<qm::AnsiCodePage&>(western) : ascii;
  const std::span<const std::uint8_t> file(data + 1, size - 1);

  const qm::RegFileReadResult read = qm::ReadRegFile(file, cp);
  if (!read.content) {
    Check(!read.error.empty());
    return 0;
  }
  const std::vector<qm::BackupEntry>& entries = read.content->entries;
  for (const qm::BackupEntry& e : entries) Check(qm::CanWriteEntry(e));
  const qm::RegFileBytes again = qm::BuildRegFile(entries, cp);
  const qm::RegFileReadResult back = qm::ReadRegFile(again.bytes, cp);
  Check(back.content.has_value());
  Check(back.content->entries.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    Check(Same(back.content->entries[i], entries[i]));
  return 0;
}
