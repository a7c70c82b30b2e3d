#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/paths.h"

namespace platform {

namespace {

FaultHook* g_hook = nullptr;

// Asks the hook, if any; a non-zero answer becomes errno and fails the step.
bool Refused(FileStep step, std::string_view path) {
  if (g_hook == nullptr) return false;
  const int error = g_hook->Check(step, path);
  if (error == 0) return false;
  errno = error;
  return true;
}

bool ValidPath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
// Largest single read or write asked of the kernel (Linux caps them anyway).
constexpr std::size_t kMaxIo = std::size_t{1} << 30;

}  // namespace

FaultHook* SetFaultHook(FaultHook* hook) {
  FaultHook* previous = g_hook;
  g_hook = hook;
  return previous;
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), appendAt_(other.appendAt_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    appendAt_ = other.appendAt_;
    path_ = std::move(other.path_);
  }
  return *this;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<File> File::OpenRead(const std::string& path) {
  if (!ValidPath(path) || Refused(FileStep::OpenRead, path)) return std::nullopt;
  // O_NONBLOCK keeps a FIFO that slipped past the caller's check from
  // blocking the open; it has no effect on regular files.
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  return File(fd, path);
}

std::optional<File> File::OpenReadWrite(const std::string& path) {
  if (!ValidPath(path) || Refused(FileStep::OpenWrite, path)) return std::nullopt;
  const int fd = OpenRetrying(path.c_str(), O_RDWR | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  return File(fd, path);
}

std::optional<File> File::CreateTruncate(const std::string& path) {
  if (!ValidPath(path) || Refused(FileStep::Create, path)) return std::nullopt;
  // O_NOFOLLOW: a link planted where a temporary file goes (beside a target
  // in a shared folder, say) must not turn our write into one through it.
  const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
  if (fd < 0) return std::nullopt;
  return File(fd, path);
}

std::optional<std::uint64_t> File::Size() {
  if (fd_ < 0 || Refused(FileStep::Size, path_)) return std::nullopt;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || st.st_size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::int64_t> File::ModifiedNs() {
  if (fd_ < 0 || Refused(FileStep::Size, path_)) return std::nullopt;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + static_cast<std::int64_t>(st.st_mtim.tv_nsec);
}

bool File::ReadAt(std::uint64_t offset, void* data, std::size_t length) {
  if (fd_ < 0 || Refused(FileStep::Read, path_)) return false;
  auto* bytes = static_cast<unsigned char*>(data);
  while (length > 0) {
    if (offset > static_cast<std::uint64_t>(LLONG_MAX)) return false;
    const ssize_t got = ::pread(fd_, bytes, std::min(length, kMaxIo), static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // error, or end of file before `length` bytes
    bytes += got;
    offset += static_cast<std::uint64_t>(got);
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

bool File::WriteAt(std::uint64_t offset, const void* data, std::size_t length) {
  if (fd_ < 0 || Refused(FileStep::Write, path_)) return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (length > 0) {
    if (offset > static_cast<std::uint64_t>(LLONG_MAX)) return false;
    const ssize_t put = ::pwrite(fd_, bytes, std::min(length, kMaxIo), static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    offset += static_cast<std::uint64_t>(put);
    length -= static_cast<std::size_t>(put);
  }
  return true;
}

bool File::Append(const void* data, std::size_t length) {
  if (!WriteAt(appendAt_, data, length)) return false;
  appendAt_ += length;
  return true;
}

bool File::Sync() {
  if (fd_ < 0 || Refused(FileStep::Sync, path_)) return false;
  return ::fsync(fd_) == 0;
}

bool File::SyncData() {
  if (fd_ < 0 || Refused(FileStep::Sync, path_)) return false;
  return ::fdatasync(fd_) == 0;
}

bool File::Truncate(std::uint64_t length) {
  if (fd_ < 0 || Refused(FileStep::Truncate, path_)) return false;
  if (length > static_cast<std::uint64_t>(LLONG_MAX)) return false;
  return ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
}

bool File::CopyModeAndOwnerFrom(File& source) {
  if (fd_ < 0 || source.fd_ < 0 || Refused(FileStep::SetMode, path_)) return false;
  struct stat st {};
  if (::fstat(source.fd_, &st) != 0) return false;
  // Owner first: changing it may clear set-user-id bits, which the mode
  // then puts back. Only root (or the owner keeping its own group) may do
  // it; a file of ours simply stays ours.
  if (::fchown(fd_, st.st_uid, st.st_gid) != 0) (void)::fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
  return ::fchmod(fd_, st.st_mode & 07777) == 0;
}

bool File::Close() {
  if (fd_ < 0) return false;
  const int fd = std::exchange(fd_, -1);
  if (Refused(FileStep::Close, path_)) {
    ::close(fd);
    return false;
  }
  // No retry on EINTR: on Linux the descriptor is gone either way.
  return ::close(fd) == 0;
}

bool CopyRange(File& from, std::uint64_t offset, std::uint64_t length, File& to) {
  if (from.fd_ < 0 || to.fd_ < 0 || Refused(FileStep::Copy, to.path_)) return false;
  if (offset > static_cast<std::uint64_t>(LLONG_MAX) || length > static_cast<std::uint64_t>(LLONG_MAX) - offset)
    return false;
  off_t in = static_cast<off_t>(offset);
  off_t out = static_cast<off_t>(to.appendAt_);
  std::uint64_t left = length;
  // The kernel's file-to-file copy first; it may refuse (old kernel, some
  // file systems, across devices on older ones), and the loop below then
  // takes over where it stopped.
  while (left > 0) {
    const ssize_t done = ::copy_file_range(from.fd_, &in, to.fd_, &out,
                                           static_cast<std::size_t>(std::min<std::uint64_t>(left, kMaxIo)), 0);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    left -= static_cast<std::uint64_t>(done);
  }
  if (left > 0) {
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kCopyChunk]);
    if (!buffer) return false;
    while (left > 0) {
      const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk));
      ssize_t got;
      do {
        got = ::pread(from.fd_, buffer.get(), chunk, in);
      } while (got < 0 && errno == EINTR);
      if (got <= 0) return false;  // error, or the source is shorter than promised
      std::size_t written = 0;
      while (written < static_cast<std::size_t>(got)) {
        const ssize_t put = ::pwrite(to.fd_, buffer.get() + written, static_cast<std::size_t>(got) - written, out);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        written += static_cast<std::size_t>(put);
        out += put;
      }
      in += got;
      left -= static_cast<std::uint64_t>(got);
    }
  }
  to.appendAt_ = static_cast<std::uint64_t>(out);
  return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (!ValidPath(from) || !ValidPath(to) || Refused(FileStep::Rename, to)) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
  if (!ValidPath(path) || Refused(FileStep::Remove, path)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool SyncFolder(const std::string& folder) {
  const std::string path = folder.empty() ? std::string(".") : folder;
  if (!ValidPath(path) || Refused(FileStep::SyncFolder, path)) return false;
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

std::optional<bool> OnSameFileSystem(const std::string& a, const std::string& b) {
  if (!ValidPath(a) || !ValidPath(b) || Refused(FileStep::Resolve, a)) return std::nullopt;
  struct stat stA {}, stB {};
  if (::stat(a.c_str(), &stA) != 0 || ::stat(b.c_str(), &stB) != 0) return std::nullopt;
  return stA.st_dev == stB.st_dev;
}

std::optional<std::string> ResolvePath(const std::string& path) {
  if (!ValidPath(path) || Refused(FileStep::Resolve, path)) return std::nullopt;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

std::string FolderOf(const std::string& path) {
  const std::size_t delimiter = LastDelimiter(path);
  return delimiter == std::string_view::npos ? std::string() : path.substr(0, delimiter + 1);
}

bool ReplaceFile(const std::string& staged, const std::string& target, const std::string& besideName) {
  if (RenameFile(staged, target)) return true;
  if (errno != EXDEV) return false;

  // A rename cannot cross, so bring a copy into the target's folder first
  // and rename that one. A copy left by an earlier interrupted run has the
  // same name and is simply replaced.
  std::optional<File> original = File::OpenRead(target);
  if (!original) return false;
  const std::string beside = FolderOf(target) + besideName;
  (void)RemoveFile(beside);
  bool placed = false;
  {
    std::optional<File> in = File::OpenRead(staged);
    std::optional<File> out = File::CreateTruncate(beside);
    if (in && out) {
      const std::optional<std::uint64_t> size = in->Size();
      placed = size && CopyRange(*in, 0, *size, *out) && out->CopyModeAndOwnerFrom(*original) && out->Sync() &&
               out->Close() && RenameFile(beside, target);
    }
  }
  if (!placed) {
    // The clean-up must not hide why the copy failed (a full disk, say).
    const int cause = errno;
    (void)RemoveFile(beside);
    errno = cause;
  }
  return placed;
}

}  // namespace platform
