// The one failure vocabulary: what went wrong as the system's code (the
// Win32 error numbers, which the registry's codes share) and a UTF-8 detail
// naming what failed; `Result<T>` is a value or that failure, `Status` the
// same with no value.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace qm {

// The codes failures carry (the registry's RegStatus values are the same
// numbers). A failed path query's kErrFileNotFound or kErrPathNotFound
// means "nothing of that name".
inline constexpr std::uint32_t kErrFileNotFound = 2;
inline constexpr std::uint32_t kErrPathNotFound = 3;
inline constexpr std::uint32_t kErrAccessDenied = 5;
inline constexpr std::uint32_t kErrInvalidData = 13;  // the content does not read
inline constexpr std::uint32_t kErrNotReady = 21;
inline constexpr std::uint32_t kErrGenFailure = 31;    // a device that does not work
inline constexpr std::uint32_t kErrNotSupported = 50;  // asked for what cannot be done here
inline constexpr std::uint32_t kErrFileExists = 80;
inline constexpr std::uint32_t kErrDiskFull = 112;
inline constexpr std::uint32_t kErrInvalidName = 123;
inline constexpr std::uint32_t kErrAlreadyExists = 183;

struct [[nodiscard]] Failure {
  std::uint32_t code = kErrGenFailure;
  std::string detail;  // what failed, naming the file or key, for the user
};

// What a Result<T> takes as its value: anything a T is made from, but a
// failure.
template <typename U, typename T>
concept HeldAs = std::constructible_from<T, U&&> && !std::same_as<std::remove_cvref_t<U>, Failure>;

template <typename T>
class [[nodiscard]] Result {
 public:
  Result() = default;  // the value made empty, where T can be
  // Implicit, as the value or the failure it holds: `return value;` and
  // `return Failure{...};` both read as what they are.
  template <HeldAs<T> U = T>
  Result(U&& value) : held_(std::in_place_index<0>, std::forward<U>(value)) {}    // NOLINT
  Result(Failure failure) : held_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT

  [[nodiscard]] bool ok() const { return held_.index() == 0; }
  [[nodiscard]] T& value() { return std::get<0>(held_); }
  [[nodiscard]] const T& value() const { return std::get<0>(held_); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  [[nodiscard]] const Failure& failure() const { return std::get<1>(held_); }
  // 0 when it succeeded.
  [[nodiscard]] std::uint32_t code() const { return ok() ? 0 : failure().code; }
  // Empty when it succeeded.
  [[nodiscard]] const std::string& detail() const {
    static const std::string kNone;
    return ok() ? kNone : failure().detail;
  }

 private:
  std::variant<T, Failure> held_;
};

struct Done {};
using Status = Result<Done>;

}  // namespace qm
