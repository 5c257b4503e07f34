#include "platform/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/text.h"

namespace qm {

namespace {
constexpr RegKey kFirstHandle = 0x1000;
constexpr std::size_t kIndexThreshold = 16;
// Deeper chains of links do not open, as a loop of links must not hang.
constexpr int kMaxLinksFollowed = 16;
// The arena's blocks; a value larger than a quarter of one gets its own.
constexpr std::size_t kArenaBlock = std::size_t{1} << 20;
}  // namespace

// What few keys need: indexes of keys with many subkeys or values, made
// failures, links. Kept apart so that the hundreds of thousands of plain
// keys of a loaded tree do not carry it.
struct MemoryRegistry::Extra {
  // Built once a key has many subkeys, so opening by name stays cheap.
  std::unordered_map<std::string, Node*> by_upper;
  // Upper-case name to position, built once a key has many values (a
  // loaded tree has keys with thousands); dropped when one is deleted.
  std::unordered_map<std::string, std::size_t> value_index;
  RegStatus open_failure = kRegOk;
  // Upper-case value names whose deletion fails, with the status it answers.
  std::vector<std::pair<std::string, RegStatus>> delete_failures;
  std::vector<std::pair<std::string, RegStatus>> write_failures;
  RegKey link_root = kNoKey;
  std::string link_path;
};

struct MemoryRegistry::Node {
  std::string name;
  std::string upper;
  std::vector<Node*> children;
  std::vector<PackedValue> values;
  std::unique_ptr<Extra> extra;
  bool deleted = false;
  bool is_link = false;

  Extra& More() {
    if (!extra) extra = std::make_unique<Extra>();
    return *extra;
  }
  [[nodiscard]] RegStatus OpenFailure() const { return extra ? extra->open_failure : kRegOk; }

  std::vector<PackedValue>::iterator FindValue(std::string_view name) {
    const std::string wanted = text::UpperCase(name);
    if (values.size() > kIndexThreshold) {
      auto& index = More().value_index;
      if (index.empty()) {
        for (std::size_t i = 0; i < values.size(); ++i) {
          index.emplace(text::UpperCase(values[i].Name()), i);
        }
      }
      const auto it = index.find(wanted);
      return it == index.end() ? values.end() : values.begin() + it->second;
    }
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (it->Name() == name || text::UpperCase(it->Name()) == wanted) return it;
    }
    return values.end();
  }
  void AddValue(const PackedValue& value) {
    if (extra && !extra->value_index.empty()) {
      extra->value_index.emplace(text::UpperCase(value.Name()), values.size());
    }
    values.push_back(value);
  }
  // Keeps the index rather than dropping it: a repair deletes thousands of
  // values of one key in turn, and rebuilding it each time made that
  // quadratic in the names' upper-casing.
  void EraseValue(std::vector<PackedValue>::iterator it) {
    const auto at = static_cast<std::size_t>(it - values.begin());
    if (extra && !extra->value_index.empty()) {
      const auto entry = extra->value_index.find(text::UpperCase(it->Name()));
      if (entry != extra->value_index.end() && entry->second == at) {
        extra->value_index.erase(entry);
      }
      for (auto& [name, index] : extra->value_index) {
        if (index > at) --index;
      }
    }
    values.erase(it);
  }

  Node* Find(std::string_view upper_name) const {
    if (extra && !extra->by_upper.empty()) {
      auto it = extra->by_upper.find(std::string(upper_name));
      return it == extra->by_upper.end() ? nullptr : it->second;
    }
    for (Node* c : children) {
      if (c->upper == upper_name) return c;
    }
    return nullptr;
  }
  void IndexChild(Node* c) {
    const bool indexed = extra && !extra->by_upper.empty();
    if (!indexed && children.size() > kIndexThreshold) {
      for (Node* e : children) More().by_upper.emplace(e->upper, e);
    } else if (indexed) {
      extra->by_upper.emplace(c->upper, c);
    }
  }
  void MarkDeleted() {
    deleted = true;
    for (Node* c : children) c->MarkDeleted();
  }
};

