#include "testing/memory_file_system.h"

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

PathQuery MemoryFileSystem::QueryPath(std::string_view path) {
  ++queries_;
  NormaliseInto(query_, path);
  const std::string_view p = query_;
  if (!failures_.empty()) {
    if (const auto f = failures_.find(p); f != failures_.end()) return {false, f->second};
  }
  if (p.empty() || HasInvalidCharacter(p)) return {false, kErrInvalidName};
  if (paths_.find(p) != paths_.end()) return {true, 0};
  const auto cut = p.rfind('\\');
  const bool parent_exists =
      cut != std::string_view::npos && paths_.find(p.substr(0, cut == 2 ? 3 : cut)) != paths_.end();
  return {false, parent_exists ? kErrFileNotFound : kErrPathNotFound};
}

}  // namespace qm
