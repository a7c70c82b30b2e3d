#include "platform/file_system.h"

#include <sys/stat.h>

namespace platform {

namespace {
bool StatFollowingLinks(const std::string& path, struct stat& st) {
  // A path holding NUL cannot name anything: the kernel would see a shorter one.
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  return ::stat(path.c_str(), &st) == 0;
}
}  // namespace

bool IsExistingFile(const std::string& path) {
  struct stat st {};
  return StatFollowingLinks(path, st) && S_ISREG(st.st_mode);
}

bool IsExistingFolder(const std::string& path) {
  struct stat st {};
  return StatFollowingLinks(path, st) && S_ISDIR(st.st_mode);
}

}  // namespace platform
