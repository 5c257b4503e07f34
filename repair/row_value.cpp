#include "repair/row_value.h"

#include "platform/text.h"
#include "scan/value_format.h"

namespace qm {

RowValue ReadRowValue(RegistryEditor& registry, const RegErrorRow& row) {
  RowValue out;
  const RegKey root = RootKeyFromName(row.root);
  if (root == kNoKey) {
    out.state = RowValueState::kUnknownRoot;
    out.status = kRegInvalidHandle;
    return out;
  }
  // A name that does not convert exactly would be looked up as another
  // name, whose absence says nothing about this one.
  if (!text::IsWtf8(row.key_path) || !text::IsWtf8(row.value_name)) {
    out.state = RowValueState::kUnreadable;
    out.status = kRegNoUnicodeTranslation;
    return out;
  }
  ScopedEditKey key(registry);
  RegStatus rc = registry.OpenKeyForQuery(root, row.key_path, key.Put());
  if (rc != kRegOk) {
    out.status = rc;
    out.state = rc == kRegFileNotFound ? RowValueState::kKeyGone : RowValueState::kUnreadable;
    return out;
  }
  rc = registry.QueryValue(key.Get(), row.value_name, out.value);
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
