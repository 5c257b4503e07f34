// Puts the values of a backup file back into the registry with their exact
// types and bytes, and compares the registry with a backup. The system's
// importer is not used for this: it adds a NUL to string data that lack
// one and reports success for a file it could not read.
#pragma once

#include <span>
#include <vector>

#include "platform/registry_writer.h"
#include "repair/reg_file.h"

namespace qm {

enum class ValueCheck {
  kSame,        // the registry holds the value with this type and these bytes
  kDiffers,     // it holds a value of this name with another type or data
  kMissing,     // the value or its key does not exist
  kUnreadable,  // the key or value could not be read (`status` says why)
  kNotWritten,  // restore only: creating the key or writing failed
};

struct ValueOutcome {
  ValueCheck check = ValueCheck::kUnreadable;
  RegStatus status = kRegOk;  // the failing call's status, else kRegOk
};

// One outcome per entry, in the entries' order. The entries' keys must
// name a predefined root (ReadRegFile makes sure of that).
[[nodiscard]] std::vector<ValueOutcome> CompareWithRegistry(std::span<const BackupEntry> entries,
                                                            RegistryEditor& registry);

// Writes every entry, creating keys that are gone, then reads every value
// back: an entry counts as restored only when its outcome is kSame.
[[nodiscard]] std::vector<ValueOutcome> RestoreEntries(std::span<const BackupEntry> entries,
                                                       RegistryEditor& registry);

}  // namespace qm
