// Turning file-system names into tag text.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A file or folder name as the file system spells it, turned into
// ISO-8859-1 tag text. On Linux names are UTF-8: each code point
// U+0000..U+00FF becomes its one byte, any other code point becomes one "?",
// and each byte that is not part of a well-formed UTF-8 sequence (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, a value
// above U+10FFFF) becomes one "?". The result is never longer than `name`.
std::string FileNameToTagText(std::string_view name);

}  // namespace platform
