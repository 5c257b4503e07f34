// The host's layout data as the button reads and writes it. Keys compare
// without regard to letter case; a write whose value equals its default
// leaves the key out, so a saved layout lists only non-default values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "button/font_face.h"

namespace qm::button {

using PropertyValue = std::variant<std::int32_t, std::int16_t, bool, std::string, FontSpec>;

class PropertyStore {
 public:
  virtual ~PropertyStore() = default;
  // The stored value, or default_value when the key is absent.
  [[nodiscard]] virtual PropertyValue Read(std::string_view key,
                                           const PropertyValue& default_value) const = 0;
  virtual void Write(std::string_view key, const PropertyValue& value,
                     const PropertyValue& default_value) = 0;
};

// Typed reads. Stored numbers and Booleans convert into one another as the
// layout format allows; a value of an unrelated kind (text where a number
// belongs) or a number outside the target range yields the default.
[[nodiscard]] std::int32_t ReadInt32(const PropertyStore& store, std::string_view key,
                                     std::int32_t default_value);
[[nodiscard]] std::int16_t ReadInt16(const PropertyStore& store, std::string_view key,
                                     std::int16_t default_value);
[[nodiscard]] bool ReadBool(const PropertyStore& store, std::string_view key, bool default_value);
[[nodiscard]] std::string ReadText(const PropertyStore& store, std::string_view key,
                                   std::string_view default_value);
[[nodiscard]] FontSpec ReadFont(const PropertyStore& store, std::string_view key,
                                const FontSpec& default_value);

struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

// An in-memory layout: what a window's layout data holds for one instance.
class MemoryPropertyStore final : public PropertyStore {
 public:
  using Map = std::map<std::string, PropertyValue, NoCaseLess>;

  [[nodiscard]] PropertyValue Read(std::string_view key,
                                   const PropertyValue& default_value) const override;
  void Write(std::string_view key, const PropertyValue& value,
             const PropertyValue& default_value) override;

  // Puts a value in unconditionally, as a layout file would hold it.
  void Set(std::string_view key, PropertyValue value);
  [[nodiscard]] bool Contains(std::string_view key) const;
  [[nodiscard]] const Map& Entries() const { return entries_; }

  friend bool operator==(const MemoryPropertyStore& a, const MemoryPropertyStore& b) {
    return a.entries_ == b.entries_;
  }

 private:
  Map entries_;
};

}  // namespace qm::button
