#include "cli/scan_report.h"

#include <algorithm>
#include <cstdio>

#include "scan/rules.h"

namespace qm::cli {

std::string JsonEscape(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    // A registry name's unpaired surrogate (kept as WTF-8) has no UTF-8
    // form; JSON writes it as the escape of its UTF-16 unit.
    if (static_cast<unsigned char>(c) == 0xED && i + 2 < s.size() &&
        (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0xA0 &&
        (static_cast<unsigned char>(s[i + 2]) & 0xC0) == 0x80) {
      const unsigned unit = 0xD000u | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", unit);
      out += buf;
      i += 2;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
          out += buf;
        } else {
          out.push_back(c);
        }
    }
  }
  return out;
}

std::string CsvField(std::string_view s) {
  if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

namespace {

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
            ", \"keys\": " + std::to_string(summary.keys) + ", \"rows\": [";
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        out += i ? ", " : "";
        out += "{\"kind\": \"" + JsonEscape(r.kind) + "\", \"root\": \"" + JsonEscape(r.root) +
               "\", \"key\": \"" + JsonEscape(r.key) + "\", \"value\": \"" + JsonEscape(r.value) +
               "\", \"path\": \"" + JsonEscape(ExtractFilePath(r.value, summary.drive)) + "\"}";
      }
      out += "]}\n";
      break;
    }
    case ReportFormat::kCsv:
      out = "kind,root,key,value,path\r\n";
      for (const auto& r : rows) {
        out += CsvField(r.kind) + "," + CsvField(r.root) + "," + CsvField(r.key) + "," +
               CsvField(r.value) + "," + CsvField(ExtractFilePath(r.value, summary.drive)) + "\r\n";
      }
      break;
    case ReportFormat::kText: {
      std::size_t wk = 4, wr = 4, wkey = 3;
      for (const auto& r : rows) {
        wk = std::max(wk, Width(r.kind));
        wr = std::max(wr, Width(r.root));
        wkey = std::max(wkey, Width(r.key));
      }
      out = Pad("KIND", wk) + "  " + Pad("ROOT", wr) + "  " + Pad("KEY", wkey) + "  VALUE\n";
      for (const auto& r : rows) {
        out += Pad(r.kind, wk) + "  " + Pad(r.root, wr) + "  " + Pad(r.key, wkey) + "  " + r.value +
               "\n";
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
