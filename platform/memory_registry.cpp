#include "platform/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace qm {

namespace {
constexpr RegKey kFirstHandle = 0x1000;
constexpr std::size_t kIndexThreshold = 16;
// Deeper chains of links do not open, as a loop of links must not hang.
constexpr int kMaxLinksFollowed = 16;
}  // namespace

struct MemoryRegistry::Node : std::enable_shared_from_this<Node> {
  std::string name;
  std::string upper;
  std::vector<std::shared_ptr<Node>> children;
  // Built once a key has many subkeys, so opening by name stays cheap.
  std::unordered_map<std::string, Node*> by_upper;
  std::vector<RegValue> values;
  // Upper-case name to position, built once a key has many values (a
  // loaded tree has keys with thousands); dropped when one is deleted.
  std::unordered_map<std::string, std::size_t> value_index;
  RegStatus open_failure = kRegOk;
  // Upper-case value names whose deletion fails, with the status it answers.
  std::vector<std::pair<std::string, RegStatus>> delete_failures;
  std::vector<std::pair<std::string, RegStatus>> write_failures;
  bool deleted = false;
  bool is_link = false;
  RegKey link_root = kNoKey;
  std::string link_path;

  std::vector<RegValue>::iterator FindValue(std::string_view name) {
    const std::string upper = text::UpperCase(name);
    if (values.size() > kIndexThreshold) {
      if (value_index.empty()) {
        for (std::size_t i = 0; i < values.size(); ++i) {
          value_index.emplace(text::UpperCase(values[i].name), i);
        }
      }
      const auto it = value_index.find(upper);
      return it == value_index.end() ? values.end() : values.begin() + it->second;
    }
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (text::UpperCase(it->name) == upper) return it;
    }
    return values.end();
  }
  void AddValue(RegValue value) {
    if (!value_index.empty()) value_index.emplace(text::UpperCase(value.name), values.size());
    values.push_back(std::move(value));
  }
  void EraseValue(std::vector<RegValue>::iterator it) {
    values.erase(it);
    value_index.clear();
  }

  Node* Find(std::string_view upper_name) const {
    if (!by_upper.empty()) {
      auto it = by_upper.find(std::string(upper_name));
      return it == by_upper.end() ? nullptr : it->second;
    }
    for (const auto& c : children) {
      if (c->upper == upper_name) return c.get();
    }
    return nullptr;
  }
  void IndexChild(Node* c) {
    if (by_upper.empty() && children.size() > kIndexThreshold) {
      for (const auto& e : children) by_upper.emplace(e->upper, e.get());
    } else if (!by_upper.empty()) {
      by_upper.emplace(c->upper, c);
    }
  }
  void MarkDeleted() {
    deleted = true;
    for (auto& c : children) c->MarkDeleted();
  }
};

