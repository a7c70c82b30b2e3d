// File operations of the tag engine: RAII handles, whole-range copies, and an
// atomic replacement of one file by another.
//
// Every operation goes through one fault-injection seam (SetFaultHook) so
// that tests can make any single step fail, even as root where permission
// bits stop nothing. In production the hook is null and costs one test.
// No function here throws; failures are false / std::nullopt, with errno
// describing the cause where the caller needs it (EXDEV).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// The steps a hook can be asked about. Each call of a function below counts
// as one step, named after what it does.
enum class FileStep {
  OpenRead,      // File::OpenRead
  OpenWrite,     // File::OpenReadWrite
  Create,        // File::CreateTruncate
  Read,          // File::ReadAt
  Write,         // File::WriteAt / File::Append
  Size,          // File::Size
  Sync,          // File::Sync
  SetMode,       // File::CopyModeAndOwnerFrom
  Truncate,      // File::Truncate
  Close,         // File::Close
  Copy,          // CopyRange
  Rename,        // RenameFile
  Remove,        // RemoveFile
  SyncFolder,    // SyncFolder
  Resolve,       // ResolvePath, OnSameFileSystem
};

// Asked before every step; returning a non-zero errno value makes the step
// fail with that errno (without doing anything), 0 lets it run.
class FaultHook {
 public:
  virtual ~FaultHook() = default;
  virtual int Check(FileStep step, std::string_view path) = 0;
};

// Installs `hook` (null removes it) and returns the previous one. Not
// thread-safe; meant for tests.
FaultHook* SetFaultHook(FaultHook* hook);

// An open file. Closes itself when destroyed (result ignored); Close()
// reports the result for callers that care, e.g. after writing.
class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // An existing file, read-only.
  static std::optional<File> OpenRead(const std::string& path);
  // An existing file, read and write; fails for a file we may not write.
  static std::optional<File> OpenReadWrite(const std::string& path);
  // Creates the file or empties it, write-only, permissions rw for the owner.
  // Fails when `path` is a symbolic link: nothing is written through one.
  static std::optional<File> CreateTruncate(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  // Current size in bytes.
  std::optional<std::uint64_t> Size();
  // Last modification time in nanoseconds since the epoch (the file
  // system's own resolution). Asks the hook as a Size step.
  std::optional<std::int64_t> ModifiedNs();
  // Reads exactly `length` bytes at `offset`; false on error or short read.
  bool ReadAt(std::uint64_t offset, void* data, std::size_t length);
  // Writes all `length` bytes at `offset`.
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t length);
  // Writes all `length` bytes at the current end of what this handle wrote
  // or read-appended so far (sequential writing from offset 0).
  bool Append(const void* data, std::size_t length);
  // Flushes data and metadata to the device.
  bool Sync();
  // Flushes the data, and only the metadata needed to read it back (not
  // the times): cheaper than Sync for writes within the file's length.
  // Asks the hook as a Sync step.
  bool SyncData();
  bool Truncate(std::uint64_t length);
  // Gives this file the permission bits of `source` and, where we are
  // allowed to, its owner and group (failure to change those is ignored).
  bool CopyModeAndOwnerFrom(File& source);
  bool Close();

 private:
  File(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  std::string path_;  // for the fault hook
  std::uint64_t appendAt_ = 0;
  friend bool CopyRange(File& from, std::uint64_t offset, std::uint64_t length, File& to);
};

// Appends `length` bytes of `from`, starting at `offset`, to `to` (at its
// Append position). Memory stays bounded: the kernel copies, or 1 MiB chunks.
bool CopyRange(File& from, std::uint64_t offset, std::uint64_t length, File& to);

// rename(2): atomic replacement of `to` on one file system. On failure errno
// holds the cause; EXDEV means the two are on different file systems.
bool RenameFile(const std::string& from, const std::string& to);

// Removes a file; false when it could not be removed (or was not there).
bool RemoveFile(const std::string& path);

// Flushes the folder entry list of `folder`, so that renames into it
// survive a power loss.
bool SyncFolder(const std::string& folder);

// True when the two existing paths lie on one file system (same device), so
// that a file built at one can be renamed to the other; false when they lie
// on two; nullopt when either cannot be examined (missing, no permission).
// Checked through the fault hook as a Resolve step of `a`.
std::optional<bool> OnSameFileSystem(const std::string& a, const std::string& b);

// The absolute path with every symbolic link resolved; nullopt on failure.
std::optional<std::string> ResolvePath(const std::string& path);

// Replaces `target` by `staged`, a complete file already synced to disk and
// already carrying the permission bits and owner it is to have, so that
// `target` is at every moment either its old or its new content: `staged`
// is renamed over `target`. When the rename cannot cross from `staged` to
// the target's folder (EXDEV: another file system, or another mount of the
// same one) it is copied to `besideName` in the target's own folder, that
// copy is given the target's permission bits and owner and synced, and it
// is renamed over `target` (`staged` then stays for the caller to remove).
// `target` must already be the resolved path (no link). On failure `target`
// is unchanged, no file is left at the beside path, and the result is false,
// with errno from the step that failed.
// The target's folder is NOT synced: after a power loss before the caller's
// SyncFolder of it, `target` may come back with its old content, never cut.
bool ReplaceFile(const std::string& staged, const std::string& target, const std::string& besideName);

// The folder part of `path`, up to and including its last delimiter ("" if
// it has none: the current folder).
std::string FolderOf(const std::string& path);

}  // namespace platform
