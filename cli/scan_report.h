// How the command-line front end prints the rows of a scan.
#pragma once

#include <string>

#include "scan/error_list.h"

namespace qm::cli {

enum class ReportFormat { kText, kJson, kCsv };

struct ScanSummary {
  std::string drive;
  int reason = 0;
  long long keys = 0;
};

// Each row also carries the missing path the rules extracted from it.
[[nodiscard]] std::string FormatReport(ReportFormat format, const ScanSummary& summary,
                                       const ErrorList& rows);

[[nodiscard]] std::string JsonEscape(std::string_view s);
[[nodiscard]] std::string CsvField(std::string_view s);

}  // namespace qm::cli
