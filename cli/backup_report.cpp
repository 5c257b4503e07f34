#include "cli/backup_report.h"

#include "platform/text.h"

namespace qm::cli {

namespace {

// The line for a file whose check line is missing, without a line break.
std::string UnverifiedText(const std::string& path) {
  return path + " cannot be verified: it has no check line (written before backups carried one)";
}

}  // namespace

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
