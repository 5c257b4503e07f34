#include "repair/backup_list.h"

#include <algorithm>
#include <array>
#include <string>
#include <tuple>

#include "repair/backup_clock.h"
#include "repair/backup_writer.h"

namespace qm {
namespace {

bool EndsWithRegCaseless(std::string_view name) {
  constexpr std::string_view kExtension = ".reg";
  if (name.size() < kExtension.size()) return false;
  const std::string_view tail = name.substr(name.size() - kExtension.size());
  for (std::size_t i = 0; i < kExtension.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kExtension[i]) return false;
  }
  return true;
}

}  // namespace

bool IsBackupFile(const FolderEntry& entry) {
  if (entry.folder || entry.hidden || entry.system || entry.device) return false;
  return EndsWithRegCaseless(entry.name);
}

std::vector<BackupRow> BuildBackupRows(std::span<const FolderEntry> listing) {
  struct Listed {
    std::optional<BackupNameTime> time;
    const std::string* name;
  };
  std::vector<Listed> files;
  bool day_first = false;
  for (const FolderEntry& entry : listing) {
    // A blank name never ends in ".reg", so the rule above also keeps
    // blank names out of the list.
    if (!IsBackupFile(entry)) continue;
    files.push_back({ReadBackupFileName(entry.name), &entry.name});
    const auto& t = files.back().time;
    if (t && !t->year_first && t->date[0] > 12) day_first = true;
  }
  const auto key = [day_first](const Listed& f) {
    std::array<int, 7> when{};
    if (const auto& t = f.time) {
      const auto [d0, d1, d2] = t->date;
      const std::array<int, 3> ymd = t->year_first ? std::array{d0, d1, d2}
                                     : day_first   ? std::array{d2, d1, d0}
                                                   : std::array{d2, d0, d1};
      when = {ymd[0], ymd[1], ymd[2], t->hour, t->minute, t->second, t->candidate};
    }
    return std::tuple(f.time.has_value(), when, std::string_view(*f.name));
  };
  std::sort(files.begin(), files.end(),
            [&](const Listed& a, const Listed& b) { return key(a) < key(b); });
  std::vector<BackupRow> rows;
  for (const Listed& f : files) rows.push_back({std::to_string(rows.size() + 1), *f.name, {}});
  return rows;
}

std::string BackupFilePath(std::string_view program_folder, std::string_view name) {
  return BackupFolderPath(program_folder) + "\\" + std::string(name);
}

std::optional<std::size_t> RowToActOn(long long selected, long long focused, std::size_t count) {
  if (count == 0) return std::nullopt;
  const auto in_list = [count](long long row) {
    return row >= 0 && static_cast<unsigned long long>(row) < count;
  };
  if (in_list(selected)) return static_cast<std::size_t>(selected);
  if (in_list(focused)) return static_cast<std::size_t>(focused);
  return std::size_t{0};
}

}  // namespace qm
