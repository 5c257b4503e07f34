#include "testing/memory_file_system.h"

#include "platform/text.h"

namespace qm {

namespace {
std::string Normalise(std::string_view path) {
  std::string p = text::UpperCase(path);
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
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

PathQuery MemoryFileSystem::QueryPath(std::string_view path) {
  ++queries_;
  const std::string p = Normalise(path);
  if (const auto f = failures_.find(p); f != failures_.end()) return {false, f->second};
  if (p.empty() || p.find_first_of("\"*?<>|") != std::string::npos) return {false, kErrInvalidName};
  if (paths_.count(p)) return {true, 0};
  const auto cut = p.rfind('\\');
  const bool parent_exists =
      cut != std::string::npos && paths_.count(p.substr(0, cut == 2 ? 3 : cut));
  return {false, parent_exists ? kErrFileNotFound : kErrPathNotFound};
}

}  // namespace qm
