#include "platform/paths.h"

namespace platform {

char PathDelimiter() { return '/'; }

bool IsPathDelimiter(char c) { return c == '/'; }

std::size_t LastDelimiter(std::string_view path) { return path.rfind('/'); }

std::string RootFolder() { return "/"; }

}  // namespace platform
