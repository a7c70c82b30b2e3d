#include "platform/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace platform {

namespace {

constexpr char kDelimiter = '/';
constexpr char kHiddenPrefix = '.';
constexpr char kSelfExecutable[] = "/proc/self/exe";

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool UsablePath(const std::string& path) {
  // The kernel would read a path holding NUL as a shorter one.
  return !path.empty() && path.find('\0') == std::string::npos;
}

unsigned char AsciiUpper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Names compared with ASCII letters folded to capitals; equal that way, by
// their bytes.
bool ListingOrder(const FolderEntry& a, const FolderEntry& b) {
  const std::string& x = a.name;
  const std::string& y = b.name;
  const std::size_t n = std::min(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char cx = AsciiUpper(static_cast<unsigned char>(x[i]));
    unsigned char cy = AsciiUpper(static_cast<unsigned char>(y[i]));
    if (cx != cy) return cx < cy;
  }
  if (x.size() != y.size()) return x.size() < y.size();
  return x < y;
}

EntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kRegularFile;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
}

std::string WithoutTrailingDelimiters(std::string path) {
  while (!path.empty() && path.back() == kDelimiter) path.pop_back();
  return path;
}

}  // namespace

std::vector<FolderEntry> ListFolder(const std::string& path) {
  std::vector<FolderEntry> entries;
  if (!UsablePath(path)) return entries;
  try {
    DirHandle dir(::opendir(path.c_str()));
    if (!dir) return entries;
    const int dir_fd = ::dirfd(dir.get());
    while (const dirent* d = ::readdir(dir.get())) {
      std::string name(d->d_name);
      if (name == "." || name == "..") continue;
      FolderEntry entry;
      entry.hidden = name.front() == kHiddenPrefix;
      // A plain file needs no stat: the listing already says what it is,
      // which spares one system call for nearly every entry of a music folder.
      if (d->d_type == DT_REG) {
        entry.kind = EntryKind::kRegularFile;
      } else {
        struct stat st {};
        if (::fstatat(dir_fd, d->d_name, &st, 0) == 0) {
          entry.kind = KindOf(st.st_mode);
          if (entry.kind == EntryKind::kFolder) {
            entry.identity = {static_cast<std::uint64_t>(st.st_dev),
                              static_cast<std::uint64_t>(st.st_ino)};
          }
        } else if (errno == ENOENT && d->d_type != DT_LNK) {
          continue;  // removed since the listing named it
        }
        // Anything else that cannot be stat'ed, a dangling link above all,
        // stays in the list as kOther.
      }
      entry.name = std::move(name);
      entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), ListingOrder);
  } catch (...) {
    // Out of memory: the folder counts as unreadable.
    entries.clear();
  }
  return entries;
}

std::optional<FolderIdentity> IdentifyFolder(const std::string& path) {
  struct stat st {};
  if (!UsablePath(path) || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return std::nullopt;
  }
  return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

bool CreateFolders(const std::string& path) {
  if (!UsablePath(path)) return false;
  try {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
  } catch (...) {
    return false;
  }
}

namespace {

// An XDG base folder: the variable when it holds an absolute path, else the
// home folder followed by `underHome`.
std::string XdgFolder(const char* variable, const char* underHome) {
  try {
    const char* xdg = std::getenv(variable);
    if (xdg != nullptr && xdg[0] == kDelimiter) return WithoutTrailingDelimiters(xdg);
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] != '\0') {
      home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir) {
      home = pw->pw_dir;
    }
    if (home.empty()) return {};
    return WithoutTrailingDelimiters(home) + underHome;
  } catch (...) {
    return {};
  }
}

// True when a new file can be created in `folder` (tried for real with a
// probe that is removed at once: permission bits alone would not tell a
// read-only mount, nor what root may do) and `file`, when it exists, opens
// for writing.
bool CanWriteFileIn(const std::string& folder, const std::string& file) {
  std::string probe = folder + "/.placement-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  const int existing = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (existing >= 0) {
    ::close(existing);
    return true;
  }
  return errno == ENOENT;
}

}  // namespace

std::string LocalDataFolder() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

std::string ConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }

std::string WindowPlacementFile(const std::string& programFolder, const std::string& configSubfolder,
                                const std::string& fileName) {
  try {
    const std::string beside = programFolder + kDelimiter + fileName;
    if (UsablePath(beside) && CanWriteFileIn(programFolder.empty() ? std::string(1, kDelimiter) : programFolder,
                                             beside)) {
      return beside;
    }
    const std::string folder = ConfigFolder() + kDelimiter + configSubfolder;
    // Should this fail, saving the placement reports it.
    (void)CreateFolders(folder);
    return folder + kDelimiter + fileName;
  } catch (...) {
    return programFolder + kDelimiter + fileName;
  }
}

std::string ExecutableFolder() {
  try {
    std::error_code ec;
    std::string exe = std::filesystem::read_symlink(kSelfExecutable, ec).string();
    std::size_t last = exe.rfind(kDelimiter);
    if (ec || last == std::string::npos) return {};
    return exe.substr(0, last);
  } catch (...) {
    return {};
  }
}

}  // namespace platform