MemoryRegistry::MemoryRegistry() {
  for (const auto& r : kRegRoots) {
    auto n = std::make_shared<Node>();
    n->name = r.name;
    n->upper = r.name;
    roots_.push_back(std::move(n));
  }
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Resolve(RegKey key) const {
  if (IsPredefinedRoot(key)) return roots_[CanonicalRoot(key) - kRegRoots[0].handle].get();
  if (key < kFirstHandle || key - kFirstHandle >= slots_.size()) return nullptr;
  return slots_[key - kFirstHandle].get();
}

MemoryRegistry::Node* MemoryRegistry::Follow(Node* node, int links_followed) {
  if (!node || !node->is_link) return node;
  if (links_followed >= kMaxLinksFollowed) return nullptr;
  Node* root = Resolve(node->link_root);
  return root ? Walk(root, node->link_path, false, links_followed + 1) : nullptr;
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
    const std::string upper = text::UpperCase(part);
    Node* next = node->Find(upper);
    if (!next && create) {
      auto child = std::make_shared<Node>();
      child->name = std::string(part);
      child->upper = upper;
      next = child.get();
      node->children.push_back(std::move(child));
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
  auto child = std::make_shared<Node>();
  child->name = std::string(name);
  child->upper = upper;
  Node* made = child.get();
  p->children.insert(
      p->children.begin() + static_cast<std::ptrdiff_t>(std::min(index, p->children.size())),
      std::move(child));
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
  Node* n = Ensure(root, path);
  if (!n) return;
  const auto it = n->FindValue(value.name);
  if (it != n->values.end()) {
    *it = std::move(value);
  } else {
    n->AddValue(std::move(value));
  }
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
  if (Node* n = Ensure(root, path)) n->open_failure = status;
}

void MemoryRegistry::RemoveRoot(RegKey root) {
  if (Node* n = Resolve(root); n && IsPredefinedRoot(root)) n->open_failure = kRegFileNotFound;
}

void MemoryRegistry::FailDelete(RegKey root, std::string_view path, std::string_view name,
                                RegStatus status) {
  if (Node* n = Ensure(root, path)) n->delete_failures.emplace_back(text::UpperCase(name), status);
}

void MemoryRegistry::FailWrite(RegKey root, std::string_view path, std::string_view name,
                               RegStatus status) {
  if (Node* n = Ensure(root, path)) n->write_failures.emplace_back(text::UpperCase(name), status);
}

void MemoryRegistry::MountCurrentUserUnderUsers(std::string_view sid) {
  Node* users = Resolve(kHkeyUsers);
  std::shared_ptr<Node> user = roots_[kHkeyCurrentUser - kRegRoots[0].handle];
  user->name = std::string(sid);
  user->upper = text::UpperCase(sid);
  users->children.push_back(user);
  users->IndexChild(user.get());
  ++key_count_;
}

void MemoryRegistry::SetLink(RegKey root, std::string_view path, RegKey target_root,
                             std::string_view target_path) {
  Node* n = Ensure(root, path);
  if (!n) return;
  n->is_link = true;
  n->link_root = IsPredefinedRoot(target_root) ? CanonicalRoot(target_root) : kNoKey;
  n->link_path = std::string(target_path);
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
    parent->by_upper.erase(upper);
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
  if (IsPredefinedRoot(parent) && from->open_failure != kRegOk) return from->open_failure;
  Node* node = Walk(from, path, false);
  if (!node) return kRegFileNotFound;
  if (node->open_failure != kRegOk && node != from) return node->open_failure;
  *out = AddHandle(node);
  return kRegOk;
}

RegKey MemoryRegistry::AddHandle(Node* node) {
  std::shared_ptr<Node> owner = node->shared_from_this();
  std::size_t slot;
  if (!free_slots_.empty()) {
    slot = free_slots_.back();
    free_slots_.pop_back();
    slots_[slot] = std::move(owner);
  } else {
    slot = slots_.size();
    slots_.push_back(std::move(owner));
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
  const RegValue& v = n->values[index];
  value.name = v.name;
  value.type = v.type;
  value.data.assign(v.data.begin(), v.data.end());
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
  value = *it;
  return kRegOk;
}

RegStatus MemoryRegistry::DeleteValue(RegKey key, std::string_view name) {
  Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  const std::string upper = text::UpperCase(name);
  for (const auto& [failing, status] : n->delete_failures) {
    if (failing == upper) return status;
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
  if (IsPredefinedRoot(parent) && from->open_failure != kRegOk) return from->open_failure;
  // A key that refuses to open refuses to be created through as well.
  Node* existing = Walk(from, path, false);
  if (existing && existing != from && existing->open_failure != kRegOk) {
    return existing->open_failure;
  }
  *out = AddHandle(existing ? existing : Walk(from, path, true));
  return kRegOk;
}

RegStatus MemoryRegistry::WriteValue(RegKey key, const RegValue& value) {
  Node* n = Resolve(key);
  if (!n) return kRegInvalidHandle;
  if (n->deleted) return kRegKeyDeleted;
  const std::string upper = text::UpperCase(value.name);
  for (const auto& [failing, status] : n->write_failures) {
    if (failing == upper) return status;
  }
  const auto it = n->FindValue(value.name);
  if (it != n->values.end()) {
    *it = value;
  } else {
    n->AddValue(value);
  }
  return kRegOk;
}

void MemoryRegistry::CloseKey(RegKey key) {
  if (IsPredefinedRoot(key) || key < kFirstHandle) return;
  const std::size_t slot = key - kFirstHandle;
  if (slot >= slots_.size() || !slots_[slot]) return;
  slots_[slot].reset();
  free_slots_.push_back(slot);
  --open_count_;
}

}  // namespace qm
