#include "platform/win32/registry_editor.h"

#include "platform/text.h"
#include "platform/win32/registry.h"
#include "platform/win32/wide.h"

namespace qm::win32 {

RegStatus Win32RegistryEditor::Open(RegKey parent, std::string_view path, REGSAM access,
                                    RegKey* out) {
  *out = kNoKey;
  if (!text::IsWtf8(path)) return kRegNoUnicodeTranslation;
  // RegOpenKeyExW, not RegCreateKeyExW: a repair must never bring a key
  // into being, and a missing key simply holds nothing to delete.
  HKEY h = nullptr;
  const LONG rc = RegOpenKeyExW(ToHkey(parent), Widen(path).c_str(), 0, access, &h);
  if (rc != ERROR_SUCCESS) return rc;
  // A root handed back as itself arrives sign-extended; the core keeps
  // the 32-bit form, which CloseKey never closes.
  *out = CanonicalRoot(reinterpret_cast<RegKey>(h));
  return kRegOk;
}

RegStatus Win32RegistryEditor::OpenKeyForQuery(RegKey parent, std::string_view path, RegKey* out) {
  return Open(parent, path, KEY_QUERY_VALUE, out);
}

RegStatus Win32RegistryEditor::OpenKeyForWrite(RegKey parent, std::string_view path, RegKey* out) {
  return Open(parent, path, KEY_QUERY_VALUE | KEY_SET_VALUE, out);
}

RegStatus Win32RegistryEditor::QueryValue(RegKey key, std::string_view name, RegValue& value) {
  // Widen would make stray bytes U+FFFD and ask about another name.
  if (!text::IsWtf8(name)) return kRegNoUnicodeTranslation;
  const std::wstring wide_name = Widen(name);
  // The value may grow between the size query and the read: try again
  // with the size the last call reported.
  for (int attempt = 0;; ++attempt) {
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(data_.size());
    const LONG rc =
        RegQueryValueExW(ToHkey(key), wide_name.c_str(), nullptr, &type, data_.data(), &bytes);
    if (rc == ERROR_MORE_DATA && attempt < 8) {
      data_.resize(bytes > data_.size() ? bytes : data_.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    value.name = std::string(name);
    value.type = type;
    value.data.assign(data_.data(), data_.data() + bytes);
    return kRegOk;
  }
}

RegStatus Win32RegistryEditor::DeleteValue(RegKey key, std::string_view name) {
  if (!text::IsWtf8(name)) return kRegNoUnicodeTranslation;
  return RegDeleteValueW(ToHkey(key), Widen(name).c_str());
}

RegStatus Win32RegistryEditor::CreateKeyForWrite(RegKey parent, std::string_view path,
                                                 RegKey* out) {
  *out = kNoKey;
  if (!text::IsWtf8(path)) return kRegNoUnicodeTranslation;
  HKEY h = nullptr;
  const LONG rc = RegCreateKeyExW(ToHkey(parent), Widen(path).c_str(), 0, nullptr, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &h, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  *out = reinterpret_cast<RegKey>(h);
  return kRegOk;
}

RegStatus Win32RegistryEditor::WriteValue(RegKey key, const RegValue& value) {
  // For string types RegSetValueExW looks at the character just past the
  // data: when that is a NUL and the data's last one is not, it stores the
  // NUL too, "for a caller that forgot to count it" (Wine does this, and
  // says NT does). Two non-zero bytes after the data keep it to exactly
  // the bytes given, whatever memory happens to follow.
  if (!text::IsWtf8(value.name)) return kRegNoUnicodeTranslation;
  data_.assign(value.data.begin(), value.data.end());
  data_.push_back(0xFF);
  data_.push_back(0xFF);
  return RegSetValueExW(ToHkey(key), Widen(value.name).c_str(), 0, value.type, data_.data(),
                        static_cast<DWORD>(value.data.size()));
}

void Win32RegistryEditor::CloseKey(RegKey key) {
  if (key != kNoKey && !IsPredefinedRoot(key)) RegCloseKey(ToHkey(key));
}

}  // namespace qm::win32
