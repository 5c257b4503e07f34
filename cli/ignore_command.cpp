// quillmar-cli ignore: the list of values and keys the scan leaves out, of
// the source's drive or the one --ignore-file names.
#include "cli/commands.h"
#include "profile/ignore_list.h"

namespace qm::cli {

namespace {

int FileFailure(Console& console, const std::string& path, bool writing) {
  console.Write(stderr, "quillmar-cli: the ignore list " + path + " cannot be " +
                            (writing ? "written; it is unchanged.\n" : "read.\n"));
  return 3;
}

std::string LineOf(const IgnoreEntry& entry) {
  return TextCell(IgnoreList::EntryLine(entry).value_or(entry.root + "\\" + entry.key_path));
}

}  // namespace

int IgnoreCommand(const CliArgs& args, RegistrySource& source, Console& console) {
  const std::string path = IgnoreFilesOf(args, source).front();
  FileStore& store = source.IgnoreStore();
  Result<IgnoreList> load = LoadIgnoreList(store, path);
  if (!load.ok()) return FileFailure(console, path, false);
  IgnoreList& list = load.value();
  ReportDamagedLines(console, path, list);
  const std::vector<IgnoreEntry> entries = list.Entries();

  switch (args.ignore_action) {
    case IgnoreAction::kList: {
      if (entries.empty()) {
        console.Write(stdout, "The ignore list is empty (" + path + ").\n");
        return 0;
      }
      std::string out;
      for (std::size_t i = 0; i < entries.size(); ++i) {
        out += std::to_string(i + 1) + "  " + LineOf(entries[i]) + "\n";
      }
      console.Write(stdout, out);
      return 0;
    }
    case IgnoreAction::kAdd: {
      const IgnoreStatus status = list.Add(args.ignore_entry);
      if (status == IgnoreStatus::kAlreadyListed) {
        console.Write(stdout, "Already on the ignore list: " + LineOf(args.ignore_entry) + "\n");
        return 0;
      }
      if (status != IgnoreStatus::kOk) {
        return UsageError(console, "the key cannot be put on the ignore list");
      }
      if (SaveIgnoreList(store, path, list) != IgnoreStatus::kOk) {
        return FileFailure(console, path, true);
      }
      console.Write(stdout, "Added to the ignore list: " + LineOf(args.ignore_entry) + "\n");
      return 0;
    }
    case IgnoreAction::kRemove: {
      const std::size_t n = args.ignore_number;
      if (n == 0 || n > entries.size()) {
        return UsageError(console, "there is no entry " + std::to_string(n) +
                                       "; the ignore list has " + std::to_string(entries.size()) +
                                       " (see 'ignore list')");
      }
      if (list.RemoveNumber(n) != IgnoreStatus::kOk ||
          SaveIgnoreList(store, path, list) != IgnoreStatus::kOk) {
        return FileFailure(console, path, true);
      }
      console.Write(stdout, "Removed from the ignore list: " + LineOf(entries[n - 1]) + "\n");
      return 0;
    }
  }
  return 2;
}

}  // namespace qm::cli
