// The tag engine: reads the ID3v2 tag of one MP3 file into the current tag
// values and a frame list, and writes a new ID3v2.3 tag and an ID3v1 block.
// Qt-free; the frame list window derives from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class File;
}

// One frame of an ID3v2 tag as read.
struct T_Frame_Mp3 {
  std::string FrameId;                    // 4 bytes as read
  std::array<std::uint8_t, 4> FrameSize;  // big-endian, as read / as it will be written
  std::array<std::uint8_t, 2> FrameFlags;
  std::string FrameContent;               // content after the reader's byte filter
  std::string RawContent;                 // the content bytes exactly as they stood in the file
};

// What a write shows its journal right before it replaces a file.
struct TagReplacement {
  const std::string& path;    // as the caller named it
  platform::File& oldFile;    // the file as it still is, open for reading
  std::uint64_t oldSize;
  std::uint64_t audioStart;   // end of the old tag region
  std::string_view newTag;    // the new file's bytes before the audio
  std::uint64_t newSize;      // the complete new file's size
};

// Told of every file a write replaces; see undo_journal.h.
class TagWriteJournal {
 public:
  virtual ~TagWriteJournal() = default;
  // The new file is complete and synced and about to replace the old one.
  // False abandons the write: the file keeps its old bytes.
  virtual bool BeforeReplace(const TagReplacement& replacement) = 0;
  // The same write is about to change the replaced file once more, in
  // place, leaving it `newSize` bytes long (the ID3v1 block).
  virtual void BeforeChange(const std::string& path, std::uint64_t newSize) = 0;
  // The file at `path` holds new bytes: right after the replacement, and
  // again after such a change.
  virtual void AfterReplace(const std::string& path) = 0;
};

class Mp3TagEngine {
 public:
  virtual ~Mp3TagEngine();

  // Values of the frames TIT2, TPE1, TALB, COMM, TYER, TRCK, TCON (genre
  // reference resolved to a name), TIT1 and TOWN of the file read last: the
  // last frame of each id wins; empty when missing. The comment is the text
  // behind the COMM frame's language and description (or, for a frame that
  // has none, its whole content). A completed read leaves
  // them without NUL bytes; a read that ended early keeps what the frames
  // before the damage set, NUL bytes included.
  std::string TagTitle, TagArtist, TagAlbum, TagComment, TagYear, TagTrack, TagGenre, TagCategory, TagOwner;
  // Every frame with a known id, in file order. FrameSize always encodes the
  // length of FrameContent (plain big-endian, whatever the tag's version).
  std::vector<T_Frame_Mp3> Frames;
  // First 10 bytes of the last file that was at least that long.
  std::array<std::uint8_t, 10> Id3v2Header{};
  // Tag size decoded from the header (bytes after it); 0 without "ID3".
  std::int32_t TagSize = 0;
  // The ID3v1 block as last written by WriteTagV1.
  std::array<std::uint8_t, 128> Id3v1Block{};
  // Folder of the temporary file "tmp.mp3"; ends with the path delimiter.
  std::string DataFolder;
  // When set, every replacement of a file by WriteTagV2 is shown to it
  // first, and it hears of the file's new bytes (also of an ID3v1 block
  // written afterwards). Not owned.
  TagWriteJournal* Journal = nullptr;

  // Reads the ID3v2 tag of `path`, opened read-only, into the fields above.
  // Never fails loudly: a missing path (or a folder, FIFO, device), a file
  // without "ID3" and a damaged tag all end silently. The frame walk follows
  // the ID3v2.3 layout: 4-byte steps over anything that is no known id, plain
  // big-endian frame sizes (syncsafe when the header's major version is 4).
  // A frame whose size is negative or reaches past the end of the file ends
  // the read before anything is allocated for it; frames before it are kept
  // and RefreshFrameList is not called. Content filter (all but APIC): 0xFE
  // restarts the write position, 0x01, 0xFE and 0xFF are dropped.
  void ReadTag(const std::string& path);

  // Replaces the ID3v2 tag of `Path` by a new v2.3 tag, working from what
  // ReadTag left for the same file (Frames, Id3v2Header, TagSize). Each of
  // the nine frames gets content 00 + value + 00 (COMM: 00 "eng" 00 + value
  // + 00, language and empty description first): existing ones in place
  // (compression, encryption and grouping flags cleared), missing ones
  // appended in the order TPE1 TALB TIT2 TYER COMM TRCK TCON TIT1 TOWN. Every
  // other frame is written back with its original bytes (RawContent). No
  // padding; the audio from the old tag's end on follows unchanged.
  // From a v2.4 tag, flag bits are moved to their v2.3 places (status bits;
  // grouping, compression, encryption of carried frames; unsynchronisation
  // and data length indicator dropped), sizes are written plain, and a
  // footer that is really there ("3DI" after the tag) goes with the old tag.
  // The new file is built in DataFolder + "tmp.mp3", synced, and replaces the
  // target atomically (a symbolic link stays a link, its final target is
  // replaced; permission bits and, where allowed, the owner are kept).
  // False, with the file unchanged, when: no regular file is at `Path`; it
  // cannot be opened for writing; the old tag reaches past the end of the
  // file; the new tag would be 2^28 bytes or more; any I/O step fails; the
  // Journal, when set, refuses the replacement.
  // No temporary file remains beside the target, and none in DataFolder
  // after a success. Frames and Id3v2Header describe the new tag afterwards
  // whatever the result, so a second write needs a fresh ReadTag.
  bool WriteTagV2(std::string Path, std::string Title, std::string Artist, std::string Album, std::string Comment,
                  std::string Year, std::string Track, std::string Genre, std::string Category, std::string Owner);

  // Writes the 128-byte ID3v1 block at the end of `Path`: over the last 128
  // bytes when they start with "TAG" (case-sensitive; the genre byte stays),
  // else appended with genre byte 255. Title, artist, album and comment are
  // cut or space-filled to 30 bytes, the year to 4. False, file unchanged,
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
  // Step 6 of a read: the frames of the tag region. False when a read came
  // up short or a frame is damaged.
  bool WalkFrames(platform::File& file, std::uint64_t fileSize);

  // True when Id3v2Header holds the first bytes of the file ReadTag read
  // last; a file shorter than 10 bytes leaves an older header in place.
  bool headerFromLastRead_ = false;
};
