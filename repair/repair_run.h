// The repair run behind the scan window's Repair button: backs up the
// checked rows' values when the profile asks for it, deletes them, marks
// every row with what became of it, and records the count.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_store.h"
#include "platform/message_styles.h"
#include "platform/profile_io.h"
#include "platform/registry_writer.h"
#include "repair/backup_writer.h"
#include "repair/row_value.h"
#include "scan/error_list.h"

namespace qm {

struct RowColour {
  int red = 0, green = 0, blue = 0;
  friend bool operator==(const RowColour&, const RowColour&) = default;
};
inline constexpr RowColour kRed{255, 0, 0};
inline constexpr RowColour kBlue{0, 0, 255};

inline constexpr std::string_view kRepairedText = "已修复";
inline constexpr std::string_view kRepairFailedText = "修复失败";
inline constexpr std::string_view kSkippedText = "已跳过";
// A row the run was asked to stop before (the command line's Ctrl+C).
inline constexpr std::string_view kNotReachedText = "未处理";
inline constexpr std::string_view kCreatingBackupText = "正在创建备份...";
inline constexpr std::string_view kBackupFailedStatus = "备份失败，未删除任何值。";
// Said once after the count when deletions were refused for want of rights.
inline constexpr std::string_view kNeedAdministratorText =
    "部分值因权限不足未能删除，请以管理员身份运行本程序。";
inline constexpr std::string_view kIgnoreListUnreadableStatus = "无法读取忽略列表，未删除任何值。";

// What the scan window shows of a run.
class RepairView {
 public:
  virtual ~RepairView() = default;
  // The status label lblCurrentKey.
  virtual void SetStatusText(std::string_view text) = 0;
  // The label RepairCount.
  virtual void SetRepairCount(std::string_view text) = 0;
  // Column 0 of the row at `index` (0-based list position) and its colour.
  virtual void MarkRow(std::size_t index, std::string_view text, RowColour colour) = 0;
  // Only the colour of column 0, its text unchanged.
  virtual void ColourRow(std::size_t index, RowColour colour) = 0;
};

// Modal messages captioned with the program's title; Show returns once
// the user has closed the message.
class MessageService {
 public:
  virtual ~MessageService() = default;
  virtual void Show(std::string_view text, int style) = 0;
};

struct RepairServices {
  RegistryEditor& registry;
  PrivateProfile& profile;  // the profile ro.ini beside the program
  RepairView& view;
  MessageService& messages;
  BackupPlace backup;  // its program_folder also locates the profile
  // Where the ignore lists are read; none, no list.
  FileStore* files = nullptr;
  // The ignore lists honoured, all of them (on Windows the one beside the
  // profile and the machine's in C:\RegBackups); none given, the one
  // beside the profile.
  std::vector<std::string> ignore_files = {};
  // Asked before each deletion; true stops the run there (the console's
  // Ctrl+C), leaving that value and the ones after it untouched.
  std::function<bool()> stop_requested = nullptr;
};

enum class RowOutcome {
  kUnchecked,   // left alone, blue
  kRepaired,    // its key holds no value of its exact name after the run: "已修复", red
  kFailed,      // its value is still there, or no query addressed it: "修复失败", red
  kSkipped,     // changed since the scan, unsavable or ignored: "已跳过", blue
  kNotReached,  // to be deleted, but the run was asked to stop first: left alone, blue
};

struct RepairReport {
  bool backup_asked = false;
  BackupResult backup;  // when backup_asked
  // The backup failed or the ignore list could not be read, so nothing
  // was deleted.
  bool stopped = false;
  // Why the ignore list stopped the run, as the message shown; empty else.
  std::string refusal;
  // Asked to stop between two deletions: the rows not reached are
  // kNotReached, the backup (when asked) still holds them all.
  bool interrupted = false;
  std::size_t repaired = 0;
  std::size_t failed = 0;
  std::size_t skipped = 0;
  std::size_t not_reached = 0;
  // Failed rows whose deletion was refused for want of rights (access
  // denied): the program must run as administrator.
  std::size_t denied = 0;
  std::vector<RowOutcome> rows;  // one per row of the list
};

// Deletes the value `value_name` ("" for the default value) of the key
// `key_path` ("" for the root itself). Opens the existing key and never
// creates one: a missing key answers kRegFileNotFound, nothing to delete.
// Root kNoKey answers kRegInvalidHandle.
[[nodiscard]] RegStatus DeleteValueInKey(RegistryEditor& registry, RegKey root,
                                         std::string_view key_path, std::string_view value_name);

// Deletes the value a row names, by the key path and value name the search
// kept apart.
[[nodiscard]] RegStatus DeleteRegistryValue(RegistryEditor& registry, RegKey root,
                                            const RegErrorRow& row);

// The message shown when the backup fails and nothing is deleted.
[[nodiscard]] std::string BackupFailureMessage(const BackupResult& result);

// The count message: the count and " 个错误已修复。", and a second line with
// the number of rows that could not be repaired when there are any.
[[nodiscard]] std::string RepairCountMessage(std::size_t repaired, std::size_t failed);

// Why no repair may run now: one of the ignore lists `paths` cannot be
// read, or holds a line that cannot be (naming each); empty when it may.
// A command line asks this before its question, so that nobody confirms a
// repair that is then refused.
[[nodiscard]] std::string IgnoreListRefusal(FileStore& files, std::span<const std::string> paths);

// The counts of the report's rows, from their outcomes (again, after a
// caller marked rows failed whose files could not be written).
void CountOutcomes(RepairReport& report);

// One whole run over the list, in list order, on the caller's thread. A
// value on the ignore list is never deleted, whoever ticked its row: the
// list is read again for the run, and a list that cannot be read, or holds
// a line that cannot be, stops it before the backup: that line may be an
// entry meant to keep one of the values listed.
[[nodiscard]] RepairReport RunRepair(std::span<const RegErrorRow> rows, RepairServices& services);

}  // namespace qm
