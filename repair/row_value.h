// What a row of the error list names in the registry now: the value it was
// found as, a value that has changed since, or nothing at all.
#pragma once

#include "platform/registry_writer.h"
#include "scan/error_list.h"

namespace qm {

enum class RowValueState {
  kUnchanged,    // present, and its data still give the row's value text
  kChanged,      // present, but edited or replaced since the scan
  kGone,         // its key exists and holds no value of exactly that name
  kKeyGone,      // opening its key answers "not found": whether the value is
                 // gone cannot be told, since a path that does not address
                 // the key answers the same
  kUnreadable,   // the key or value could not be read (access denied, a name
                 // that does not convert exactly, ...)
  kUnknownRoot,  // the row's root name is not one of the predefined roots
};

struct RowValue {
  RowValueState state = RowValueState::kUnreadable;
  RegStatus status = kRegOk;  // the failing call's status for kUnreadable
  RegValue value;             // as read, for kUnchanged and kChanged
};

// Reads the value the row names, by its key path and value name as the
// search found them (a name may hold backslashes, so the joined column text
// is never split again).
[[nodiscard]] RowValue ReadRowValue(RegistryEditor& registry, const RegErrorRow& row);

}  // namespace qm
