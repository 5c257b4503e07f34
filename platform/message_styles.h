// Message box styles and answers, as the system numbers them. The cores
// ask for message boxes without <windows.h>; the window kit hands these
// numbers straight to the system's message box.
#pragma once

namespace qm {

inline constexpr int kMessageError = 16;          // MB_ICONERROR
inline constexpr int kMessageQuestionYesNo = 36;  // MB_ICONQUESTION | MB_YESNO
inline constexpr int kMessageExclamation = 48;    // MB_ICONEXCLAMATION, the warning sign
inline constexpr int kMessageInformation = 64;    // MB_ICONINFORMATION
inline constexpr int kAnswerYes = 6;              // IDYES

}  // namespace qm
