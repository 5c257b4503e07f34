// A profile held in memory, for the runs whose order of writes a test
// checks: each write is also noted in an event log ("profile:" section "/"
// key) that the test's other stand-ins share. The file-backed stand-in is
// IniFileProfile.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_io.h"
#include "platform/text.h"

namespace qm::testing {

using EventLog = std::vector<std::string>;

// Values keyed by file|section|key, without regard to case.
class MemoryProfile final : public PrivateProfile {
 public:
  explicit MemoryProfile(EventLog& log) : log_(log) {}
  void Set(const std::string& file, const std::string& section, const std::string& key,
           const std::string& value) {
    values_[Key(file, section, key)] = value;
  }
  [[nodiscard]] std::optional<std::string> Get(const std::string& file, const std::string& section,
                                               const std::string& key) const {
    const auto it = values_.find(Key(file, section, key));
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  ProfileRead GetString(std::string_view file, std::string_view section, std::string_view key,
                        std::size_t) override {
    const auto v = Get(std::string(file), std::string(section), std::string(key));
    if (!v) return {};
    return {*v, v->size()};
  }
  bool WriteString(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) override {
    Set(std::string(file), std::string(section), std::string(key), std::string(value));
    log_.push_back("profile:" + std::string(section) + "/" + std::string(key));
    return true;
  }

 private:
  static std::string Key(const std::string& f, const std::string& s, const std::string& k) {
    return text::UpperCase(f) + "|" + text::UpperCase(s) + "|" + text::UpperCase(k);
  }
  std::map<std::string, std::string> values_;
  EventLog& log_;
};

}  // namespace qm::testing
