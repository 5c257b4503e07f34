#include "cli/scan_report.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace qm::cli {
namespace {

ErrorList TwoRows() {
  ErrorList list;
  list.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\App\\Run\\Tool",
               "\"C:\\Old\\tool.exe\" /a,b", true, "Software\\App\\Run", "Tool", kRegSz});
  list.Append({"VALUE NAME", "HKEY_LOCAL_MACHINE", "K\\C:\\程序\\x.dll", "C:\\程序\\x.dll", true,
               "K", "C:\\程序\\x.dll", kRegExpandSz});
  list.Rows().back().system_setting = true;
  list.Rows().front().category = Category::kStartup;
  return list;
}

TEST(ScanReport, JsonCarriesRowsInOrderWithTheirMissingPath) {
  const std::string json = FormatReport(ReportFormat::kJson, {"C:", 0, 42}, TwoRows());
  EXPECT_EQ(
      json,
      "{\"drive\": \"C:\", \"reason\": 0, \"keys\": 42, \"rows\": ["
      "{\"kind\": \"VALUE VALUE\", \"root\": \"HKEY_CURRENT_USER\", \"key\": "
      "\"Software\\\\App\\\\Run\\\\Tool\", \"value\": \"\\\"C:\\\\Old\\\\tool.exe\\\" /a,b\", "
      "\"path\": \"C:\\\\OLD\\\\TOOL.EXE\", \"key_path\": \"Software\\\\App\\\\Run\", "
      "\"value_name\": \"Tool\", \"type\": \"REG_SZ\", \"system_setting\": false, "
      "\"category\": \"startup\"}, "
      "{\"kind\": \"VALUE NAME\", \"root\": \"HKEY_LOCAL_MACHINE\", \"key\": "
      "\"K\\\\C:\\\\程序\\\\x.dll\", \"value\": \"C:\\\\程序\\\\x.dll\", \"path\": "
      "\"C:\\\\程序\\\\X.DLL\", \"key_path\": \"K\", \"value_name\": \"C:\\\\程序\\\\x.dll\", "
      "\"type\": \"REG_EXPAND_SZ\", \"system_setting\": true, \"category\": \"other\"}]}\n");
}

TEST(ScanReport, CsvQuotesAsRfc4180) {
  const std::string csv = FormatReport(ReportFormat::kCsv, {"C:", 0, 1}, TwoRows());
  EXPECT_EQ(csv,
            "kind,root,key,value,path,key_path,value_name,type,system_setting,category\r\n"
            "VALUE VALUE,HKEY_CURRENT_USER,Software\\App\\Run\\Tool,"
            "\"\"\"C:\\Old\\tool.exe\"\" "
            "/a,b\",C:\\OLD\\TOOL.EXE,Software\\App\\Run,Tool,REG_SZ,false,startup\r\n"
            "VALUE NAME,HKEY_LOCAL_MACHINE,K\\C:\\程序\\x.dll,C:\\程序\\x.dll,C:\\程序\\X.DLL,K,"
            "C:\\程序\\x.dll,REG_EXPAND_SZ,true,other\r\n");
}

// A value "Sub\x" in key "Names" and a value "x" in key "Names\Sub" share
// the joined key text; the rows must still tell them apart.
TEST(ScanReport, RowsWithTheSameJoinedKeyDifferInKeyPathAndValueName) {
  ErrorList list;
  list.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "Names\\Sub\\x", "C:\\a.exe", true, "Names",
               "Sub\\x", kRegSz});
  list.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "Names\\Sub\\x", "C:\\a.exe", true, "Names\\Sub",
               "x", kRegSz});
  const std::string csv = FormatReport(ReportFormat::kCsv, {"C:", 0, 2}, list);
  EXPECT_NE(csv.find(",Names,Sub\\x,REG_SZ,false,other\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",Names\\Sub,x,REG_SZ,false,other\r\n"), std::string::npos) << csv;
  const std::string json = FormatReport(ReportFormat::kJson, {"C:", 0, 2}, list);
  EXPECT_NE(json.find("\"key_path\": \"Names\", \"value_name\": \"Sub\\\\x\""), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"key_path\": \"Names\\\\Sub\", \"value_name\": \"x\""), std::string::npos)
      << json;
}

