// Whether a Wine prefix's server runs. While it does, it holds the
// prefix's registry in memory and writes it over the registry files when
// it exits (and from time to time before), so a change made to the files
// meanwhile would be lost, or worse, mixed with its own.
#pragma once

#include <string>

#include "platform/failure.h"

namespace qm::posix {

// Wine's server keeps a write lock on the file "lock" in a folder named by
// the prefix folder's device and inode, server-DEV-INODE, for as long as it
// runs. That folder lies in /tmp/.wine-UID, or (as Debian's Wine makes it)
// in a folder /tmp/wine-XXXXXX of the user's; each is looked at. `tmp` is
// the folder holding them.
// True while it runs; a failure naming what could not be checked when
// that cannot be told.
[[nodiscard]] Result<bool> WineServerRunning(const std::string& prefix,
                                             const std::string& tmp = "/tmp");

}  // namespace qm::posix
