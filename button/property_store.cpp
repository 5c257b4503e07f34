#include "button/property_store.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace qm::button {
namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<std::int64_t> AsNumber(const PropertyValue& v) {
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (const auto* s = std::get_if<std::int16_t>(&v)) return *s;
  // A stored Boolean reads as a number the way the layout format writes it:
  // True is -1.
  if (const auto* b = std::get_if<bool>(&v)) return *b ? -1 : 0;
  return std::nullopt;
}

}  // namespace

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

std::int32_t ReadInt32(const PropertyStore& store, std::string_view key,
                       std::int32_t default_value) {
  const auto n = AsNumber(store.Read(key, default_value));
  return n ? static_cast<std::int32_t>(*n) : default_value;
}

std::int16_t ReadInt16(const PropertyStore& store, std::string_view key,
                       std::int16_t default_value) {
  const auto n = AsNumber(store.Read(key, default_value));
  if (!n || *n < std::numeric_limits<std::int16_t>::min() ||
      *n > std::numeric_limits<std::int16_t>::max()) {
    return default_value;
  }
  return static_cast<std::int16_t>(*n);
}

bool ReadBool(const PropertyStore& store, std::string_view key, bool default_value) {
  const auto n = AsNumber(store.Read(key, default_value));
  return n ? *n != 0 : default_value;
}

std::string ReadText(const PropertyStore& store, std::string_view key,
                     std::string_view default_value) {
  const PropertyValue v = store.Read(key, std::string(default_value));
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return std::string(default_value);
}

FontSpec ReadFont(const PropertyStore& store, std::string_view key, const FontSpec& default_value) {
  const PropertyValue v = store.Read(key, default_value);
  if (const auto* f = std::get_if<FontSpec>(&v)) return *f;
  return default_value;
}

PropertyValue MemoryPropertyStore::Read(std::string_view key,
                                        const PropertyValue& default_value) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? default_value : it->second;
}

void MemoryPropertyStore::Write(std::string_view key, const PropertyValue& value,
                                const PropertyValue& default_value) {
  // A value equal to its default is left out; an older entry under the same
  // key goes too, so the layout never keeps a stale non-default value.
  if (value == default_value) {
    const auto it = entries_.find(key);
    if (it != entries_.end()) entries_.erase(it);
    return;
  }
  Set(key, value);
}

void MemoryPropertyStore::Set(std::string_view key, PropertyValue value) {
  const auto it = entries_.find(key);
  if (it != entries_.end()) {
    it->second = std::move(value);
  } else {
    entries_.emplace(std::string(key), std::move(value));
  }
}

bool MemoryPropertyStore::Contains(std::string_view key) const {
  return entries_.find(key) != entries_.end();
}

}  // namespace qm::button
