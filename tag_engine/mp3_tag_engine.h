// The tag engine: reads the ID3v2 tag of one MP3 file into the current tag
// values and a frame list, and writes a new ID3v2.3 tag and an ID3v1 block.
// Qt-free; the frame list window derives from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tag_engine/id3_frames.h"

namespace platform {
class File;
}

class Mp3TagEngine {
 public:
  virtual ~Mp3TagEngine();

  // Values of the frames TIT2, TPE1, TALB, COMM, TYER, TRCK, TCON (genre
  // reference resolved to a name), TIT1 and TOWN of the file read last, as
  // Unicode text (UTF-8): each decoded by its frame's encoding byte (another
  // first byte: the content as ISO-8859-1), several values of one frame
  // joined with "/", NUL characters removed. The last frame of each id wins;
  // empty when missing. The comment is the text of the last COMM frame with
  // an empty description (a COMM without language and description, as this
  // program once wrote them, is read whole); COMM frames with a description
  // are not the comment. Without TYER the year is the first four digits of
  // TDRC.
  std::string TagTitle, TagArtist, TagAlbum, TagComment, TagYear, TagTrack, TagGenre, TagCategory, TagOwner;
  // Every frame with a well-formed id, in file order (see T_Frame_Mp3).
  std::vector<T_Frame_Mp3> Frames;
  // First 10 bytes of the last file that was at least that long.
  std::array<std::uint8_t, 10> Id3v2Header{};
  // Tag size decoded from the header (bytes after it); 0 without "ID3".
  std::int32_t TagSize = 0;
  // The ID3v1 block as last written by WriteTagV1.
  std::array<std::uint8_t, 128> Id3v1Block{};
  // Folder of the temporary file "tmp.mp3"; ends with the path delimiter.
  std::string DataFolder;

  // Reads the ID3v2 tag of `path`, opened read-only, into the fields above.
  // Never fails loudly: a missing path (or a folder, FIFO, device), a file
  // without "ID3" and a damaged tag all end silently. Versions 2.2 (frames
  // taken under their v2.3 ids), 2.3 and 2.4 are understood: the walk follows
  // each frame's declared size, skips an extended header, undoes
  // unsynchronisation and stops at padding; where no well-formed id stands
  // (damage) it moves on 4 bytes at a time. A frame whose size is negative or
  // reaches past the end of the file ends the read before anything is
  // allocated for it; frames before it are kept and RefreshFrameList is not
  // called.
  void ReadTag(const std::string& path);

  // Replaces the ID3v2 tag of `Path` by a new v2.3 tag, working from what
  // ReadTag left for the same file (Frames, Id3v2Header, TagSize). The
  // values are UTF-8 text. Each of the nine frames gets the encoding byte,
  // the value and its terminator: ISO-8859-1 (00 value 00) when every
  // character lies in U+0001..U+00FF, else UTF-16 with the mark FF FE
  // (01 FF FE text 00 00). Existing frames are updated in place
  // (compression, encryption and grouping flags cleared), missing ones
  // appended in the order TPE1 TALB TIT2 TYER COMM TRCK TCON TIT1 TOWN. COMM:
  // encoding, language, empty description, text; only comment frames with an
  // empty description are updated (keeping their language; "eng" for a new
  // one or one without language), others are carried over. Every other frame
  // is written back with its own bytes; the frames of a v2.4 tag are first
  // turned into their v2.3 form (id3::ConvertV24ToV23). No padding; the
  // audio from the old tag's end on follows unchanged, and a v2.4 footer that
  // is really there ("3DI" after the tag) goes with the old tag.
  bool WriteTagV2(std::string Path, std::string Title, std::string Artist, std::string Album, std::string Comment,
                  std::string Year, std::string Track, std::string Genre, std::string Category, std::string Owner);

  // Writes the 128-byte ID3v1 block at the end of `Path`: over the last 128
  // bytes when they start with "TAG" (case-sensitive; the genre byte stays),
  // else appended with genre byte 255. The UTF-8 values go in as ISO-8859-1,
  // each character outside it as "?"; title, artist, album and comment are
  // then cut or space-filled to 30 bytes, the year to 4. False, file unchanged,
  // for a missing or unwritable file or one shorter than 128 bytes; false
  // when a write, sync or close fails (a failed append is cut back off).
  // An append is synced to disk; an overwrite in place is not.
  bool WriteTagV1(std::string Path, std::string Title, std::string Artist, std::string Album, std::string Comment,
                  std::string Year);

 protected:
  // Called by ReadTag after a completed frame walk (not after a failed read).
  // Does nothing here; the frame list window overrides it.
  virtual void RefreshFrameList(const std::vector<T_Frame_Mp3>& frames, std::int32_t tagSize);

 private:
  // The frames of the tag region, and the values they set. False when a
  // read came up short or a frame is damaged.
  bool ReadFrames(platform::File& file, std::uint64_t fileSize);
  // Sets the value that `frame` carries, if it is one of the nine.
  void TakeValue(const T_Frame_Mp3& frame, int major);
  bool yearFromTyer_ = false;

  // True when Id3v2Header holds the first bytes of the file ReadTag read
  // last; a file shorter than 10 bytes leaves an older header in place.
  bool headerFromLastRead_ = false;
};
