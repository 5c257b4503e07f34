#include "platform/linux/hive_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"

namespace qm::posix {

namespace {

// Windows keeps keys at most 512 levels deep; a deeper chain is a damaged
// or hostile hive.
constexpr std::size_t kMaxDepth = 512;

template <typename T>
using Owned = UniqueMalloc<T>;

class Copier {
 public:
  Copier(hive_h* h, MemoryRegistry& into, const std::string& file)
      : h_(h), into_(into), file_(file) {}

  bool Copy(hive_node_h node, RegKey root, const std::string& path, std::size_t depth) {
    if (depth > kMaxDepth) return Fail("keys nest deeper than Windows allows");
    // A subkey list that leads back to a key already read is a loop.
    if (!seen_.insert(node).second) return Fail("a subkey list leads back to a key read before");
    ++keys_;
    const RegKey key = into_.CreateKeyForBuilding(root, path);
    if (key == kNoKey) return Fail("a key cannot be stored");
    const bool values_ok = CopyValues(node, key);
    into_.CloseKey(key);
    if (!values_ok) return false;
    errno = 0;
    Owned<hive_node_h> children(hivex_node_children(h_, node));
    if (!children) return Fail("a subkey list does not read");
    for (const hive_node_h* c = children.get(); *c != 0; ++c) {
      Owned<char> name(hivex_node_name(h_, *c));
      if (!name) return Fail("a key name does not read");
      if (!Copy(*c, root, path.empty() ? name.get() : path + "\\" + name.get(), depth + 1)) {
        return false;
      }
    }
    return true;
  }

  bool Fail(const std::string& why) {
    failure_ = ErrnoFailure(file_ + ": " + why);
    return false;
  }
  std::size_t keys_ = 0;
  Failure failure_;

 private:
  bool CopyValues(hive_node_h node, RegKey key) {
    errno = 0;
    Owned<hive_value_h> values(hivex_node_values(h_, node));
    if (!values) return Fail("a value list does not read");
    for (const hive_value_h* v = values.get(); *v != 0; ++v) {
      Owned<char> name(hivex_value_key(h_, *v));
      if (!name) return Fail("a value name does not read");
      // A damaged hive may hold any type number, which hive_type has no
      // enumerator for: it is read as the number it is.
      static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
      std::uint32_t type = 0;
      std::size_t len = 0;
      Owned<char> data(hivex_value_value(h_, *v, reinterpret_cast<hive_type*>(&type), &len));
      if (!data) return Fail("the data of value '" + std::string(name.get()) + "' do not read");
      RegValue value{name.get(), type, {}};
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.get());
      value.data.assign(bytes, bytes + len);
      if (into_.WriteValue(key, value) != kRegOk) return Fail("a value cannot be stored");
    }
    return true;
  }

  hive_h* h_;
  MemoryRegistry& into_;
  const std::string& file_;
  std::unordered_set<hive_node_h> seen_;
};

}  // namespace

Result<std::size_t> LoadHive(const std::string& file, MemoryRegistry& into, RegKey root,
                             std::string_view under, std::string_view subtree) {
  errno = 0;
  UniqueHive h(hivex_open(file.c_str(), 0));
  if (!h) {
    const int e = errno;
    return Failure{SystemCode(e), file + " is not a readable hive (" + std::strerror(e) + ")"};
  }
  Copier copier(h.Get(), into, file);
  hive_node_h node = hivex_root(h.Get());
  std::size_t pos = 0;
  while (node != 0 && pos < subtree.size()) {
    std::size_t end = subtree.find('\\', pos);
    if (end == std::string_view::npos) end = subtree.size();
    const std::string part(subtree.substr(pos, end - pos));
    pos = end + 1;
    node = hivex_node_get_child(h.Get(), node, part.c_str());
  }
  if (node == 0) {
    return Failure{kErrFileNotFound,
                   file + " has no key " + std::string(subtree.empty() ? "at its root" : subtree)};
  }
  if (!copier.Copy(node, root, std::string(under), 0)) return copier.failure_;
  return copier.keys_;
}

Result<bool> ReadHiveHeader(const std::string& file) {
  const UniqueStdioFile f(std::fopen(file.c_str(), "rb"));
  if (!f) {
    const int e = errno;
    return Failure{SystemCode(e), file + " cannot be read: " + std::strerror(e)};
  }
  unsigned char b[12] = {};
  const bool whole = std::fread(b, 1, sizeof b, f.Get()) == sizeof b;
  if (!whole || std::memcmp(b, "regf", 4) != 0) {
    return Failure{kErrInvalidData, file + " is not a hive (no regf header)"};
  }
  const auto u32 = [&b](int at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
  };
  return u32(4) == u32(8);
}

}  // namespace qm::posix