// Registry names are WTF-8 (an unpaired surrogate as its own three bytes);
// no output is ever invalid UTF-8.
TEST(ScanReport, EscapesKeepEveryOutputValidUtf8) {
  const struct {
    std::string in;
    std::string json, csv, text;
  } cases[] = {
      {"a\x01\tb\"\\", "a\\u0001\\tb\\\"\\\\", "\"a\x01\tb\"\"\\\"", "a\u2401\u2409b\"\\"},
      {"line\nbreak\r", "line\\nbreak\\r", "\"line\nbreak\r\"", "line\u240Abreak\u240D"},
      {"程序 €𝄞", "程序 €𝄞", "程序 €𝄞", "程序 €𝄞"},
      // U+D800 and U+DFFF alone, as WTF-8 carries them.
      {"x\xED\xA0\x80", "x\\ud800", "x\uFFFD", "x\uFFFD"},
      {"\xED\xBF\xBFy", "\\udfffy", "\uFFFDy", "\uFFFDy"},
      // Bytes that are no character's: a stray continuation, a cut-off
      // sequence, an overlong form, a lead byte that never starts one.
      {"a\x80", "a\\ufffd", "a\uFFFD", "a\uFFFD"},
      {"b\xE7\xA8", "b\\ufffd\\ufffd", "b\uFFFD\uFFFD", "b\uFFFD\uFFFD"},
      {"\xC0\xAF", "\\ufffd\\ufffd", "\uFFFD\uFFFD", "\uFFFD\uFFFD"},
      {"\xFF", "\\ufffd", "\uFFFD", "\uFFFD"},
      {"\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd", "\uFFFD\uFFFD\uFFFD\uFFFD",
       "\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JsonEscape(c.in), c.json) << c.in;
    EXPECT_EQ(CsvField(c.in), c.csv) << c.in;
    EXPECT_EQ(TextCell(c.in), c.text) << c.in;
  }
}

TEST(ScanReport, TextAlignsColumnsAndStatesTheOutcome) {
  const std::string text = FormatReport(ReportFormat::kText, {"C:", 1, 7}, TwoRows());
  EXPECT_NE(text.find("KIND         ROOT                "), std::string::npos);
  // Only the system setting gets the mark's line, under its own row.
  const auto mark = text.find("\n  System setting (系统设置): Windows may need it");
  EXPECT_GT(mark, text.find("x.dll\n")) << text;
  EXPECT_EQ(text.find("System setting", mark + 4), std::string::npos) << text;
  EXPECT_NE(text.find("2 invalid reference(s); 7 keys searched; the scan was stopped.\n"),
            std::string::npos);
  EXPECT_NE(
      FormatReport(ReportFormat::kText, {"C:", 51, 0}, ErrorList{}).find("failed with code 51"),
      std::string::npos);
}

TEST(ScanReport, TextKeepsEachRowOnOneLine) {
  ErrorList list;
  list.Append({"VALUE VALUE", "HKEY_CURRENT_USER", "K\\two\nlines", "C:\\a.exe\r\n/x\ty", true, "K",
               "two\nlines", kRegSz, "C:\\A.EXE"});
  const std::string text = FormatReport(ReportFormat::kText, {"C:", 0, 1}, list);
  EXPECT_EQ(text,
            "KIND         ROOT               KEY           VALUE\n"
            "VALUE VALUE  HKEY_CURRENT_USER  K\\two\u240Alines  C:\\a.exe\u240D\u240A/x\u2409y\n"
            "  找不到文件：C:\\A.EXE\n"
            "1 invalid reference(s); 1 keys searched.\n");
}

}  // namespace
}  // namespace qm::cli
