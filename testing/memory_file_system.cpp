#include "testing/memory_file_system.h"

#include <algorithm>

#include "platform/text.h"

namespace qm {

namespace {
// Upper-cased, trailing backslashes cut (but not a drive root's), into a
// buffer the caller reuses.
void NormaliseInto(std::string& out, std::string_view path) {
  out.assign(path);
  bool ascii = true;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  if (!ascii) out = text::UpperCase(path);
  while (out.size() > 3 && out.back() == '\\') out.pop_back();
}

std::string Normalise(std::string_view path) {
  std::string p;
  NormaliseInto(p, path);
  return p;
}

bool HasInvalidCharacter(std::string_view p) {
  for (const char c : p) {
    switch (c) {
      case '"':
      case '*':
      case '?':
      case '<':
      case '>':
      case '|':
        return true;
      default:
        break;
    }
  }
  return false;
}
}  // namespace

void MemoryFileSystem::AddFile(std::string_view path) {
  std::string p = Normalise(path);
  if (p.size() >= 2 && p[1] == ':') paths_.insert(p.substr(0, 2));  // "C:" names the drive
  for (;;) {
    paths_.insert(p);
    const auto cut = p.rfind('\\');
    if (cut == std::string::npos || p.size() <= 3) break;
    p.resize(cut == 2 ? 3 : cut);  // "C:\\" is the drive's root folder
  }
}

void MemoryFileSystem::FailQuery(std::string_view path, std::uint32_t error) {
  failures_[Normalise(path)] = error;
}

void MemoryFileSystem::SetShortName(std::string_view path, std::string_view short_name) {
  short_names_[Normalise(path)] = std::string(short_name);
}

void MemoryFileSystem::DenyListing(std::string_view folder) {
  unlistable_.insert(Normalise(folder));
}

FolderList MemoryFileSystem::ListFolder(std::string_view folder) {
  std::string prefix = Normalise(folder);
  if (unlistable_.count(prefix) != 0) return {FolderListStatus::kUnreadable, {}};
  if (paths_.count(prefix) == 0) return {FolderListStatus::kMissing, {}};
  if (prefix.back() != '\\') prefix += '\\';
  FolderList list{FolderListStatus::kListed, {}};
  for (const std::string& p : paths_) {
    if (p.size() <= prefix.size() || p.compare(0, prefix.size(), prefix) != 0 ||
        p.find('\\', prefix.size()) != std::string::npos) {
      continue;
    }
    const auto short_name = short_names_.find(p);
    list.names.push_back({p.substr(prefix.size()),
                          short_name == short_names_.end() ? std::string() : short_name->second});
  }
  // In the order of the names, as a volume lists them.
  std::sort(list.names.begin(), list.names.end(),
            [](const ListedName& a, const ListedName& b) { return a.name < b.name; });
  return list;
}

Status MemoryFileSystem::QueryPath(std::string_view path) {
  ++queries_;
  NormaliseInto(query_, path);
  const std::string_view p = query_;
  if (!failures_.empty()) {
    if (const auto f = failures_.find(p); f != failures_.end()) return Failure{f->second, query_};
  }
  if (p.empty() || HasInvalidCharacter(p)) return Failure{kErrInvalidName, query_};
  if (paths_.find(p) != paths_.end()) return {};
  const auto cut = p.rfind('\\');
  const bool parent_exists =
      cut != std::string_view::npos && paths_.find(p.substr(0, cut == 2 ? 3 : cut)) != paths_.end();
  return Failure{parent_exists ? kErrFileNotFound : kErrPathNotFound, query_};
}

}  // namespace qm
