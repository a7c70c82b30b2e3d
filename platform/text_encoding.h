// Turning file-system names into tag text.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A file or folder name as the file system spells it, turned into tag text
// (Unicode as UTF-8). On Linux names are UTF-8: every well-formed sequence is
// kept as it stands, whatever the script, and each byte that is not part of
// one (a stray continuation byte, a cut sequence, an overlong form, a
// surrogate, a value above U+10FFFF, a Latin-1 byte) becomes one "?". The
// result is never longer than `name`.
std::string FileNameToTagText(std::string_view name);

}  // namespace platform
