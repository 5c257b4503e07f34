// Windows paths answered from a Linux folder tree: a Wine prefix's drives
// or a mounted Windows installation. Each component of the path is matched
// without regard to case, as Windows matches names, and folder listings are
// kept for the scan's lifetime, since its queries revisit the same folders.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/file_system.h"

namespace qm::posix {

class LinuxFileSystem final : public FileSystem {
 public:
  // `drives` maps an upper-case drive letter to the Linux folder that is its
  // root. `system_directory` is the Windows path of the system folder
  // ("C:\windows\system32"); the 32-bit system folder beside it
  // (SysWOW64), when present, is the alternate one.
  LinuxFileSystem(std::map<char, std::string> drives, std::string system_directory);
  ~LinuxFileSystem() override;

  // Answers as GetFileAttributesW does: exists; kErrFileNotFound when the
  // last component is missing; kErrPathNotFound when a folder on the way
  // is (or is a file, or the drive is unknown); kErrAccessDenied when a
  // folder cannot be listed, which the rules take as "cannot be checked".
  [[nodiscard]] Status QueryPath(std::string_view path) override;
  [[nodiscard]] std::string SystemDirectory() override { return system_directory_; }
  [[nodiscard]] std::string AlternateSystemDirectory() override { return alternate_; }
  // With the short name ntfs-3g shows for an entry, where it shows one.
  [[nodiscard]] FolderList ListFolder(std::string_view folder) override;

  // The Linux path a Windows path names, in the letters found on disk, or
  // empty when it does not resolve.
  [[nodiscard]] std::string LinuxPath(std::string_view path);
  // Drops the folder listings kept so far, after this program has added a
  // file or folder.
  void ForgetListings();

 private:
  struct Entry;
  struct Listing;
  struct Resolved {
    std::string path;  // the Linux path, valid when error == 0
    std::uint32_t error = 0;
    bool check_target = false;  // a link, which may lead nowhere
  };
  Resolved Resolve(std::string_view windows_path);
  Listing& ListingOf(const std::string& folder);
  // The entry of `folder` named `part` in any letter case; null with
  // `error` set when there is none or the folder cannot be listed.
  const Entry* Find(const std::string& folder, const std::string& part, const std::string& upper,
                    std::uint32_t& error);

  std::map<char, std::string> drives_;
  std::string system_directory_;
  std::string alternate_;
  std::unordered_map<std::string, std::unique_ptr<Listing>> listings_;
  // Upper-cased Windows folder ("C\\PROGRAM FILES") to its resolution.
  std::unordered_map<std::string, Resolved> folders_;
};

// The drives of a Wine prefix: C: is DIR/drive_c, the others are the
// links in DIR/dosdevices ("d:" and so on).
[[nodiscard]] std::map<char, std::string> WinePrefixDrives(const std::string& prefix);

}  // namespace qm::posix
