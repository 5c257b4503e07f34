// A listener that records every event of a search as one line of text, so
// tests can compare whole event sequences.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scan/reg_search.h"

namespace qm::testing {

class SearchRecorder : public SearchListener {
 public:
  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    names.push_back(std::string(name));
    log.push_back("found " + std::string(root) + "|" + std::string(key) + "|" + std::string(value) +
                  "|" + std::to_string(found));
    return on_found ? on_found(key, found) : 0;
  }
  int SearchKeyChanged(std::string_view full) override {
    log.push_back("key " + std::string(full));
    return on_key ? on_key(full) : 0;
  }
  void SearchFinished(std::int32_t reason) override {
    log.push_back("finished " + std::to_string(reason));
    reasons.push_back(reason);
  }

  // Lines that start with `prefix`.
  [[nodiscard]] std::vector<std::string> Only(std::string_view prefix) const {
    std::vector<std::string> out;
    for (const auto& l : log) {
      if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    }
    return out;
  }

  std::vector<std::string> log;
  std::vector<std::int32_t> reasons;
  std::vector<std::string> names;  // the value name of each find
  std::function<int(std::string_view key, std::int32_t found)> on_found;
  std::function<int(std::string_view full)> on_key;
};

}  // namespace qm::testing
