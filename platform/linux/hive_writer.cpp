#include "platform/linux/hive_writer.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/handles.h"
#include "platform/linux/system_code.h"

namespace qm::posix {

namespace {

// The key at `path`, created on the way when `create`; 0 when missing.
hive_node_h KeyAt(hive_h* h, const std::string& path, bool create) {
  hive_node_h node = hivex_root(h);
  std::size_t pos = 0;
  while (node != 0 && pos < path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    errno = 0;
    hive_node_h child = hivex_node_get_child(h, node, part.c_str());
    if (child == 0 && errno == 0 && create) child = hivex_node_add_child(h, node, part.c_str());
    node = child;
  }
  return node;
}

// Replaces the key's values with all but the one named: hivex sets a
// key's whole value list at once.
bool DeleteValue(hive_h* h, hive_node_h node, const std::string& name) {
  UniqueMalloc<hive_value_h> values(hivex_node_values(h, node));
  if (!values) return false;
  struct Kept {
    UniqueMalloc<char> key, data;
    std::uint32_t type = 0;
    std::size_t len = 0;
  };
  std::vector<Kept> kept;
  bool found = false;
  for (const hive_value_h* v = values.get(); *v != 0; ++v) {
    Kept k;
    k.key.reset(hivex_value_key(h, *v));
    if (!k.key) return false;
    if (strcasecmp(k.key.get(), name.c_str()) == 0) {
      found = true;
      continue;
    }
    k.data.reset(hivex_value_value(h, *v, reinterpret_cast<hive_type*>(&k.type), &k.len));
    if (!k.data) return false;
    kept.push_back(std::move(k));
  }
  if (!found) return true;
  std::vector<hive_set_value> set;
  for (Kept& k : kept) {
    set.push_back({k.key.get(), static_cast<hive_type>(k.type), k.len, k.data.get()});
  }
  return hivex_node_set_values(h, node, set.size(), set.data(), 0) == 0;
}

bool SetValue(hive_h* h, hive_node_h node, const RegValue& value) {
  hive_set_value v{const_cast<char*>(value.name.c_str()), static_cast<hive_type>(value.type),
                   value.data.size(),
                   const_cast<char*>(reinterpret_cast<const char*>(value.data.data()))};
  return hivex_node_set_value(h, node, &v, 0) == 0;
}

}  // namespace

Status WriteHive(const std::string& file, const std::vector<HiveChange>& changes,
                 const HiveFileSteps& steps) {
  errno = 0;
  UniqueHive h(hivex_open(file.c_str(), HIVEX_OPEN_WRITE));
  if (!h) return ErrnoFailure(file + " does not open for writing");
  for (const HiveChange& c : changes) {
    const bool set = c.kind != HiveChange::Kind::kDeleteValue;
    errno = 0;
    const hive_node_h node = KeyAt(h.Get(), c.path, set);
    if (node != 0 && c.kind == HiveChange::Kind::kCreateKey) continue;
    if (node == 0) {
      if (!set && errno == 0) continue;  // its key is gone: so is the value
      return ErrnoFailure(file + ": the key " + c.path + " cannot be " + (set ? "made" : "read"));
    }
    if (!(set ? SetValue(h.Get(), node, c.value) : DeleteValue(h.Get(), node, c.value.name))) {
      return ErrnoFailure(file + ": the value '" + c.value.name + "' of " + c.path + " cannot be " +
                          (set ? "written" : "deleted"));
    }
  }
  // hivex writes the whole hive to the new file itself.
  return ReplaceFile(
      file, [&h](const std::string& fresh) { return hivex_commit(h.Get(), fresh.c_str(), 0) == 0; },
      steps);
}

}  // namespace qm::posix
