// Changes to hive files made through hivex, each hive written whole to a
// new file beside it, flushed, and renamed over the original only once it
// is complete, so that a failure at any step leaves the original as it
// was. The first time a hive is changed, its original is kept beside it as
// NAME.quillmar-orig.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/file_replace.h"
#include "platform/registry.h"

namespace qm::posix {

struct HiveChange {
  enum class Kind { kDeleteValue, kSetValue };
  Kind kind = Kind::kDeleteValue;
  std::string path;  // the key below the hive's root, "\"-separated
  RegValue value;    // its name alone for a deletion
};

struct HiveWriteResult {
  bool ok = false;
  std::string error;  // which step failed, naming the file
};

// Applies the changes in order: a value to delete that is already gone is
// no failure (another row may have named it); a value to set creates the
// keys on its way. Nothing is written unless every change applies.
[[nodiscard]] HiveWriteResult WriteHive(const std::string& file,
                                        const std::vector<HiveChange>& changes,
                                        const HiveFileSteps& steps = {});

}  // namespace qm::posix
