// Changes to hive files made through hivex, each hive written whole to a
// new file beside it, flushed, and renamed over the original only once it
// is complete, so that a failure at any step leaves the original as it
// was. The first time a hive is changed, its original is kept beside it as
// NAME.quillmar-orig.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/change_recorder.h"
#include "platform/linux/file_replace.h"
#include "platform/registry.h"

namespace qm::posix {

using HiveChange = RegistryChange;

// Applies the changes in order: a value to delete that is already gone is
// no failure (another row may have named it); a value to set creates the
// keys on its way, as does a key to create. Nothing is written unless every change applies.
[[nodiscard]] Status WriteHive(const std::string& file, const std::vector<HiveChange>& changes,
                               const HiveFileSteps& steps = {});

}  // namespace qm::posix