const std::uint8_t* MemoryRegistry::ByteArena::Store(std::string_view name,
                                                     std::span<const std::uint8_t> data) {
  const std::size_t n = name.size() + data.size();
  if (n == 0) return nullptr;
  std::uint8_t* at;
  if (n > kArenaBlock / 4) {
    at = large_.emplace_back(std::make_unique_for_overwrite<std::uint8_t[]>(n)).get();
  } else {
    if (blocks_.empty() || size_ - used_ < n) {
      blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kArenaBlock));
      used_ = 0;
      size_ = kArenaBlock;
    }
    at = blocks_.back().get() + used_;
    used_ += n;
  }
  if (!name.empty()) std::memcpy(at, name.data(), name.size());
  if (!data.empty()) std::memcpy(at + name.size(), data.data(), data.size());
  return at;
}

MemoryRegistry::PackedValue MemoryRegistry::Pack(const RegValue& value) {
  return {arena_.Store(value.name, value.data), static_cast<std::uint32_t>(value.name.size()),
          static_cast<std::uint32_t>(value.data.size()), value.type};
}

void MemoryRegistry::Unpack(const PackedValue& packed, RegValue& value) {
  value.name.assign(packed.Name());
  value.type = packed.type;
  const std::uint8_t* data = packed.bytes + packed.name_size;
  value.data.assign(data, data + packed.data_size);
}

void MemoryRegistry::Store(Node* node, const RegValue& value) {
  const auto it = node->FindValue(value.name);
  if (it != node->values.end()) {
    *it = Pack(value);
  } else {
    node->AddValue(Pack(value));
  }
}

MemoryRegistry::Node* MemoryRegistry::NewNode(std::string_view name, std::string upper) {
  Node& n = nodes_.emplace_back();
  n.name = std::string(name);
  n.upper = std::move(upper);
  return &n;
}

