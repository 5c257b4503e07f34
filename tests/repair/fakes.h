// Stand-ins for the services of the backup writer and the repair run. The
// view, the messages and the profile writes share one event log, so tests
// can check the order in which a run does things.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/profile_io.h"
#include "platform/text.h"
#include "repair/backup_clock.h"
#include "repair/backup_disk.h"
#include "repair/repair_run.h"
#include "testing/ascii_code_page.h"
#include "testing/memory_profile.h"

namespace qm::testing {

// A file system of folders and files whose names compare without case.
class MemoryBackupDisk final : public BackupDisk {
 public:
  void AddFolder(const std::string& path) { folders_.insert(text::UpperCase(path)); }
  void AddFile(const std::string& path, std::vector<std::uint8_t> bytes = {}) {
    files_[text::UpperCase(path)] = {path, std::move(bytes)};
  }
  // Every CreateFolder answers `error`.
  void FailCreateFolder(std::uint32_t error) { create_error_ = error; }
  // Every PublishNewFile answers `error` and leaves nothing behind, as a
  // full disk or a read-only folder does.
  void FailPublish(std::uint32_t error) { publish_error_ = error; }

  [[nodiscard]] const std::vector<std::uint8_t>* File(const std::string& path) const {
    const auto it = files_.find(text::UpperCase(path));
    return it == files_.end() ? nullptr : &it->second.bytes;
  }
  [[nodiscard]] std::vector<std::string> FileNames() const {
    std::vector<std::string> names;
    for (const auto& [upper, f] : files_) names.push_back(f.name);
    return names;
  }
  [[nodiscard]] bool HasFolder(const std::string& path) const {
    return folders_.count(text::UpperCase(path)) != 0;
  }
  [[nodiscard]] int CreateCalls() const { return create_calls_; }

  Result<PathKind> Inspect(std::string_view path) override {
    const std::string upper = text::UpperCase(path);
    if (folders_.count(upper)) return PathKind::kFolder;
    if (files_.count(upper)) return PathKind::kFile;
    return Failure{ParentExists(upper) ? kErrFileNotFound : kErrPathNotFound, std::string(path)};
  }
  std::uint32_t CreateFolder(std::string_view path) override {
    ++create_calls_;
    if (create_error_) return create_error_;
    const std::string upper = text::UpperCase(path);
    if (folders_.count(upper) || files_.count(upper)) return kErrAlreadyExists;
    if (!ParentExists(upper)) return kErrPathNotFound;
    folders_.insert(upper);
    return 0;
  }
  std::uint32_t PublishNewFile(std::string_view path,
                               std::span<const std::uint8_t> bytes) override {
    if (publish_error_) return publish_error_;
    const std::string upper = text::UpperCase(path);
    if (folders_.count(upper) || files_.count(upper)) return kErrAlreadyExists;
    if (!ParentExists(upper)) return kErrPathNotFound;
    files_[upper] = {std::string(path), {bytes.begin(), bytes.end()}};
    return 0;
  }

 private:
  static constexpr std::uint32_t kErrFileNotFound = 2;
  static constexpr std::uint32_t kErrPathNotFound = 3;
  struct StoredFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
  };
  bool ParentExists(const std::string& upper) const {
    const auto cut = upper.rfind('\\');
    return cut != std::string::npos && folders_.count(upper.substr(0, cut));
  }

  std::set<std::string> folders_;
  std::map<std::string, StoredFile> files_;
  std::uint32_t create_error_ = 0;
  std::uint32_t publish_error_ = 0;
  int create_calls_ = 0;
};

class FixedClock final : public BackupClock {
 public:
  explicit FixedClock(LocalDateTimeText now) : now_(std::move(now)) {}
  LocalDateTimeText Now() override {
    ++reads_;
    return now_;
  }
  [[nodiscard]] int Reads() const { return reads_; }

 private:
  LocalDateTimeText now_;
  int reads_ = 0;
};

class RecordingView final : public RepairView {
 public:
  explicit RecordingView(EventLog& log) : log_(log) {}
  void SetStatusText(std::string_view text) override {
    log_.push_back("status:" + std::string(text));
  }
  void SetRepairCount(std::string_view text) override {
    log_.push_back("count:" + std::string(text));
  }
  void MarkRow(std::size_t index, std::string_view text, RowColour colour) override {
    marks[index] = {std::string(text), colour};
    log_.push_back("mark:" + std::to_string(index));
  }
  void ColourRow(std::size_t index, RowColour colour) override {
    marks[index] = {"", colour};
    log_.push_back("colour:" + std::to_string(index));
  }
  struct Mark {
    std::string text;  // empty when only the colour was set
    RowColour colour;
  };
  std::map<std::size_t, Mark> marks;

 private:
  EventLog& log_;
};

class RecordingMessages final : public MessageService {
 public:
  explicit RecordingMessages(EventLog& log) : log_(log) {}
  void Show(std::string_view text, int style) override {
    shown.push_back({std::string(text), style});
    log_.push_back("message:" + std::to_string(style));
  }
  struct Message {
    std::string text;
    int style;
  };
  std::vector<Message> shown;

 private:
  EventLog& log_;
};

// Bytes as text, for comparing whole files in test failures readably.
inline std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::vector<std::uint8_t> Utf16Le(std::u16string_view s) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

// A REG_SZ-style value: UTF-16LE with its terminator.
inline RegValue StringValue(std::string name, std::u16string_view s, std::uint32_t type = kRegSz) {
  std::vector<std::uint8_t> data = Utf16Le(s);
  data.push_back(0);
  data.push_back(0);
  return {std::move(name), type, std::move(data)};
}

}  // namespace qm::testing
