#include "cli/scan_report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "scan/rules.h"
#include "scan/system_settings.h"

namespace qm::cli {

std::string JsonEscape(std::string_view s) {
  // JSON strings are UTF-16 at heart: a registry name's unpaired surrogate
  // (carried as WTF-8) has an escape.
  return text::BackslashEscaped(s, {});
}

std::string CsvField(std::string_view raw) {
  const std::string s = text::DisplayUtf8(raw);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string TextCell(std::string_view raw) {
  return text::OneLine(raw);
}

namespace {
// The file the row misses, as the rule found it (with a text's variables
// expanded); a row made elsewhere gets its text's first reading.
std::string RowPath(const RegErrorRow& r, std::string_view drive) {
  return r.missing_file.empty() ? ExtractFilePath(r.value, drive) : r.missing_file;
}
}  // namespace

std::string JsonRowFields(const RegErrorRow& r, std::string_view drive) {
  return "\"kind\": \"" + JsonEscape(r.kind) + "\", \"root\": \"" + JsonEscape(r.root) +
         "\", \"key\": \"" + JsonEscape(r.key) + "\", \"value\": \"" + JsonEscape(r.value) +
         "\", \"path\": \"" + JsonEscape(RowPath(r, drive)) + "\", \"key_path\": \"" +
         JsonEscape(r.key_path) + "\", \"value_name\": \"" + JsonEscape(r.value_name) +
         "\", \"type\": \"" + RegTypeName(r.type) +
         "\", \"system_setting\": " + (r.system_setting ? "true" : "false") + ", \"category\": \"" +
         std::string(NameOf(r.category).alias) + "\"";
}

namespace {

// The window's mark, and why a repair leaves the row alone.
std::string SystemSettingLine() {
  return "  System setting (" + std::string(kSystemSettingMark) +
         "): Windows may need it to start or log on; a repair leaves it unless "
         "--include-system.\n";
}

// Display width of UTF-8 text: CJK characters take two columns.
std::size_t Width(std::string_view s) {
  std::size_t w = 0;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    w += len >= 3 ? 2 : 1;
    i += len;
  }
  return w;
}

std::string Pad(std::string_view s, std::size_t width) {
  std::string out(s);
  out.append(width > Width(s) ? width - Width(s) : 0, ' ');
  return out;
}

}  // namespace

std::string FormatReport(ReportFormat format, const ScanSummary& summary, const ErrorList& list) {
  const auto& rows = list.Rows();
  std::string out;
  switch (format) {
    case ReportFormat::kJson: {
      out = "{\"drive\": \"" + JsonEscape(summary.drive) +
            "\", \"reason\": " + std::to_string(summary.reason) +
            ", \"keys\": " + std::to_string(summary.keys) + ", ";
      if (!summary.warnings.empty()) {
        out += "\"warnings\": [";
        for (std::size_t i = 0; i < summary.warnings.size(); ++i) {
          out += (i ? ", \"" : "\"") + JsonEscape(summary.warnings[i]) + "\"";
        }
        out += "], ";
      }
      out += "\"rows\": [";
      for (std::size_t i = 0; i < rows.size(); ++i) {
        out += i ? ", {" : "{";
        out += JsonRowFields(rows[i], summary.drive) + "}";
      }
      out += "]}\n";
      break;
    }
    case ReportFormat::kCsv:
      out = "kind,root,key,value,path,key_path,value_name,type,system_setting,category\r\n";
      for (const auto& r : rows) {
        out += CsvField(r.kind) + "," + CsvField(r.root) + "," + CsvField(r.key) + "," +
               CsvField(r.value) + "," + CsvField(RowPath(r, summary.drive)) + "," +
               CsvField(r.key_path) + "," + CsvField(r.value_name) + "," + RegTypeName(r.type) +
               "," + (r.system_setting ? "true" : "false") + "," +
               std::string(NameOf(r.category).alias) + "\r\n";
      }
      break;
    case ReportFormat::kText: {
      std::vector<std::array<std::string, 4>> cells;
      cells.reserve(rows.size());
      std::size_t wk = 4, wr = 4, wkey = 3;
      for (const auto& r : rows) {
        cells.push_back({TextCell(r.kind), TextCell(r.root), TextCell(r.key), TextCell(r.value)});
        wk = std::max(wk, Width(cells.back()[0]));
        wr = std::max(wr, Width(cells.back()[1]));
        wkey = std::max(wkey, Width(cells.back()[2]));
      }
      out = Pad("KIND", wk) + "  " + Pad("ROOT", wr) + "  " + Pad("KEY", wkey) + "  VALUE\n";
      for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto& c = cells[i];
        out += Pad(c[0], wk) + "  " + Pad(c[1], wr) + "  " + Pad(c[2], wkey) + "  " + c[3] + "\n";
        // The scan window's tip names the file in the same words.
        if (!rows[i].missing_file.empty()) out += "  " + TextCell(MissingFileText(rows[i])) + "\n";
        if (rows[i].system_setting) out += SystemSettingLine();
      }
      out += std::to_string(rows.size()) + " invalid reference(s); " +
             std::to_string(summary.keys) + " keys searched";
      if (summary.reason == 1) out += "; the scan was stopped";
      if (summary.reason > 1)
        out += "; the scan failed with code " + std::to_string(summary.reason);
      out += ".\n";
      break;
    }
  }
  return out;
}

}  // namespace qm::cli
