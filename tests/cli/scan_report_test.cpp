#include "cli/scan_report.h"

#include <gtest/gtest.h>

namespace qm::cli {
namespace {

ErrorList TwoRows() {
  ErrorList list;
  list.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\App\\Run\\Tool",
               "\"C:\\Old\\tool.exe\" /a,b", true});
  list.Append({"VALUE NAME", "HKEY_LOCAL_MACHINE", "K\\C:\\程序\\x.dll", "C:\\程序\\x.dll", true});
  return list;
}

TEST(ScanReport, JsonCarriesRowsInOrderWithTheirMissingPath) {
  const std::string json = FormatReport(ReportFormat::kJson, {"C:", 0, 42}, TwoRows());
  EXPECT_EQ(
      json,
      "{\"drive\": \"C:\", \"reason\": 0, \"keys\": 42, \"rows\": ["
      "{\"kind\": \"VALUE VALUE\", \"root\": \"HKEY_CURRENT_USER\", \"key\": "
      "\"Software\\\\App\\\\Run\\\\Tool\", \"value\": \"\\\"C:\\\\Old\\\\tool.exe\\\" /a,b\", "
      "\"path\": \"C:\\\\OLD\\\\TOOL.EXE\"}, "
      "{\"kind\": \"VALUE NAME\", \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": "
      "\"K\\\\C:\\\\程序\\\\x.dll\", \"value\": \"C:\\\\程序\\\\x.dll\", \"path\": "
      "\"C:\\\\程序\\\\X.DLL\"}]}\n");
}

TEST(ScanReport, CsvQuotesAsRfc4180) {
  const std::string csv = FormatReport(ReportFormat::kCsv, {"C:", 0, 1}, TwoRows());
  EXPECT_EQ(csv,
            "kind,root,key,value,path\r\n"
            "VALUE VALUE,HKEY_CURRENT_USER,Software\\App\\Run\\Tool,"
            "\"\"\"C:\\Old\\tool.exe\"\" /a,b\",C:\\OLD\\TOOL.EXE\r\n"
            "VALUE NAME,HKEY_LOCAL_MACHINE,K\\C:\\程序\\x.dll,C:\\程序\\x.dll,C:\\程序\\X.DLL\r\n");
  EXPECT_EQ(CsvField("line\nbreak"), "\"line\nbreak\"");
}

TEST(ScanReport, JsonEscapesControlCharacters) {
  EXPECT_EQ(JsonEscape(std::string("a\x01\tb\"\\", 6)), "a\\u0001\\tb\\\"\\\\");
  // An unpaired surrogate of a registry name, carried as WTF-8.
  EXPECT_EQ(JsonEscape("x\xED\xA0\x80|\xED\xBF\xBF"), "x\\ud800|\\udfff");
  EXPECT_EQ(JsonEscape("\xED\x9F\xBF\xF0\x9F\x98\x80"), "\xED\x9F\xBF\xF0\x9F\x98\x80");
}

TEST(ScanReport, TextAlignsColumnsAndStatesTheOutcome) {
  const std::string text = FormatReport(ReportFormat::kText, {"C:", 1, 7}, TwoRows());
  EXPECT_NE(text.find("KIND         ROOT                "), std::string::npos);
  EXPECT_NE(text.find("2 invalid reference(s); 7 keys searched; the scan was stopped.\n"),
            std::string::npos);
  EXPECT_NE(
      FormatReport(ReportFormat::kText, {"C:", 51, 0}, ErrorList{}).find("failed with code 51"),
      std::string::npos);
}

}  // namespace
}  // namespace qm::cli
