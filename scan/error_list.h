// The scan's list of invalid references, shown by the scan window and read
// by the backup writer and the repair run.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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
};

class ErrorList {
 public:
  // The list holds at most this many rows, the most its 16-bit positions
  // can address.
  static constexpr std::size_t kMaxRows = 32767;

  // Appends a row unless the list is full; returns whether it did.
  [[nodiscard]] bool Append(RegErrorRow row) {
    if (rows_.size() >= kMaxRows) {
      overflowed_ = true;
      return false;
    }
    rows_.push_back(std::move(row));
    return true;
  }
  void Clear() {
    rows_.clear();
    overflowed_ = false;
  }
  void CheckAll() {
    for (auto& r : rows_) r.checked = true;
  }
  [[nodiscard]] std::size_t Count() const { return rows_.size(); }
  [[nodiscard]] bool Overflowed() const { return overflowed_; }
  [[nodiscard]] std::vector<RegErrorRow>& Rows() { return rows_; }
  [[nodiscard]] const std::vector<RegErrorRow>& Rows() const { return rows_; }

 private:
  std::vector<RegErrorRow> rows_;
  bool overflowed_ = false;
};

}  // namespace qm
