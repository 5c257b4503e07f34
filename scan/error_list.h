// The scan's list of invalid references, shown by the scan window and read
// by the backup writer and the repair run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scan/categories.h"

namespace qm {

struct RegErrorRow {
  std::string kind;   // "VALUE NAME", "VALUE VALUE"; "已修复" once repaired
  std::string root;   // "HKEY_LOCAL_MACHINE" and the like
  std::string key;    // key path, "\", value name ("" for the default value)
  std::string value;  // the value's data as text
  bool checked = false;
  // Where the value lives, kept apart: the name may contain backslashes, so
  // `key` cannot be split again reliably. Repairs and backups use these.
  std::string key_path;
  std::string value_name;
  // The value's registry type as the search read it (kRegSz and so on);
  // kRegNone for a key-name find.
  std::uint32_t type = 0;
  // The file the rules looked for and did not find, upper-cased as they
  // read it from the value; what the row's tip and the reports name.
  std::string missing_file = {};
  // The value is one of the system's own settings (scan/system_settings.h):
  // listed, but never ticked for deletion unless the user asks.
  bool system_setting = false;
  // Where the value lives, as the main window's categories name it.
  Category category = Category::kOther;
};

// Rows in the order the search found them. Any number of rows: a badly
// neglected registry may hold more than a 16-bit count would reach.
class ErrorList {
 public:
  void Append(RegErrorRow row) { rows_.push_back(std::move(row)); }
  void Clear() { rows_.clear(); }
  // Removes every row `gone` picks, keeping the others' order; the count.
  std::size_t RemoveIf(const std::function<bool(const RegErrorRow&)>& gone) {
    const auto before = rows_.size();
    std::erase_if(rows_, gone);
    return before - rows_.size();
  }
  // Ticks every row but the system's own settings, which stay as they are.
  void CheckAll() {
    for (auto& r : rows_) r.checked = r.checked || !r.system_setting;
  }
  [[nodiscard]] std::size_t Count() const { return rows_.size(); }
  [[nodiscard]] std::size_t CheckedCount() const {
    return static_cast<std::size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const RegErrorRow& r) { return r.checked; }));
  }
  [[nodiscard]] std::vector<RegErrorRow>& Rows() { return rows_; }
  [[nodiscard]] const std::vector<RegErrorRow>& Rows() const { return rows_; }

 private:
  std::vector<RegErrorRow> rows_;
};

}  // namespace qm
