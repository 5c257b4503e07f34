#include "cli/backup_report.h"

#include <algorithm>

#include "platform/text.h"

namespace qm::cli {

namespace {

// The line for a file whose check line is missing, without a line break.
std::string UnverifiedText(const std::string& path) {
  return path + " cannot be verified: it has no check line (written before backups carried one)";
}

std::string ErrorText(RegStatus status) {
  return " (error " + std::to_string(status) + ")";
}

}  // namespace

std::string BackupListText(std::span<const BackupRow> rows) {
  std::size_t width = 2;
  for (const auto& r : rows) width = std::max(width, r.id.size());
  std::string out = "ID" + std::string(width - 2 + 2, ' ') + "文件\n";
  for (const auto& r : rows)
    out += r.id + std::string(width - r.id.size() + 2, ' ') + r.name + "\n";
  return out;
}

std::string VanishedBackupText(std::string_view path) {
  return "备份文件已不存在：" + std::string(path) + "\n";
}

std::string RestoreText(const std::string& path, std::span<const BackupEntry> entries,
                        std::span<const ValueOutcome> outcomes, int& exit) {
  std::size_t restored = 0;
  std::string out;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const BackupEntry& e = entries[i];
    const ValueOutcome& o = outcomes[i];
    if (o.check == ValueCheck::kSame) {
      ++restored;
      out += "restored      " + BackupValueText(e) + "  " + RegTypeName(e.value.type) + ", " +
             std::to_string(e.value.data.size()) + " bytes\n";
      continue;
    }
    out += "NOT RESTORED  " + BackupValueText(e);
    switch (o.check) {
      case ValueCheck::kNotWritten:
        out += ": could not be written" + ErrorText(o.status) + "\n";
        break;
      case ValueCheck::kDiffers:
        out += ": the registry holds other data after the write\n";
        break;
      case ValueCheck::kMissing:
        out += ": not there after the write\n";
        break;
      default:
        out += ": could not be read back" + ErrorText(o.status) + "\n";
        break;
    }
  }
  exit = restored == outcomes.size() ? 0 : 1;
  return out + "Restored " + std::to_string(restored) + " of " + std::to_string(outcomes.size()) +
         " values from " + path + "\n";
}

std::string BackupValueText(const BackupEntry& e) {
  const std::string name = text::DisplayUtf8(e.value.name);
  return text::DisplayUtf8(e.key) + "  " + (name.empty() ? std::string("@") : "\"" + name + "\"");
}

std::string UnverifiedRestoreWarning(const std::string& path) {
  return "quillmar-cli: warning: " + UnverifiedText(path) + "; restored as it reads.\n";
}

std::string UnreadableBackupText(const std::string& path, const std::string& why) {
  return "无法读取备份文件：" + path + "\nquillmar-cli: " + why +
         ".\nNothing was written to the registry.\n";
}

int VerifyExitStatus(std::span<const ValueOutcome> outcomes) {
  for (const ValueOutcome& o : outcomes) {
    if (o.check != ValueCheck::kSame) return 1;
  }
  return 0;
}

std::string BackupRefusedText(const std::string& path, const RegFileReadResult& read) {
  const bool damaged = read.seal.verdict == SealVerdict::kDamaged;
  std::string why = damaged ? "the file is damaged: " + read.error : read.error;
  if (read.line > 0) why = "line " + std::to_string(read.line) + ": " + why;
  if (!damaged) return UnreadableBackupText(path, why);
  return "备份文件已损坏：" + path + "\nquillmar-cli: " + why +
         ".\nNothing was written to the registry.\n";
}

std::string VerifyText(const std::string& path, const SealCheck& seal,
                       std::span<const BackupEntry> entries,
                       std::span<const ValueOutcome> outcomes) {
  std::string out = seal.verdict == SealVerdict::kIntact
                        ? path + " is intact: its check line matches its " +
                              std::to_string(seal.values) + " values\n"
                        : UnverifiedText(path) + "\n";
  std::size_t same = 0;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const ValueOutcome& o = outcomes[i];
    const std::string what = BackupValueText(entries[i]);
    switch (o.check) {
      case ValueCheck::kSame:
        ++same;
        out += "same        " + what + "\n";
        break;
      case ValueCheck::kDiffers:
        out += "differs     " + what + "\n";
        break;
      case ValueCheck::kMissing:
        out += "missing     " + what + "\n";
        break;
      default:
        out += "unreadable  " + what + " (error " + std::to_string(o.status) + ")\n";
        break;
    }
  }
  return out + std::to_string(same) + " of " + std::to_string(outcomes.size()) +
         " values are in the registry as in " + path + "\n";
}

}  // namespace qm::cli
