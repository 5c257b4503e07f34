#include "repair/row_value.h"

#include "scan/value_format.h"

namespace qm {

RegKey RootKeyFromName(std::string_view name) {
  for (const auto& r : kRegRoots) {
    if (name == r.name) return r.handle;
  }
  return kNoKey;
}

RowValue ReadRowValue(RegistryEditor& registry, const RegErrorRow& row) {
  RowValue out;
  const RegKey root = RootKeyFromName(row.root);
  if (root == kNoKey) {
    out.state = RowValueState::kUnknownRoot;
    out.status = kRegInvalidHandle;
    return out;
  }
  ScopedEditKey key(registry);
  RegStatus rc = registry.OpenKeyForQuery(root, row.key_path, key.Put());
  if (rc == kRegOk) rc = registry.QueryValue(key.Get(), row.value_name, out.value);
  out.status = rc;
  if (rc == kRegFileNotFound) {
    out.state = RowValueState::kGone;
  } else if (rc != kRegOk) {
    out.state = RowValueState::kUnreadable;
  } else {
    // The row's text is how the scan showed these data; other data mean
    // the value is no longer the reference the user was shown.
    const bool same =
        FormatValueData(out.value.type, out.value.data.data(), out.value.data.size()) == row.value;
    out.state = same ? RowValueState::kUnchanged : RowValueState::kChanged;
  }
  return out;
}

}  // namespace qm
