// The addresses the program opens and fetches. Their values are set when
// the program is built (HomePageUrl, AdFetchUrl, AdClickUrl); tests point
// them elsewhere.
#pragma once

#include <string>

namespace qm::shell {

struct Urls {
  std::string home_page;  // opened by LabelHomePage, and its text
  std::string ad_fetch;   // where the advertisement text comes from
  std::string ad_click;   // opened by a click on the advertisement
};

[[nodiscard]] Urls& AppUrls();

}  // namespace qm::shell
