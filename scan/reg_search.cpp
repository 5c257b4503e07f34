#include "scan/reg_search.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "scan/value_format.h"

namespace qm {

namespace {
// Handler codes are returned as they are unless they would read as a normal
// end or a stop.
int HandlerCode(int rc) {
  return rc > kSearchStopped ? rc : kSearchHandlerFailed;
}
}  // namespace

cRegSearch::cRegSearch(RegistryReader& registry, SearchListener& listener,
                       std::function<void()> yield)
    : registry_(registry), listener_(listener), yield_(std::move(yield)) {}

cRegSearch::~cRegSearch() {
  stop_code_ = kSearchStopped;
}

void cRegSearch::SearchString(std::string_view vData) {
  search_string_ = std::string(vData);
  finder_ = text::NoCaseFinder(search_string_);
  upper_search_ = text::UpperCase(search_string_);
  ascii_search_ = std::all_of(upper_search_.begin(), upper_search_.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  // Hex dumps and DWORD texts use few characters: a search text with any
  // other character can never be found in them, so they need no formatting.
  const auto within = [this](std::string_view alphabet) {
    return upper_search_.find_first_not_of(alphabet) == std::string::npos;
  };
  binary_may_match_ = within("0123456789ABCDEF ");
  anchor_ = std::string::npos;
  for (std::size_t i = 0; i < upper_search_.size(); ++i) {
    const char c = upper_search_[i];
    if (c != 0 && !(c >= 'A' && c <= 'Z')) {
      anchor_ = i;
      break;
    }
  }
  dword_may_match_ = within("0123456789ABCDEFX()-");
}

// Whether the data text of a value may pass IsMatch, decided where possible
// without formatting it: the walk tests every value, and most fail.
bool cRegSearch::DataMayMatch(std::uint32_t type, const std::vector<std::uint8_t>& data) const {
  if (flags_ & kSearchWholeText) return true;
  switch (type) {
    case kRegSz:
    case kRegMultiSz:
      return !ascii_search_ || Utf16ContainsAscii(data);
    case kRegBinary:
      return binary_may_match_;
    case kRegDword:
      return dword_may_match_;
    default:
      return true;
  }
}

// An ASCII search text matches the UTF-8 form of a string exactly when it
// matches its UTF-16 form unit by unit: no other character folds to ASCII.
// Candidates are found by memchr on a caseless character of the search
// text when it has one (the ':' of "C:"), since most strings hold none.
bool cRegSearch::Utf16ContainsAscii(const std::vector<std::uint8_t>& data) const {
  const std::size_t units = data.size() / 2;
  const std::uint8_t* d = data.data();
  const auto unit = [d](std::size_t i) -> unsigned {
    const unsigned u = d[2 * i] | (d[2 * i + 1] << 8);
    return (u >= 'a' && u <= 'z') ? u - 32 : u;
  };
  const std::size_t n = upper_search_.size();
  if (n == 0) return units != 0 && unit(0) != 0;
  if (n > units) return false;
  const auto matches_at = [&](std::size_t start) {
    for (std::size_t k = 0; k < n; ++k) {
      if (unit(start + k) != static_cast<unsigned char>(upper_search_[k])) return false;
    }
    for (std::size_t i = 0; i < start; ++i) {
      if (unit(i) == 0) return false;  // the text ended before the match
    }
    return true;
  };
  if (anchor_ != std::string::npos) {
    const auto a = static_cast<unsigned char>(upper_search_[anchor_]);
    const std::uint8_t* p = d;
    const std::uint8_t* end = d + units * 2;
    while (p < end) {
      p = static_cast<const std::uint8_t*>(std::memchr(p, a, static_cast<std::size_t>(end - p)));
      if (!p) return false;
      const std::size_t offset = static_cast<std::size_t>(p - d);
      ++p;
      if (offset % 2 != 0 || d[offset + 1] != 0) continue;
      const std::size_t at = offset / 2;
      if (at >= anchor_ && at - anchor_ + n <= units && matches_at(at - anchor_)) return true;
    }
    return false;
  }
  const auto first = static_cast<unsigned char>(upper_search_[0]);
  for (std::size_t i = 0; i + n <= units; ++i) {
    const unsigned u = unit(i);
    if (u == 0) return false;
    if (u == first && matches_at(i)) return true;
  }
  return false;
}

bool cRegSearch::IsMatch(std::string_view text) const {
  if (flags_ & kSearchWholeText) return text::UpperCase(text) == upper_search_;
  return finder_.FoundIn(text);
}

void cRegSearch::Fail(int code) {
  stop_code_ = code;
}

bool cRegSearch::Report(std::string_view root, std::string_view key, std::string_view value,
                        std::int32_t found, std::string_view value_name) {
  const int rc = listener_.SearchFound(root, key, value, found, value_name);
  if (rc == 0) return true;
  Fail(HandlerCode(rc));
  return false;
}

void cRegSearch::YieldToOwner() {
  if (yield_) yield_();
}

void cRegSearch::DoSearch() {
  starts_opened_ = 0;
  start_failure_ = kRegOk;
  try {
    if (root_ != 0) {
      Walk(static_cast<RegKey>(static_cast<std::uint32_t>(root_)), true);
    } else {
      bool first = true;
      for (const auto& root : kRegRoots) {
        if (!first && stop_code_ != 0) break;
        first = false;
        Walk(root.handle, false);
      }
    }
  } catch (const std::bad_alloc&) {
    Fail(kSearchOutOfMemory);
  } catch (...) {
    Fail(kSearchInternalFault);
  }
  levels_.clear();  // closes whatever a fault left open
  const std::int32_t reason = stop_code_;
  try {
    listener_.SearchFinished(reason);
  } catch (...) {
    // Nothing is left to end; the walk has already reported its reason.
  }
  stop_code_ = 0;
}

// One walk from a start key: its values when asked, then its subtree
// depth-first and pre-order. One handle stays open per level of the current
// path, each child being opened relative to its open parent.
void cRegSearch::Walk(RegKey root, bool read_start_values) {
  if (stop_code_ != 0) return;
  const std::string_view root_name = RootKeyName(root);
  RegKey start = kNoKey;
  if (const RegStatus rc = registry_.OpenKey(root, sub_key_, &start); rc != kRegOk) {
    start_failure_ = rc;
    return;
  }
  ++starts_opened_;

  full_.assign(root_name);
  full_ += '\\';
  base_ = full_.size();
  full_ += sub_key_;
  levels_.clear();
  levels_.push_back(Level{ScopedRegKey(registry_, start), sub_key_.size()});
  if (read_start_values && (flags_ & (kSearchValueNames | kSearchValueData))) {
    SearchValues(start, sub_key_.size());
    if (stop_code_ != 0) levels_.pop_back();
  }

  while (!levels_.empty()) {
    Level& level = levels_.back();
    const RegKey key = level.key.Get();
    const std::size_t path_len = level.path_len;
    try {
      YieldToOwner();
      if (registry_.EnumKey(key, level.index, name_) != kRegOk) {
        levels_.pop_back();
        continue;
      }
      ++level.index;
      const std::string_view name = StripNull(name_);
      full_.resize(base_ + path_len);
      if (path_len != 0) full_ += '\\';
      full_ += name;
      const std::size_t child_len = full_.size() - base_;
      const std::string_view child(full_.data() + base_, child_len);

      if (stop_code_ == 0) {
        const int rc = listener_.SearchKeyChanged(full_);
        if (rc != 0) {
          Fail(HandlerCode(rc));
          levels_.pop_back();
          continue;
        }
      }
      found_type_ = kRegNone;
      if (IsMatch(name) && !Report(root_name, child, "*", kFoundKeyName)) {
        levels_.pop_back();
        continue;
      }
      if (stop_code_ != 0) continue;  // winding down: test names, descend nowhere

      RegKey sub = kNoKey;
      if (registry_.OpenKey(key, name, &sub) != kRegOk) continue;
      levels_.push_back(Level{ScopedRegKey(registry_, sub), child_len});
      if (flags_ & (kSearchValueNames | kSearchValueData)) SearchValues(sub, child_len);
      if (stop_code_ != 0) levels_.pop_back();
    } catch (const std::bad_alloc&) {
      Fail(kSearchOutOfMemory);
      levels_.pop_back();
    } catch (...) {
      Fail(kSearchInternalFault);
      levels_.pop_back();
    }
  }
}

// The values of one open key. It does not yield and, once started, always
// finishes its key unless a handler fails.
void cRegSearch::SearchValues(RegKey key, std::size_t path_len) {
  if (stop_code_ != 0) return;
  const std::string_view root_name(full_.data(), base_ - 1);
  const std::string_view path(full_.data() + base_, path_len);
  for (std::uint32_t index = 0;; ++index) {
    if (registry_.EnumValue(key, index, value_) != kRegOk) return;
    const std::string_view name = StripNull(value_.name);
    const bool names = (flags_ & kSearchValueNames) && IsMatch(name);
    const bool data = (flags_ & kSearchValueData) && DataMayMatch(value_.type, value_.data);
    if (!names && !data) continue;
    FormatValueDataInto(value_text_, value_.type, value_.data.data(), value_.data.size());
    key_text_.assign(path);
    key_text_ += '\\';
    key_text_ += name;
    found_type_ = value_.type;
    if (names && !Report(root_name, key_text_, value_text_, kFoundValueName, name)) return;
    if (data) {
      const std::string_view text = StripNull(value_text_);
      if (IsMatch(text) && !Report(root_name, key_text_, text, kFoundValueData, name)) return;
    }
  }
}

}  // namespace qm