MemoryRegistry::MemoryRegistry() {
  for (const auto& r : kRegRoots) roots_.push_back(NewNode(r.name, std::string(r.name)));
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Resolve(RegKey key) const {
  if (IsPredefinedRoot(key)) return roots_[CanonicalRoot(key) - kRegRoots[0].handle];
  if (key < kFirstHandle || key - kFirstHandle >= slots_.size()) return nullptr;
  return slots_[key - kFirstHandle];
}

MemoryRegistry::Node* MemoryRegistry::Follow(Node* node, int links_followed) {
  if (!node || !node->is_link) return node;
  if (links_followed >= kMaxLinksFollowed) return nullptr;
  Node* root = Resolve(node->extra->link_root);
  return root ? Walk(root, node->extra->link_path, false, links_followed + 1) : nullptr;
}

// Building walks the tree as it is stored; reading follows links on the way.
MemoryRegistry::Node* MemoryRegistry::Walk(Node* from, std::string_view path, bool create,
                                           int links_followed) {
  Node* node = from;
  std::size_t pos = 0;
  while (node && pos <= path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    std::string upper = text::UpperCase(part);
    Node* next = node->Find(upper);
    if (!next && create) {
      next = NewNode(part, std::move(upper));
      node->children.push_back(next);
      node->IndexChild(next);
      ++key_count_;
    }
    node = create ? next : Follow(next, links_followed);
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::Ensure(RegKey root, std::string_view path) {
  Node* r = Resolve(root);
  return r ? Walk(r, path, true) : nullptr;
}

void MemoryRegistry::CreateKey(RegKey root, std::string_view path) {
  Ensure(root, path);
}

RegKey MemoryRegistry::CreateKeyForBuilding(RegKey root, std::string_view path) {
  Node* n = Ensure(root, path);
  return n ? AddHandle(n) : kNoKey;
}

RegKey MemoryRegistry::InsertKeyForBuilding(RegKey parent, std::string_view name,
                                            std::size_t index) {
  Node* p = Resolve(parent);
  if (!p || p->deleted || name.empty() || name.find('\\') != std::string_view::npos) return kNoKey;
  const std::string upper = text::UpperCase(name);
  Node* existing = p->Find(upper);
  if (existing) return AddHandle(existing);
  Node* made = NewNode(name, upper);
  p->children.insert(
      p->children.begin() + static_cast<std::ptrdiff_t>(std::min(index, p->children.size())), made);
  p->IndexChild(made);
  ++key_count_;
  return AddHandle(made);
}

std::optional<std::uint32_t> MemoryRegistry::SubkeyCount(RegKey key) const {
  const Node* n = Resolve(key);
  if (!n || n->deleted) return std::nullopt;
  return static_cast<std::uint32_t>(n->children.size());
}

void MemoryRegistry::SetValue(RegKey root, std::string_view path, RegValue value) {
  if (Node* n = Ensure(root, path)) Store(n, value);
}

void MemoryRegistry::SetString(RegKey root, std::string_view path, std::string_view name,
                               std::string_view utf8, std::uint32_t type) {
  const std::u16string w = text::Utf8ToUtf16(utf8);
  RegValue v{std::string(name), type, {}};
  v.data.resize((w.size() + 1) * 2);
  std::memcpy(v.data.data(), w.data(), w.size() * 2);
  SetValue(root, path, std::move(v));
}

void MemoryRegistry::SetMultiString(RegKey root, std::string_view path, std::string_view name,
                                    const std::vector<std::string>& strings) {
  RegValue v{std::string(name), kRegMultiSz, {}};
  for (const auto& s : strings) {
    const std::u16string w = text::Utf8ToUtf16(s);
    for (char16_t c : w) {
      v.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
      v.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    v.data.push_back(0);
    v.data.push_back(0);
  }
  v.data.push_back(0);
  v.data.push_back(0);
  SetValue(root, path, std::move(v));
}

void MemoryRegistry::SetDword(RegKey root, std::string_view path, std::string_view name,
                              std::uint32_t x) {
  RegValue v{std::string(name), kRegDword, {}};
  for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
  SetValue(root, path, std::move(v));
}

void MemoryRegistry::SetBinary(RegKey root, std::string_view path, std::string_view name,
                               std::vector<std::uint8_t> data, std::uint32_t type) {
  SetValue(root, path, RegValue{std::string(name), type, std::move(data)});
}

void MemoryRegistry::FailOpen(RegKey root, std::string_view path, RegStatus status) {
  if (Node* n = Ensure(root, path)) n->More().open_failure = status;
}

void MemoryRegistry::RemoveRoot(RegKey root) {
  if (Node* n = Resolve(root); n && IsPredefinedRoot(root)) {
    n->More().open_failure = kRegFileNotFound;
  }
}

void MemoryRegistry::FailDelete(RegKey root, std::string_view path, std::string_view name,
                                RegStatus status) {
  if (Node* n = Ensure(root, path)) {
    n->More().delete_failures.emplace_back(text::UpperCase(name), status);
  }
}

void MemoryRegistry::FailWrite(RegKey root, std::string_view path, std::string_view name,
                               RegStatus status) {
  if (Node* n = Ensure(root, path)) {
    n->More().write_failures.emplace_back(text::UpperCase(name), status);
  }
}

void MemoryRegistry::MountCurrentUserUnderUsers(std::string_view sid) {
  Node* users = Resolve(kHkeyUsers);
  Node* user = roots_[kHkeyCurrentUser - kRegRoots[0].handle];
  user->name = std::string(sid);
  user->upper = text::UpperCase(sid);
  users->children.push_back(user);
  users->IndexChild(user);
  ++key_count_;
}

void MemoryRegistry::SetLink(RegKey root, std::string_view path, RegKey target_root,
                             std::string_view target_path) {
  Node* n = Ensure(root, path);
  if (!n) return;
  n->is_link = true;
  n->More().link_root = IsPredefinedRoot(target_root) ? CanonicalRoot(target_root) : kNoKey;
  n->More().link_path = std::string(target_path);
}

bool MemoryRegistry::DeleteKey(RegKey root, std::string_view path) {
  const std::size_t cut = path.rfind('\\');
  const std::string_view parent_path = cut == std::string_view::npos ? "" : path.substr(0, cut);
  const std::string_view leaf = cut == std::string_view::npos ? path : path.substr(cut + 1);
  Node* r = Resolve(root);
  Node* parent = r ? Walk(r, parent_path, false) : nullptr;
  if (!parent || leaf.empty()) return false;
  const std::string upper = text::UpperCase(leaf);
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if ((*it)->upper != upper) continue;
    (*it)->MarkDeleted();
    if (parent->extra) parent->extra->by_upper.erase(upper);
    parent->children.erase(it);
    return true;
  }
  return false;
}

RegStatus MemoryRegistry::OpenKey(RegKey parent, std::string_view path, RegKey* out) {
  *out = kNoKey;
  Node* from = Resolve(parent);
  if (!from) return kRegInvalidHandle;
  if (from->deleted) return kRegKeyDeleted;
  if (IsPredefinedRoot(parent) && from->OpenFailure() != kRegOk) return from->OpenFailure();
  Node* node = Walk(from, path, false);
  if (!node) return kRegFileNotFound;
  if (node->OpenFailure() != kRegOk && node != from) return node->OpenFailure();
  *out = AddHandle(node);
  return kRegOk;
}

RegKey MemoryRegistry::AddHandle(Node* node) {
  std::size_t slot;
  if (!free_slots_.empty()) {
    slot = free_slots_.back();
    free_slots_.pop_back();
    slots_[slot] = node;
  } else {
    slot = slots_.size();
    slots_.push_back(node);
  }
  ++open_count_;
  return kFirstHandle + slot;
}

RegStatus MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  const Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  if (index >= n->children.size()) return kRegNoMoreItems;
  name = n->children[index]->name;
  return kRegOk;
}

RegStatus MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, RegValue& value) {
  const Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  if (index >= n->values.size()) return kRegNoMoreItems;
  Unpack(n->values[index], value);
  return kRegOk;
}

RegStatus MemoryRegistry::OpenKeyForQuery(RegKey parent, std::string_view path, RegKey* out) {
  return OpenKey(parent, path, out);
}

RegStatus MemoryRegistry::OpenKeyForWrite(RegKey parent, std::string_view path, RegKey* out) {
  return OpenKey(parent, path, out);
}

RegStatus MemoryRegistry::QueryValue(RegKey key, std::string_view name, RegValue& value) {
  Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  const auto it = n->FindValue(name);
  if (it == n->values.end()) return kRegFileNotFound;
  Unpack(*it, value);
  return kRegOk;
}

RegStatus MemoryRegistry::DeleteValue(RegKey key, std::string_view name) {
  Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  if (n->extra) {
    const std::string upper = text::UpperCase(name);
    for (const auto& [failing, status] : n->extra->delete_failures) {
      if (failing == upper) return status;
    }
  }
  const auto it = n->FindValue(name);
  if (it == n->values.end()) return kRegFileNotFound;
  n->EraseValue(it);
  return kRegOk;
}

RegStatus MemoryRegistry::CreateKeyForWrite(RegKey parent, std::string_view path, RegKey* out) {
  *out = kNoKey;
  Node* from = Resolve(parent);
  if (!from) return kRegInvalidHandle;
  if (from->deleted) return kRegKeyDeleted;
  if (IsPredefinedRoot(parent) && from->OpenFailure() != kRegOk) return from->OpenFailure();
  // A key that refuses to open refuses to be created through as well.
  Node* existing = Walk(from, path, false);
  if (existing && existing != from && existing->OpenFailure() != kRegOk) {
    return existing->OpenFailure();
  }
  *out = AddHandle(existing ? existing : Walk(from, path, true));
  return kRegOk;
}

RegStatus MemoryRegistry::WriteValue(RegKey key, const RegValue& value) {
  Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  if (n->extra) {
    const std::string upper = text::UpperCase(value.name);
    for (const auto& [failing, status] : n->extra->write_failures) {
      if (failing == upper) return status;
    }
  }
  Store(n, value);
  return kRegOk;
}

RegStatus MemoryRegistry::WriteValues(RegKey key, std::span<const RegValue> values) {
  Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  n->values.reserve(n->values.size() + values.size());
  for (const RegValue& v : values) {
    if (const RegStatus rc = WriteValue(key, v); rc != kRegOk) return rc;
  }
  return kRegOk;
}

void MemoryRegistry::CloseKey(RegKey key) {
  if (IsPredefinedRoot(key) || key < kFirstHandle) return;
  const std::size_t slot = key - kFirstHandle;
  if (slot >= slots_.size() || !slots_[slot]) return;
  slots_[slot] = nullptr;
  free_slots_.push_back(slot);
  --open_count_;
}

}  // namespace qm
