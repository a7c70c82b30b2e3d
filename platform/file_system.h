// What the program asks of the file system about a path.
#pragma once

#include <string>

namespace platform {

// True when `path` names a regular file, after following symbolic links.
// A folder, FIFO, socket or device counts as no file: opening a FIFO for
// reading would block the program until some writer appears.
bool IsExistingFile(const std::string& path);

// True when `path` names a folder, after following symbolic links.
bool IsExistingFolder(const std::string& path);

}  // namespace platform
