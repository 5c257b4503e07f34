#include "cli/cli_args.h"

#include "platform/registry.h"
#include "platform/text.h"

namespace qm::cli {

namespace {

// A message may echo what was typed: a control character in it is shown
// as its picture, never sent to the terminal.
Failure Fail(std::string_view message) {
  return {kErrInvalidData, text::OneLine(message)};
}

std::optional<ReportFormat> FormatNamed(const std::string& name, bool csv_allowed) {
  if (name == "text") return ReportFormat::kText;
  if (name == "json") return ReportFormat::kJson;
  if (name == "csv" && csv_allowed) return ReportFormat::kCsv;
  return std::nullopt;
}

// --category's names, comma-separated, each English or the box's caption.
Status ParseCategories(const std::string& names, CliArgs& args) {
  CategorySet chosen;
  std::size_t from = 0;
  while (from <= names.size()) {
    const std::size_t cut = std::min(names.find(',', from), names.size());
    const std::string name = names.substr(from, cut - from);
    const std::optional<Category> category = CategoryNamed(name);
    if (!category) {
      std::string known;
      for (const CategoryName& n : CategoryNames()) {
        if (n.category == Category::kOther) continue;
        known += std::string(known.empty() ? "" : ", ") + std::string(n.alias) + " (" +
                 std::string(n.caption) + ")";
      }
      return Fail("unknown category '" + name + "'; the categories are " + known);
    }
    chosen.Set(*category, true);
    from = cut + 1;
  }
  args.categories = chosen;
  return Done{};
}

// scan and repair share the scan's options; repair adds its own.
ParseResult ParseScanLike(std::span<const std::string> argv, CliArgs args) {
  const bool repair = args.command == Command::kRepair;
  bool backup_given = false;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    const bool takes_value = a == "--format" || a == "--root" || a == "--key" || a == "--walk" ||
                             a == "--prefix" || a == "--offline" || a == "--user" ||
                             a == "--category" || a == "--ignore-file" || a == "--found-exit";
    if (takes_value && i + 1 >= argv.size()) return Fail("option '" + a + "' needs a value");
    if (a == "--quiet") {
      args.quiet = true;
    } else if (a == "--no-ignore") {
      args.no_ignore = true;
    } else if (a == "--format") {
      const std::string& f = argv[++i];
      const auto format = FormatNamed(f, !repair);
      if (!format) {
        return Fail("unknown format '" + f + "' (" +
                    (repair ? "text or json" : "text, json or csv") + ")");
      }
      args.format = *format;
    } else if (a == "--root") {
      const std::string& name = argv[++i];
      args.root = static_cast<std::int32_t>(RootKeyFromName(name, RootSpelling::kAnyCase));
      if (args.root == 0) return Fail("unknown root '" + name + "'");
    } else if (a == "--category") {
      if (Status bad = ParseCategories(argv[++i], args); !bad.ok()) return bad.failure();
    } else if (a == "--key") {
      args.key = argv[++i];
    } else if (a == "--walk") {
      const std::string& w = argv[++i];
      args.walk_given = true;
      if (w == "auto") {
        args.walk = WalkChoice::kAuto;
      } else if (w == "snapshot") {
        args.walk = WalkChoice::kSnapshot;
      } else if (w == "live") {
        args.walk = WalkChoice::kLive;
      } else {
        return Fail("unknown walk '" + w + "' (auto, snapshot or live)");
      }
    } else if (a == "--prefix" || a == "--offline") {
      const Source source = a == "--prefix" ? Source::kPrefix : Source::kOffline;
      if (args.source != Source::kLive && args.source != source) {
        return Fail("'--prefix' and '--offline' exclude each other");
      }
      args.source = source;
      args.source_dir = argv[++i];
    } else if (a == "--user") {
      args.user = argv[++i];
    } else if (a == "--ignore-file") {
      args.ignore_file = argv[++i];
    } else if (!repair && a == "--found-exit") {
      // 0 is success; 2 and 3 keep their meaning (usage, cannot scan).
      const std::string& n = argv[++i];
      const bool digits =
          !n.empty() && n.size() <= 3 && n.find_first_not_of("0123456789") == n.npos;
      const int status = digits ? std::stoi(n) : 0;
      if (status != 1 && (status < 4 || status > 125)) {
        return Fail("'--found-exit' takes 1 or 4 to 125, not '" + n + "'");
      }
      args.found_exit = status;
    } else if (repair && (a == "--backup" || a == "--no-backup")) {
      const BackupChoice choice = a == "--backup" ? BackupChoice::kOn : BackupChoice::kOff;
      if (backup_given && choice != args.backup) {
        return Fail("'--backup' and '--no-backup' exclude each other");
      }
      backup_given = true;
      args.backup = choice;
    } else if (repair && a == "--yes") {
      args.yes = true;
    } else if (repair && a == "--include-system") {
      args.include_system = true;
    } else {
      return Fail("unexpected argument '" + a + "'");
    }
  }
  // Only an offline installation has several profiles to choose from.
  if (!args.user.empty() && args.source != Source::kOffline) {
    return Fail("'--user' needs '--offline DIR'");
  }
  return args;
}

// The source (--prefix DIR, --offline DIR, --user NAME) and, where the
// command reads an ignore list, --ignore-file PATH may stand anywhere
// after the command; `words` gets the rest.
std::optional<std::string> TakeSourceOptions(std::span<const std::string> all, bool ignore_file,
                                             CliArgs& args, std::vector<std::string>& words) {
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::string& a = all[i];
    const bool option = a == "--prefix" || a == "--offline" || a == "--user" ||
                        (ignore_file && a == "--ignore-file");
    if (i == 0 || !option) {
      words.push_back(a);
      continue;
    }
    if (i + 1 >= all.size()) return "option '" + a + "' needs a value";
    const std::string& value = all[++i];
    if (a == "--user") {
      args.user = value;
    } else if (a == "--ignore-file") {
      args.ignore_file = value;
    } else {
      const Source source = a == "--prefix" ? Source::kPrefix : Source::kOffline;
      if (args.source != Source::kLive && args.source != source) {
        return "'--prefix' and '--offline' exclude each other";
      }
      args.source = source;
      args.source_dir = value;
    }
  }
  if (!args.user.empty() && args.source != Source::kOffline)
    return "'--user' needs '--offline DIR'";
  return std::nullopt;
}

