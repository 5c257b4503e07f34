// Handing a backup file straight to the system's registry editor, for
// systems where the shell has no association for ".reg" files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qm::win32 {

// "<Windows folder>\regedit.exe" "<file>": the editor imports the file the
// way it does when the shell opens it (on Windows it asks the user first).
// The editor is named by its full path, never looked up beside the program
// or in the current folder, where another program of that name could lie.
[[nodiscard]] std::wstring RegistryEditorCommandLine(std::string_view file);

// Starts the editor on `file` and returns when it has ended: 0, or the
// platform's error code when it could not be started. While it runs,
// `pump` handles the window's messages whenever some arrive; it returns
// false when the program is asked to quit, which ends the wait early.
[[nodiscard]] std::uint32_t RunRegistryEditorAndWait(std::string_view file,
                                                     const std::function<bool()>& pump);

// The editor opens at the key its LastKey setting names. On Windows that
// text starts with the editor's own, localised word for the computer: the
// first part of what it stored last is kept, "Computer" when it stored
// nothing. Wine's editor (measured with Wine 8) stores and honours the path
// from the root on ("HKEY_CURRENT_USER\Software"), and stays at its top for
// any word before it: `root_first` asks for that form, which is also used
// when the stored text already starts with a root.
[[nodiscard]] std::string RegistryEditorLastKey(std::string_view stored, std::string_view root,
                                                std::string_view key_path, bool root_first);
// Stores LastKey under HKEY_CURRENT_USER for `root`\`key_path`: 0 or the
// platform's error code.
[[nodiscard]] std::uint32_t SetRegistryEditorLastKey(std::string_view root,
                                                     std::string_view key_path);
// Starts the editor without waiting for it: 0 or the platform's error code.
[[nodiscard]] std::uint32_t StartRegistryEditor();

}  // namespace qm::win32
