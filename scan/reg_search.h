// cRegSearch walks a registry tree depth-first and reports every key name,
// value name and value text that contains (or equals) a search text. It only
// reads the registry and knows nothing of files or windows: its owner sets
// the properties, calls DoSearch and judges the reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "scan/value_format.h"

namespace qm {

// Why a walk ended, as SearchFinished reports it.
inline constexpr std::int32_t kSearchCompleted = 0;
inline constexpr std::int32_t kSearchStopped = 1;
// The walk ran out of memory (a name, a value or a path could not be held).
inline constexpr std::int32_t kSearchOutOfMemory = 7;
// Something unexpected was thrown inside the walk, by the walk itself, the
// registry provider, the yield or an event handler.
inline constexpr std::int32_t kSearchInternalFault = 51;
// An event handler reported a failure with a code of 0 or 1 or below, which
// would read as success or stop; handlers' codes above 1 are kept as they are.
inline constexpr std::int32_t kSearchHandlerFailed = 440;

// Bits of SearchFlags.
inline constexpr std::int32_t kSearchValueNames = 1;
inline constexpr std::int32_t kSearchValueData = 2;
inline constexpr std::int32_t kSearchWholeText = 4;

// kinds of find, the lFound of SearchFound
inline constexpr std::int32_t kFoundKeyName = 0;
inline constexpr std::int32_t kFoundValueName = 1;
inline constexpr std::int32_t kFoundValueData = 2;

// The owner of a search receives its events synchronously, on the thread
// that runs DoSearch. A handler returns 0 to let the walk go on; any other
// value is a failure that ends the walk with that code.
//
// SearchFound also carries the value's name on its own (empty for a key-name
// find): sKey joins the key path and the name with "\", and a name may hold
// backslashes itself, so the joined text cannot always be split again.
class SearchListener {
 public:
  virtual ~SearchListener() = default;
  [[nodiscard]] virtual int SearchFound(std::string_view sRootKey, std::string_view sKey,
                                        std::string_view sValue, std::int32_t lFound,
                                        std::string_view sValueName) = 0;
  [[nodiscard]] virtual int SearchKeyChanged(std::string_view sFullKeyName) = 0;
  virtual void SearchFinished(std::int32_t lReason) = 0;
};

class cRegSearch {
 public:
  // `yield` runs once per subkey reached (and once more when a key's listing
  // ends) so the owner's window stays responsive and can call StopSearch.
  cRegSearch(RegistryReader& registry, SearchListener& listener, std::function<void()> yield = {});
  ~cRegSearch();
  cRegSearch(const cRegSearch&) = delete;
  cRegSearch& operator=(const cRegSearch&) = delete;

  // Property setters. They may be called during a yield; the walk reads each
  // property where it uses it.
  void SubKey(std::string vData) { sub_key_ = std::move(vData); }
  void SearchString(std::string_view vData);
  void SearchFlags(std::int32_t vData) { flags_ = vData; }
  // 0 searches all seven roots in table order; otherwise the root's handle
  // (0x80000000 to 0x80000006, negative as a 32-bit signed integer).
  void RootKey(std::int32_t vData) { root_ = vData; }

  // Runs one whole walk and returns after SearchFinished. One walk at a
  // time: the owner must not call DoSearch from a handler or a yield.
  void DoSearch();
  // Asks the walk to wind down; when idle, the next DoSearch reports 1 at once.
  void StopSearch() { stop_code_ = kSearchStopped; }

  // Of the last DoSearch: how many start keys it opened (one per root
  // walked), and the status of the last start key it could not open
  // (kRegOk when none failed). The walk itself passes a missing start key
  // over in silence.
  [[nodiscard]] int StartKeysOpened() const { return starts_opened_; }
  [[nodiscard]] RegStatus StartKeyFailure() const { return start_failure_; }

  // The registry type of the value that the SearchFound being handled
  // reports (kRegNone for a key-name find). Only meaningful during that call.
  [[nodiscard]] std::uint32_t FoundType() const { return found_type_; }
  // That value's type and stored data (none for a key-name find), for the
  // rule to read a multi-string's later strings. Only meaningful during
  // that call.
  [[nodiscard]] StoredData FoundData() const {
    if (found_type_ == kRegNone) return {};
    return {found_type_, value_.data};
  }

 private:
  struct Level {
    ScopedRegKey key;
    std::size_t path_len;  // length of this key's path within full_
    std::uint32_t index = 0;
  };

  void Walk(RegKey root, bool read_start_values);
  void SearchValues(RegKey key, std::size_t path_len);
  [[nodiscard]] bool IsMatch(std::string_view text) const;
  [[nodiscard]] bool DataMayMatch(std::uint32_t type, const std::vector<std::uint8_t>& data) const;
  [[nodiscard]] bool Utf16ContainsAscii(const std::vector<std::uint8_t>& data) const;
  void Fail(int code);
  [[nodiscard]] bool Report(std::string_view root, std::string_view key, std::string_view value,
                            std::int32_t found, std::string_view value_name = {});
  void YieldToOwner();

  RegistryReader& registry_;
  SearchListener& listener_;
  std::function<void()> yield_;

  std::int32_t root_ = 0;
  std::string sub_key_;
  std::string search_string_;
  text::NoCaseFinder finder_;
  std::string upper_search_;
  bool ascii_search_ = true;
  bool binary_may_match_ = true;
  bool dword_may_match_ = true;
  std::size_t anchor_ = std::string::npos;  // a caseless character of the search text
  std::int32_t flags_ = 0;
  std::int32_t stop_code_ = 0;
  std::uint32_t found_type_ = kRegNone;
  int starts_opened_ = 0;
  RegStatus start_failure_ = kRegOk;

  // Buffers reused through the walk so that it allocates only while they grow.
  std::string full_;      // root name, "\", the current key's path
  std::size_t base_ = 0;  // where the path starts within full_
  std::string name_;
  std::string key_text_;
  std::string value_text_;
  RegValue value_;
  std::vector<Level> levels_;
};

// The part of a text before its first NUL character. Inline: the walk cuts
// every name and value it reads.
[[nodiscard]] inline std::string_view StripNull(std::string_view text) {
  const auto nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

}  // namespace qm
