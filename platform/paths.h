// Path conventions of the platform the program runs on.
//
// Paths are the file system's own bytes (std::string); nothing here converts
// encodings. On Linux "/" is the only delimiter (":" is an ordinary character
// in a file name); on Windows both "\" and ":" end a path component.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The delimiter the program appends when it builds a path (a folder's
// trailing delimiter, folder + name).
char PathDelimiter();

// True when `c` ends a path component: the file name is what follows the
// last such character, the folder path is everything up to and including it.
bool IsPathDelimiter(char c);

// Index of the last delimiter in `path`, or std::string_view::npos.
std::size_t LastDelimiter(std::string_view path);

// The folder an empty folder field stands for: the root of the file system.
std::string RootFolder();

}  // namespace platform
