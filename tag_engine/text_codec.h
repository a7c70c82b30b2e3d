// The text encodings of ID3v2 frames, in one place: decoding frame text into
// the program's Unicode text (UTF-8 in std::string) and encoding it back.
//
// The four encodings a frame's first byte may name:
//   0 ISO-8859-1, strings end with one zero byte;
//   1 UTF-16 with a byte-order mark (without one: little-endian), two zero bytes;
//   2 UTF-16 big-endian without a mark, two zero bytes;
//   3 UTF-8, one zero byte.
// Nothing here throws except std::bad_alloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace id3text {

enum Encoding : std::uint8_t { kLatin1 = 0, kUtf16 = 1, kUtf16BigEndian = 2, kUtf8 = 3 };

// True for the four encoding bytes above.
bool IsEncoding(std::uint8_t byte);

// 2 for the UTF-16 encodings, 1 otherwise.
std::size_t TerminatorSize(Encoding encoding);

// Where the first string of `bytes` ends: the offset of its terminator
// (a zero byte; in UTF-16 a zero unit at an even offset), or npos when the
// string runs to the end of `bytes`.
std::size_t FindTerminator(Encoding encoding, std::string_view bytes);

// One string's bytes (no terminator) as UTF-8. ISO-8859-1 maps each byte to
// its code point; UTF-16 honours a leading byte-order mark, which is not part
// of the text; invalid sequences (a cut unit, an unpaired surrogate, bad
// UTF-8) become U+FFFD. NUL characters are kept.
std::string Decode(Encoding encoding, std::string_view bytes);

// The strings of a run of terminated strings, decoded; a terminator at the
// very end closes the last string rather than starting an empty one, so
// "a\0" gives {"a"} and "a\0b" gives {"a", "b"}. Empty input gives {}.
std::vector<std::string> DecodeAll(Encoding encoding, std::string_view bytes);

// Several values as one text, separated by "/" as ID3v2.3 writes them.
std::string JoinValues(const std::vector<std::string>& values);

// The first string of `bytes` decoded, and in `rest` what follows its
// terminator (empty when there is none).
std::string DecodeFirst(Encoding encoding, std::string_view bytes, std::string_view* rest);

// True when every character of the UTF-8 text lies in U+0001..U+00FF, so
// that ISO-8859-1 holds it exactly. Invalid UTF-8 never fits.
bool FitsLatin1(std::string_view utf8);

// The encoding a written value takes: ISO-8859-1 when it fits, else UTF-16.
Encoding EncodingFor(std::string_view utf8);

// The UTF-8 text in `encoding`, without terminator. UTF-16 (kUtf16) starts
// with the mark FF FE and is little-endian. For ISO-8859-1 each character
// outside it becomes "?"; invalid UTF-8 becomes U+FFFD (or "?").
std::string Encode(Encoding encoding, std::string_view utf8);

// The terminator of `encoding`: one or two zero bytes.
std::string Terminator(Encoding encoding);

// The UTF-8 text as ISO-8859-1 bytes, each character outside U+0000..U+00FF
// (and each invalid byte) as "?".
std::string ToLatin1(std::string_view utf8);

// ISO-8859-1 bytes as UTF-8.
std::string FromLatin1(std::string_view latin1);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The number of characters in UTF-8 text (each invalid byte counts as one).
std::size_t CharCount(std::string_view utf8);

// The first `chars` characters of UTF-8 text, never cut inside a sequence.
std::string Prefix(std::string_view utf8, std::size_t chars);

}  // namespace id3text
