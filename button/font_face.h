// A font as the button stores it: the description, not a platform object.
#pragma once

#include <string>

namespace qm::button {

struct FontSpec {
  std::string name;  // UTF-8 face name
  double size_points = 9.0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int charset = 1;  // the platform's character-set number (1 = default)

  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

}  // namespace qm::button
