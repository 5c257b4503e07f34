// A registry held in memory that answers the read operations as the real
// one does: handles per open, index order, Windows status codes, keys that
// refuse to open and keys deleted while handles to them are open. It also
// answers the repair's and the restore's operations (query, delete and
// write one value, create a key), with deletions and writes that can be
// made to fail.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_writer.h"

namespace qm {

class MemoryRegistry final : public RegistryReader, public RegistryEditor {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  // Building the tree. Keys on the way are created; subkeys and values keep
  // the order in which they were first created.
  void CreateKey(RegKey root, std::string_view path);
  void SetValue(RegKey root, std::string_view path, RegValue value);
  void SetString(RegKey root, std::string_view path, std::string_view name, std::string_view utf8,
                 std::uint32_t type = kRegSz);
  void SetMultiString(RegKey root, std::string_view path, std::string_view name,
                      const std::vector<std::string>& strings);
  void SetDword(RegKey root, std::string_view path, std::string_view name, std::uint32_t v);
  void SetBinary(RegKey root, std::string_view path, std::string_view name,
                 std::vector<std::uint8_t> data, std::uint32_t type = kRegBinary);

  // Creates the key as stored, never through a link, and opens it; its
  // values are then written with WriteValue and the handle closed with
  // CloseKey. For loading a whole tree, one open per key.
  [[nodiscard]] RegKey CreateKeyForBuilding(RegKey root, std::string_view path);
  // Creates the subkey `name` of an open key at `index` among its subkeys
  // (at the end past the last), or finds it where it is, and opens it; for
  // keys read afterwards into a loaded tree at the place the registry
  // lists them. kNoKey for a handle that is not open.
  [[nodiscard]] RegKey InsertKeyForBuilding(RegKey parent, std::string_view name,
                                            std::size_t index);
  // How many subkeys an open key has; nothing for a handle that is not open.
  [[nodiscard]] std::optional<std::uint32_t> SubkeyCount(RegKey key) const;

  // Makes opening this key (not its descendants through other handles)
  // answer `status`, as a key with a restrictive ACL does.
  void FailOpen(RegKey root, std::string_view path, RegStatus status);
  // Makes a whole root absent, as HKEY_DYN_DATA is on NT systems.
  void RemoveRoot(RegKey root);
  // Deletes a key and its subtree. Open handles to it stay valid as handles
  // but answer kRegKeyDeleted, as on Windows.
  bool DeleteKey(RegKey root, std::string_view path);

  // Makes deleting the value `name` of this key answer `status`, as a key
  // whose ACL allows reading but not writing does; the value stays.
  void FailDelete(RegKey root, std::string_view path, std::string_view name, RegStatus status);
  // Makes writing the value `name` of this key answer `status`; nothing is
  // written.
  void FailWrite(RegKey root, std::string_view path, std::string_view name, RegStatus status);
  // Makes HKEY_USERS\<sid> the same key as HKEY_CURRENT_USER, as on
  // Windows: a value reached through one root is the value of the other.
  void MountCurrentUserUnderUsers(std::string_view sid);
  // Makes the key a symbolic link to `target_path` below `target_root`, as
  // the system's links are: its parent lists it by its own name, and
  // opening it (or a path through it) reaches the target, whose values and
  // subkeys it then shows. A link to kNoKey leads nowhere. A link whose
  // target is missing, or that leads
  // through more links than the system follows, does not open.
  void SetLink(RegKey root, std::string_view path, RegKey target_root,
               std::string_view target_path);

  // How many handles are open now: every OpenKey must meet its CloseKey.
  [[nodiscard]] std::size_t OpenHandles() const { return open_count_; }
  [[nodiscard]] std::size_t KeyCount() const { return key_count_; }

  [[nodiscard]] RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) override;
  [[nodiscard]] RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  [[nodiscard]] RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
  void CloseKey(RegKey key) override;

  [[nodiscard]] RegStatus OpenKeyForQuery(RegKey parent, std::string_view path,
                                          RegKey* out) override;
  [[nodiscard]] RegStatus OpenKeyForWrite(RegKey parent, std::string_view path,
                                          RegKey* out) override;
  [[nodiscard]] RegStatus QueryValue(RegKey key, std::string_view name, RegValue& value) override;
  [[nodiscard]] RegStatus DeleteValue(RegKey key, std::string_view name) override;
  [[nodiscard]] RegStatus CreateKeyForWrite(RegKey parent, std::string_view path,
                                            RegKey* out) override;
  [[nodiscard]] RegStatus WriteValue(RegKey key, const RegValue& value) override;
  // Writes the values of an open key in one go, for loading: the key then
  // holds room for exactly its values.
  [[nodiscard]] RegStatus WriteValues(RegKey key, std::span<const RegValue> values);

 private:
  struct Node;
  struct Extra;
  // Value names and data, packed: a loaded registry holds hundreds of
  // thousands of small values, and one allocation each would cost more
  // than the values themselves.
  class ByteArena {
   public:
    [[nodiscard]] const std::uint8_t* Store(std::string_view name,
                                            std::span<const std::uint8_t> data);

   private:
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::vector<std::unique_ptr<std::uint8_t[]>> large_;  // one value each
    std::size_t used_ = 0;
    std::size_t size_ = 0;
  };
  struct PackedValue {
    const std::uint8_t* bytes;  // the name, then the data, in the arena
    std::uint32_t name_size;
    std::uint32_t data_size;
    std::uint32_t type;
    [[nodiscard]] std::string_view Name() const {
      return {reinterpret_cast<const char*>(bytes), name_size};
    }
  };
  Node* Resolve(RegKey key) const;
  Node* Walk(Node* from, std::string_view path, bool create, int links_followed = 0);
  Node* Follow(Node* node, int links_followed);
  Node* Ensure(RegKey root, std::string_view path);
  Node* NewNode(std::string_view name, std::string upper);
  RegKey AddHandle(Node* node);
  PackedValue Pack(const RegValue& value);
  void Store(Node* node, const RegValue& value);
  static void Unpack(const PackedValue& packed, RegValue& value);

  // Every node ever made, deleted ones too: a handle to a deleted key stays
  // valid as a handle. A deque never moves what it holds.
  std::deque<Node> nodes_;
  ByteArena arena_;
  std::vector<Node*> roots_;
  std::vector<Node*> slots_;  // handle h is slots_[h - kFirstHandle]
  std::vector<std::size_t> free_slots_;
  std::size_t open_count_ = 0;
  std::size_t key_count_ = 0;
};

}  // namespace qm
