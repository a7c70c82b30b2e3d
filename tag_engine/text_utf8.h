// UTF-8 checks and conversions for text held in std::string.
//
// Text inside the program is Unicode held as UTF-8. A sequence counts as
// well-formed UTF-8 only in its shortest form and for scalar values: no
// overlong forms, no surrogates (U+D800..U+DFFF), nothing above U+10FFFF.
// Wherever these functions meet a byte that does not start a well-formed
// sequence, that single byte counts as one character of its own; decoding
// starts afresh at the next byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// True when every byte of `text` belongs to a well-formed UTF-8 sequence.
// The empty text is valid; NUL bytes are valid (U+0000).
bool IsValidUtf8(std::string_view text);

// ISO-8859-1 bytes as UTF-8: each byte is the code point of the same value
// (00..7F stay one byte, 80..FF become two).
std::string Latin1ToUtf8(std::string_view text);

// The number of characters in `text`: well-formed sequences count one each,
// any other byte counts one.
std::size_t Utf8CharCount(std::string_view text);

// The first `chars` characters of `text`, counted as Utf8CharCount counts
// them; never ends inside a well-formed sequence. A shorter text is returned
// whole.
std::string Utf8Prefix(std::string_view text, std::size_t chars);
