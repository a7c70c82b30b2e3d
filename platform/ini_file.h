// Single keys of a profile (INI) file, read and written one at a time.
//
// The file is text: a line "[name]" opens a section, lines "key=value"
// follow it. Both LF and CRLF line ends are read. Every call is a complete
// open, access and close cycle on the file: nothing is cached between calls,
// so another writer's change is seen by the next call.
//
// Lookup: section and key names are compared ignoring ASCII letter case and
// without the blanks (spaces, tabs) around them. When a name stands more than
// once, the first section and, inside it, the first key of that name count.
// Lines before the first section, lines without "=" and lines whose first
// non-blank character is ";" belong to no key.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  // The value of `key` in `section`: the text after the first "=" of the key's
  // line without the blanks around it and without one pair of enclosing
  // quotes (both ' or both "), byte for byte and whole: the bytes are not
  // decoded, and how long a value the caller keeps is the caller's choice.
  // std::nullopt when the file cannot be read or holds no such key; a key
  // present with an empty value gives "".
  std::optional<std::string> ReadValue(std::string_view section,
                                       std::string_view key) const;

  // Sets `key` of `section` to `value`, creating the file, the section and
  // the key as needed:
  // - an existing key keeps its line; only the text after its "=" changes
  //   (its line end, LF or CRLF, is kept);
  // - a missing key is added as "key=value" after the last non-blank line of
  //   its section, so blank lines before the next section stay where they are;
  // - a missing section is added as "[section]" at the end of the file;
  // - every other line stays byte for byte as it was; new lines end with LF.
  // The new content goes to a temporary file beside the file, which then
  // replaces it by rename: an interrupted write leaves the old file whole.
  // A file reached through a symbolic link is replaced at the link's target;
  // the replaced file keeps its permission bits.
  // Returns false, leaving the file as it was, when the folder is missing,
  // the file exists but cannot be read or opened for writing, the new content
  // cannot be written, or a name or the value cannot be stored on one line
  // (section or key empty, section holding "]", key holding "=" or starting
  // with "[" or ";", any of the three holding CR or LF).
  bool WriteValue(std::string_view section, std::string_view key,
                  std::string_view value) const;

 private:
  std::string path_;
};

}  // namespace platform
