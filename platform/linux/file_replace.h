// A registry file replaced as a whole: the new contents go to a file
// beside it, are flushed, and only then renamed over the original, so that
// a failure at any step leaves the original as it was. The first time a
// file is replaced, its original is kept beside it as NAME.quillmar-orig.
#pragma once

#include <functional>
#include <string>

#include "platform/failure.h"

namespace qm::posix {

inline constexpr const char* kOriginalSuffix = ".quillmar-orig";

// The file operations the replacement uses, so that a failing step can be
// tried; the defaults are the system's.
struct HiveFileSteps {
  std::function<int(const char* from, const char* to)> rename;
};

// `write_new` writes the new contents to the path it is given (which does
// not exist yet) and says whether they are there whole. A failure's detail
// says which step failed, naming the file.
[[nodiscard]] Status ReplaceFile(const std::string& file,
                                 const std::function<bool(const std::string&)>& write_new,
                                 const HiveFileSteps& steps = {});

}  // namespace qm::posix
