// Resource numbers of the generated artwork, shared by the resource script,
// the artwork generator and the windows.
#pragma once

#define QM_ID_APP_ICON 1
#define QM_ID_MIN 101          /* 101..103: normal, hover, pressed */
#define QM_ID_EXIT 111         /* 111..113 */
#define QM_ID_NAV_SCANNER 121  /* 121..123 */
#define QM_ID_NAV_RESTORE 131  /* 131..133 */
#define QM_ID_NAV_SETTINGS 141 /* 141..143 */
#define QM_ID_NAV_RECORDS 151  /* 151..153 */
#define QM_ID_CAPTION 161      /* the 681 x 25 caption strip */
#define QM_ID_CAPTION_WIDE 162 /* the 700 x 25 strip of the scan window */

#ifdef __cplusplus
namespace qm::shell {
inline constexpr int kIdAppIcon = QM_ID_APP_ICON;
inline constexpr int kIdMin = QM_ID_MIN;
inline constexpr int kIdExit = QM_ID_EXIT;
inline constexpr int kIdNavScanner = QM_ID_NAV_SCANNER;
inline constexpr int kIdNavRestore = QM_ID_NAV_RESTORE;
inline constexpr int kIdNavSettings = QM_ID_NAV_SETTINGS;
inline constexpr int kIdNavRecords = QM_ID_NAV_RECORDS;
inline constexpr int kIdCaption = QM_ID_CAPTION;
inline constexpr int kIdCaptionWide = QM_ID_CAPTION_WIDE;
}  // namespace qm::shell
#endif
