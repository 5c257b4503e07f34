#include "shell/app_urls.h"

#include "shell_config.h"

namespace qm::shell {

Urls& AppUrls() {
  static Urls urls{QM_HOME_PAGE_URL, QM_AD_FETCH_URL, QM_AD_CLICK_URL};
  return urls;
}

}  // namespace qm::shell
