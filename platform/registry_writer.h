// The registry operations of a repair and of a restore: open an existing
// key, read one value by name and delete one value; for a restore, create a
// key and write one value. Kept apart from RegistryReader so that the scan,
// which must never change the registry, cannot reach them.
#pragma once

#include <string_view>
#include <utility>

#include "platform/registry.h"

namespace qm {

class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;

  // Opens an existing key below an open key or a predefined root for
  // querying values; an empty path opens the parent itself. Never creates
  // a key: a missing one answers kRegFileNotFound.
  [[nodiscard]] virtual RegStatus OpenKeyForQuery(RegKey parent, std::string_view path,
                                                  RegKey* out) = 0;
  // The same with the right to set and delete values as well.
  [[nodiscard]] virtual RegStatus OpenKeyForWrite(RegKey parent, std::string_view path,
                                                  RegKey* out) = 0;
  // The whole value called `name` ("" for the default value): its type and
  // all its data, however large. kRegFileNotFound when there is none.
  [[nodiscard]] virtual RegStatus QueryValue(RegKey key, std::string_view name,
                                             RegValue& value) = 0;
  // Deletes the value called `name`; kRegFileNotFound when there is none.
  [[nodiscard]] virtual RegStatus DeleteValue(RegKey key, std::string_view name) = 0;
  // Opens a key to set and query values, creating it and the keys on the
  // way when they are gone. Only restoring a backup does this: a repair
  // never brings a key into being.
  [[nodiscard]] virtual RegStatus CreateKeyForWrite(RegKey parent, std::string_view path,
                                                    RegKey* out) = 0;
  // Sets the value `value.name` to exactly this type and these bytes,
  // whatever they are (odd lengths and missing terminators included).
  [[nodiscard]] virtual RegStatus WriteValue(RegKey key, const RegValue& value) = 0;
  virtual void CloseKey(RegKey key) = 0;
};

using ScopedEditKey = ScopedKey<RegistryEditor>;

}  // namespace qm
