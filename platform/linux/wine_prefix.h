// A Wine prefix's registry read from its three text files, seen through the
// roots as Wine presents them to a program: HKEY_LOCAL_MACHINE from
// system.reg; HKEY_USERS holding .Default (userdef.reg) and the prefix
// user's key (user.reg), which is also HKEY_CURRENT_USER;
// HKEY_CLASSES_ROOT as HKEY_LOCAL_MACHINE\Software\Classes alone (Wine
// does not merge the user's classes into it); HKEY_CURRENT_CONFIG as the
// current hardware profile.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/linux/change_recorder.h"
#include "platform/linux/mapped_roots.h"
#include "platform/linux/wine_text_edit.h"
#include "platform/memory_registry.h"
#include "platform/registry_writer.h"

namespace qm::posix {

class WinePrefixRegistry {
 public:
  WinePrefixRegistry();
  ~WinePrefixRegistry();
  // Reads the prefix's registry files. A failure says which file did not
  // read and why; then the registry is not to be used.
  [[nodiscard]] Status Load(const std::string& prefix);

  [[nodiscard]] RegistryReader& Reader() { return view_; }
  // The prefix user's key below HKEY_USERS ("S-1-5-21-0-0-0-1000").
  [[nodiscard]] const std::string& UserSid() const { return sid_; }
  [[nodiscard]] std::size_t KeyCount() const { return tree_->KeyCount(); }

  // The registry for a repair or a restore: it answers from the loaded
  // tree and keeps each deletion, write and new key as a change to the
  // registry file that holds the key, for WriteChanges. A key no file
  // holds (a root's own values, another user's, the volatile
  // HKEY_LOCAL_MACHINE\Hardware) refuses changes with kRegAccessDenied.
  [[nodiscard]] RegistryEditor& Editor();
  // Edits each changed registry file (EditWineText) and replaces it whole
  // (ReplaceFile); a file that differs from what Load read is left alone.
  // (file, why) for each file left as it was.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> WriteChanges();
  using Place = RegistryPlace;
  // Where `root`\`path` is stored; none for a key no file holds (nor may,
  // as the volatile HKEY_LOCAL_MACHINE\Hardware).
  [[nodiscard]] std::optional<Place> PlaceOf(RegKey root, std::string_view path) const;
  // The registry file's bytes as Load read them; empty for another file.
  [[nodiscard]] const std::vector<std::uint8_t>& LoadedText(const std::string& file) const {
    static const std::vector<std::uint8_t> kNone;
    const auto it = loaded_.find(file);
    return it == loaded_.end() ? kNone : it->second;
  }
  // The changes made through Editor(), by registry file.
  [[nodiscard]] const RegistryChanges& Changes() const;
  // The same, under the name the command line still reads them by.
  [[nodiscard]] const RegistryChanges& Deletions() const { return Changes(); }

 private:
  [[nodiscard]] std::optional<Place> FileOf(RegKey root, std::string_view path) const;
  std::unique_ptr<MemoryRegistry> tree_;
  MappedRoots view_;
  bool LoadFiles(const std::string& prefix);  // false with error_ set
  std::string error_;
  std::string sid_;
  std::string prefix_;
  std::map<std::string, std::vector<std::uint8_t>> loaded_;
  std::unique_ptr<ChangeRecorder> recorder_;
};

}  // namespace qm::posix
