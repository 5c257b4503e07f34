#include "repair/backup_writer.h"

#include "repair/backup_seal.h"

namespace qm {

std::string BackupFolderPath(std::string_view program_folder) {
  // A program in a drive's root folder ("C:\") has its separator already.
  std::string path(program_folder);
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path + "\\RegBackups";
}

namespace {

bool NameTaken(std::uint32_t error) {
  return error == kErrAlreadyExists || error == kErrFileExists;
}

bool NothingThere(std::uint32_t error) {
  return error == kErrFileNotFound || error == kErrPathNotFound;
}

BackupResult Failed(BackupFailure failure, std::uint32_t error, std::string path) {
  BackupResult r;
  r.failure = failure;
  r.error = error;
  r.path = std::move(path);
  return r;
}

// The folder exists afterwards, or the reason it does not.
BackupResult EnsureFolder(BackupDisk& disk, const std::string& folder) {
  Result<PathKind> state = disk.Inspect(folder);
  if (NothingThere(state.code())) {
    const std::uint32_t error = disk.CreateFolder(folder);
    // Someone else may have made it in between; look again before failing.
    if (error != 0 && !NameTaken(error)) return Failed(BackupFailure::kFolder, error, folder);
    state = disk.Inspect(folder);
  }
  if (!state.ok()) return Failed(BackupFailure::kFolder, state.code(), folder);
  if (state.value() == PathKind::kFile) {
    return Failed(BackupFailure::kFolderIsFile, kErrAlreadyExists, folder);
  }
  return {};
}

}  // namespace

BackupResult WriteBackupFile(std::span<const BackupEntry> entries, const BackupPlace& place) {
  const std::string folder = BackupFolderPath(place.program_folder);
  if (BackupResult r = EnsureFolder(place.disk, folder); !r.ok()) return r;

  RegFileBytes file = BuildRegFile(entries, place.code_page);
  SealBackup(file, entries.size());
  const std::string stamp = BackupStampText(place.clock.Now());
  std::string path;
  for (int candidate = 1; candidate <= kMaxBackupCandidates; ++candidate) {
    path = folder + "\\" + BackupFileName(stamp, candidate);
    const std::uint32_t error = place.disk.PublishNewFile(path, file.bytes);
    if (error == 0) {
      BackupResult done;
      done.path = std::move(path);
      done.format = file.format;
      return done;
    }
    if (!NameTaken(error)) return Failed(BackupFailure::kFile, error, path);
  }
  return Failed(BackupFailure::kNoFreeName, kErrAlreadyExists, path);
}

}  // namespace qm
