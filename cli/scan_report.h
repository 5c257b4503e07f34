// How the command-line front end prints the rows of a scan.
#pragma once

#include <string>
#include <vector>

#include "scan/error_list.h"

namespace qm::cli {

enum class ReportFormat { kText, kJson, kCsv };

struct ScanSummary {
  std::string drive;
  int reason = 0;
  long long keys = 0;
  // What the reader of the rows must know about how they were read (an
  // offline hive whose log files hold changes); JSON's "warnings", left out
  // when there are none.
  std::vector<std::string> warnings{};
};

// A text row is followed by a line naming the file it misses, as the scan
// window's tip does. Each row also carries the missing path the rules extracted from it and,
// in JSON and CSV, where the value lives (key path and value name apart,
// since either may hold a backslash), its type and whether it is one of the
// system's own settings (system_setting; a line of its own in text).
[[nodiscard]] std::string FormatReport(ReportFormat format, const ScanSummary& summary,
                                       const ErrorList& rows);

// Registry text is UTF-8 that may carry an unpaired surrogate as its own
// three bytes (WTF-8). None of these ever writes invalid UTF-8: JSON keeps
// such a surrogate as its \udxxx escape; CSV and text cells show it, and
// any byte that is no character's, as U+FFFD.
[[nodiscard]] std::string JsonEscape(std::string_view s);
[[nodiscard]] std::string CsvField(std::string_view s);
// A cell of the text output, kept on its line: control characters (line
// breaks, tabs) are shown as their control pictures (U+240A and so on).
[[nodiscard]] std::string TextCell(std::string_view s);

// The fields of a row's JSON object, without the braces.
[[nodiscard]] std::string JsonRowFields(const RegErrorRow& row, std::string_view drive);

}  // namespace qm::cli