ParseResult ParseBackups(std::span<const std::string> all) {
  CliArgs args;
  args.command = Command::kBackups;
  std::vector<std::string> words;
  if (auto error = TakeSourceOptions(all, false, args, words)) return Fail(*error);
  const std::span<const std::string> argv(words);
  if (argv.size() == 1) return args;
  const std::string& action = argv[1];
  if (action == "list") {
    args.action = BackupsAction::kList;
    if (argv.size() > 2) return Fail("unexpected argument '" + argv[2] + "'");
    return args;
  }
  if (action == "restore") {
    args.action = BackupsAction::kRestore;
  } else if (action == "verify") {
    args.action = BackupsAction::kVerify;
  } else if (action == "delete") {
    args.action = BackupsAction::kDelete;
  } else {
    return Fail("unknown backups action '" + action + "' (list, restore, verify or delete)");
  }
  if (argv.size() < 3) return Fail("'backups " + action + "' needs an ID or a file name");
  if (argv.size() > 3) return Fail("unexpected argument '" + argv[3] + "'");
  args.target = argv[2];
  return args;
}

// ignore add ROOT\KEY [--value NAME] | remove N | list
ParseResult ParseIgnore(std::span<const std::string> all) {
  CliArgs args;
  args.command = Command::kIgnore;
  std::vector<std::string> words;
  if (auto error = TakeSourceOptions(all, true, args, words)) return Fail(*error);
  const std::span<const std::string> argv(words);
  const std::string action = argv.size() > 1 ? argv[1] : "list";
  if (action == "list") {
    if (argv.size() > 2) return Fail("unexpected argument '" + argv[2] + "'");
    return args;
  }
  if (action == "remove") {
    args.ignore_action = IgnoreAction::kRemove;
    if (argv.size() < 3) return Fail("'ignore remove' needs an entry number");
    if (argv.size() > 3) return Fail("unexpected argument '" + argv[3] + "'");
    const std::string& n = argv[2];
    if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(n) == 0) {
      return Fail("'" + n + "' is not an entry number (1, 2, ... as 'ignore list' shows)");
    }
    args.ignore_number = std::stoul(n);
    return args;
  }
  if (action != "add") {
    return Fail("unknown ignore action '" + action + "' (list, add or remove)");
  }
  args.ignore_action = IgnoreAction::kAdd;
  if (argv.size() < 3 || argv[2].rfind("--", 0) == 0) {
    return Fail("'ignore add' needs ROOT\\KEY");
  }
  std::string where = argv[2];
  while (where.size() > 1 && where.back() == '\\') where.pop_back();
  const std::size_t cut = where.find('\\');
  const std::string root = where.substr(0, cut);
  args.ignore_entry.root = RootLongName(root);
  if (args.ignore_entry.root.empty()) return Fail("unknown root '" + root + "'");
  if (cut != std::string::npos) args.ignore_entry.key_path = where.substr(cut + 1);
  for (std::size_t i = 3; i < argv.size(); ++i) {
    if (argv[i] != "--value") return Fail("unexpected argument '" + argv[i] + "'");
    if (i + 1 >= argv.size()) return Fail("option '--value' needs a value");
    args.ignore_entry.value_name = argv[++i];
  }
  if (std::string why = NameTooLong(args.ignore_entry); !why.empty()) return Fail(why);
  if (!IgnoreList::EntryLine(args.ignore_entry)) {
    return Fail("the key '" + argv[2] +
                "' cannot be put on the ignore list (an empty name or a "
                "control character)");
  }
  return args;
}

}  // namespace

ParseResult ParseArgs(std::span<const std::string> argv) {
  if (argv.empty()) return Fail("no command given");
  const std::string& first = argv[0];
  CliArgs args;
  if (first == "--help" || first == "-h" || first == "help") {
    args.command = Command::kHelp;
  } else if (first == "--version") {
    args.command = Command::kVersion;
  } else if (first == "scan" || first == "repair") {
    args.command = first == "scan" ? Command::kScan : Command::kRepair;
    return ParseScanLike(argv, std::move(args));
  } else if (first == "backups") {
    return ParseBackups(argv);
  } else if (first == "ignore") {
    return ParseIgnore(argv);
  } else if (first == "records") {
    args.command = Command::kRecords;
    std::vector<std::string> words;
    if (auto error = TakeSourceOptions(argv, false, args, words)) return Fail(*error);
    if (words.size() > 1) return Fail("unexpected argument '" + words[1] + "'");
    return args;
  } else {
    return Fail("unknown command '" + first + "'");
  }
  if (argv.size() > 1) return Fail("unexpected argument '" + argv[1] + "'");
  return args;
}

std::optional<std::size_t> FindBackupRow(const std::vector<BackupRow>& rows,
                                         std::string_view target) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].id == target) return i;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (text::EqualsNoCase(rows[i].name, target)) return i;
  }
  return std::nullopt;
}

}  // namespace qm::cli
