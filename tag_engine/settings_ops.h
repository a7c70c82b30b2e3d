// The four operations on the settings file. Each call is one complete
// open, access and close cycle of the INI file `FileName`; no error leaves a
// call (a failed write is dropped silently).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The longest setting read back, in characters; the rest is dropped.
inline constexpr std::size_t kMaxSettingLength = 2047;

// The text stored under `Key` in `Section`, as Unicode text (UTF-8). When the
// key is missing (compared ignoring letter case), Key=Default is written
// first and then read back; if that write fails the result is "". Values come
// back without the blanks around them and without one pair of enclosing
// quotes, cut to kMaxSettingLength characters (never inside a character).
// The file holds UTF-8; a stored value that is not valid UTF-8 was written by
// an earlier version in ISO-8859-1 and is converted from it, so nothing
// stored is lost.
std::string ReadSettingText(const std::string& FileName, const std::string& Section, const std::string& Key,
                            const std::string& Default);

// As ReadSettingText, for a setting that holds a path: the stored bytes are
// the file system's own and come back as they stand, never converted.
std::string ReadSettingPath(const std::string& FileName, const std::string& Section, const std::string& Key,
                            const std::string& Default);

// The integer stored under `Key` in `Section`. When the key is missing,
// Default is written first as decimal digits and then read back; if that
// write fails the result is 0. The stored text is read as ParseSettingInteger
// does, so a text that is no integer gives 0.
std::int32_t ReadSettingInteger(const std::string& FileName, const std::string& Section, const std::string& Key,
                                std::int32_t Default);

// Writes Key=Value into Section, creating the file and the section as needed.
// Text is stored as it stands: UTF-8 for text, the file system's bytes for a
// path.
void WriteSettingText(const std::string& FileName, const std::string& Section, const std::string& Key,
                      const std::string& Value);

// Writes Key=Value into Section with Value in decimal digits ("-" in front
// when negative).
void WriteSettingInteger(const std::string& FileName, const std::string& Section, const std::string& Key,
                         std::int32_t Value);

// A stored setting as a 32-bit integer: decimal digits with an optional "+"
// or "-"; or, for a text of three characters or more that begins with "0x"
// or "0X", hexadecimal digits (at most 32 bits; values from 0x80000000 on
// wrap to negative, so "0xFFFFFFFF" is -1). Anything else, the empty text
// and a decimal value outside the 32-bit range give 0.
std::int32_t ParseSettingInteger(const std::string& text);
