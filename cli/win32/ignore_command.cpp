// quillmar-cli ignore: the list of values and keys the scan leaves out.
#include "app/system_services.h"
#include "cli/scan_report.h"
#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "cli/win32/scan_run.h"
#include "profile/ignore_list.h"

namespace qm::cli {

namespace {

int FileFailure(const std::string& path, bool writing) {
  Write(stderr, "quillmar-cli: the ignore list " + path + " cannot be " +
                    (writing ? "written; it is unchanged.\n" : "read.\n"));
  return 3;
}

std::string LineOf(const IgnoreEntry& entry) {
  return TextCell(IgnoreList::EntryLine(entry).value_or(entry.root + "\\" + entry.key_path));
}

}  // namespace

int IgnoreCommand(const CliArgs& args) {
  app::SystemServices system;
  const std::string path = system.IgnoreFile();
  IgnoreLoad load = LoadIgnoreList(system.files, path);
  if (load.status != IgnoreStatus::kOk) return FileFailure(path, false);
  ReportDamagedLines(path, load.list);
  const std::vector<IgnoreEntry> entries = load.list.Entries();

  switch (args.ignore_action) {
    case IgnoreAction::kList: {
      if (entries.empty()) {
        Write(stdout, "The ignore list is empty (" + path + ").\n");
        return 0;
      }
      std::string out;
      for (std::size_t i = 0; i < entries.size(); ++i) {
        out += std::to_string(i + 1) + "  " + LineOf(entries[i]) + "\n";
      }
      Write(stdout, out);
      return 0;
    }
    case IgnoreAction::kAdd: {
      const IgnoreStatus status = load.list.Add(args.ignore_entry);
      if (status == IgnoreStatus::kAlreadyListed) {
        Write(stdout, "Already on the ignore list: " + LineOf(args.ignore_entry) + "\n");
        return 0;
      }
      if (status != IgnoreStatus::kOk) {
        return UsageError("the key cannot be put on the ignore list");
      }
      if (SaveIgnoreList(system.files, path, load.list) != IgnoreStatus::kOk) {
        return FileFailure(path, true);
      }
      Write(stdout, "Added to the ignore list: " + LineOf(args.ignore_entry) + "\n");
      return 0;
    }
    case IgnoreAction::kRemove: {
      const std::size_t n = args.ignore_number;
      if (n == 0 || n > entries.size()) {
        return UsageError("there is no entry " + std::to_string(n) + "; the ignore list has " +
                          std::to_string(entries.size()) + " (see 'ignore list')");
      }
      if (load.list.RemoveNumber(n) != IgnoreStatus::kOk) return FileFailure(path, true);
      if (SaveIgnoreList(system.files, path, load.list) != IgnoreStatus::kOk) {
        return FileFailure(path, true);
      }
      Write(stdout, "Removed from the ignore list: " + LineOf(entries[n - 1]) + "\n");
      return 0;
    }
  }
  return 2;
}

}  // namespace qm::cli
