// Failures of the button's property setters. The numbers are the ones the
// host's layout tools know: callers compare against these values.
#pragma once

#include <cstdint>

namespace qm::button {

enum class [[nodiscard]] Status : std::int32_t{
    kOk = 0,
    kInvalidPropertyValue = 380,      // a value outside its allowed range
    kSetNotSupportedAtRuntime = 382,  // read-only while the host runs
    kSetNotPermitted = 387,           // read-only in design mode too
};

}  // namespace qm::button
