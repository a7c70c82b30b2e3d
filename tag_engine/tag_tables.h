// Constant tables of the tag engine and the small text helpers that the
// reader, the file list, the batch run and the windows share.
//
// Texts are 8-bit strings with an explicit length; they may hold NUL bytes.
// None of these functions throws: each returns the fallback named below.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The 73 frame ids of the ID3v2.3 frame layout, in their fixed order.
extern const std::array<std::string_view, 73> KnownFrameIds;

// The 126 ID3v1 genre names, index n naming genre number n.
extern const std::array<std::string_view, 126> GenreNames;

// True when `id` equals one of KnownFrameIds, byte for byte and
// case-sensitive. A text of any length other than 4 never matches.
bool IsKnownFrameId(std::string_view id);

// The genre name for a value that is nothing but a parenthesised genre number
// "(n)" with 0 <= n <= 125 once its NUL bytes are removed, e.g. "(17)" or
// "\0(17)\0" -> "Rock". Inside the parentheses: leading spaces, an optional
// "+" or "-", then decimal digits, or hexadecimal digits after "$", "x", "X",
// "0x" or "0X"; nothing may follow the digits, and the number must fit 32-bit
// signed. Anything else returns `value` unchanged, NUL bytes included.
std::string ResolveGenre(const std::string& value);

// `source` with every occurrence of `search` replaced by `replacement`.
// Every pass searches again from the start of the text, so occurrences that a
// replacement forms with its neighbours are replaced too: removing "ab" from
// "aabb" leaves "". An empty `search` returns `source`. `replacement` must not
// contain `search` (the loop would never end); callers pass "" to strip NULs.
std::string ReplaceAll(const std::string& source, const std::string& search, const std::string& replacement);

// The file name part of `path` (what follows its last path delimiter, the
// whole path when there is none). Without extension it loses the part from
// its last "." on: "a.tar.gz" -> "a.tar", "README" -> "README", ".hidden" -> "".
std::string ExtractBaseName(const std::string& path, bool withExtension);

// Decimal text of `value` with at least `digits` digits, zero-padded after
// the sign: (7,3) -> "007", (-7,3) -> "-007", (0,0) -> "0". A negative
// `digits` counts as 0. Empty text on failure.
std::string FormatInteger(std::int32_t value, std::int16_t digits);

// Fixed-point text of `value` with `decimals` digits after the decimal
// separator of the current C locale (the program sets the user's locale at
// start-up), right-aligned with spaces to at least `width` characters:
// (0,0,1234) -> "1234", (8,2,3.14159) -> "    3.14". Negative `width` or
// `decimals` count as 0. Empty text on failure.
std::string FormatDecimal(std::int16_t width, std::int16_t decimals, double value);
