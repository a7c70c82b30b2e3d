// The tag engine: reads the ID3v2 tag of one MP3 file into the current tag
// values and a frame list, and writes a new ID3v2.3 tag and an ID3v1 block.
// Qt-free; the frame list window derives from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tag_engine/id3_frames.h"

namespace platform {
class File;
}

// The 128-byte ID3v1 block for five values: "TAG", then title, artist and
// album (30 bytes each), year (4 bytes) and comment (30 bytes, so no ID3v1.1
// track byte), each value (UTF-8) turned into ISO-8859-1 with "?" for the
// characters it lacks, then cut to its field or filled up with spaces; the
// last byte (the genre) is the one of `oldBlock` when one is given, else 255
// (none). This is the one place where text becomes ID3v1 bytes.
std::array<std::uint8_t, 128> RenderId3v1Block(const std::array<std::uint8_t, 128>* oldBlock,
                                               const std::string& title, const std::string& artist,
                                               const std::string& album, const std::string& comment,
                                               const std::string& year);

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
  // Syncs the folders still pending (see SyncPendingFolders).
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
  // The ID3v1 block as last written by WriteTagV1 (or found in place).
  std::array<std::uint8_t, 128> Id3v1Block{};
  // Folder of the temporary file "tmp.mp3"; ends with the path delimiter.
  std::string DataFolder;
  // When set, every replacement of a file by WriteTagV2 is shown to it
  // first, and it hears of the file's new bytes (also of an ID3v1 block
  // written afterwards). Not owned.
  TagWriteJournal* Journal = nullptr;

  // Why the last WriteTagV2 returned false; None after a success.
  // Vanished: no file at the path (ENOENT). NotWritable: read-only or not
  // ours to change (EACCES, EPERM, EROFS, ETXTBSY). DiskFull: ENOSPC,
  // EDQUOT. TagPastEnd: the old tag claims more bytes than the file holds.
  // TagTooLarge: the new tag would reach the ID3v2 size limit. Other: any
  // other failure.
  enum class WriteFailure { None, Vanished, NotWritable, DiskFull, TagPastEnd, TagTooLarge, Other };
  WriteFailure LastWriteFailure = WriteFailure::None;

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
  // After the audio, the file ends with the ID3v1 block that WriteTagV1
  // would then leave: when the last 128 bytes of new tag + audio start with
  // "TAG" they are rebuilt in place (genre byte kept), else a block with
  // genre 255 follows (none when new tag + audio are shorter than 128 bytes,
  // where WriteTagV1 fails). So the file is written once, and a following
  // WriteTagV1 with the same values finds its block in place.
  // The new file is built complete in DataFolder + "tmp.mp3" when DataFolder
  // is on the target's file system, else beside the target as
  // ".quillon-tmp.mp3" (the next write there replaces a copy a kill left),
  // given the target's permission bits (and, where allowed, owner), synced
  // once, and renamed over the target (a symbolic link stays a link, its
  // final target is replaced), so that a kill at any moment leaves the old or
  // the new file. The target's folder is not synced here but recorded as
  // pending (SyncPendingFolders): until then a power loss may bring back the
  // old file, never a cut one.
  // False, with the file unchanged, when: no regular file is at `Path`; it
  // cannot be opened for writing; the data folder cannot be examined; the
  // old tag reaches past the end of the file; the new tag would be 2^28
  // bytes or more; any I/O step fails; the Journal, when set, refuses the
  // replacement.
  // No temporary file remains beside the target, and none in DataFolder
  // after a success. Frames and Id3v2Header describe the new tag afterwards
  // whatever the result, so a second write needs a fresh ReadTag.
  bool WriteTagV2(std::string Path, std::string Title, std::string Artist, std::string Album, std::string Comment,
                  std::string Year, std::string Track, std::string Genre, std::string Category, std::string Owner);

  // Writes the 128-byte ID3v1 block (RenderId3v1Block) at the end of
  // `Path`: over the last 128 bytes when they start with "TAG" (case-
  // sensitive; the genre byte stays), else appended with genre byte 255.
  // When the block there already holds exactly these bytes (as after
  // WriteTagV2 with the same values) the file is not written at all. False,
  // file unchanged, for a missing or unwritable file or one shorter than 128
  // bytes; false when a write, sync or close fails (a failed append is cut
  // back off). An append is synced to disk; an overwrite in place is not.
  bool WriteTagV1(std::string Path, std::string Title, std::string Artist, std::string Album, std::string Comment,
                  std::string Year);

  // Syncs the folder of every file that WriteTagV2 replaced since it was
  // last synced, so that the renames survive a power loss, and forgets
  // them: one sync per folder. The batch run calls it when it ends. False
  // when a folder sync failed (the files are in place all the same).
  bool SyncPendingFolders();
  // The same for the files whose `Path`, as given to WriteTagV2, lies in
  // `folder` (up to and including its last delimiter); other pending
  // folders stay pending. The batch run calls it after the last file of a
  // folder.
  bool SyncPendingFolder(const std::string& folder);

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

  // The file-writing tail of WriteTagV2: builds the new file (`tag`, the
  // audio of `source` from `audioStart` to `sourceSize`, the ID3v1 block for
  // the five values), synced, and hands it to ReplaceTarget. `target` is
  // `path` resolved. `tag` is released once written.
  bool WriteNewFile(const std::string& path, const std::string& target, platform::File& source,
                    std::uint64_t sourceSize, std::uint64_t audioStart, std::string& tag, const std::string& title,
                    const std::string& artist, const std::string& album, const std::string& comment,
                    const std::string& year);
  // The last step of a write: `staged` (complete, synced) replaces `target`
  // (`path` resolved), whose folder then waits in pendingFolders_ for its
  // sync.
  bool ReplaceTarget(const std::string& staged, const std::string& target, const std::string& path);

  // A folder in which a file was replaced and whose entries are not synced
  // yet: as the caller named it, and as resolved (where the rename went).
  struct PendingFolder {
    std::string given, resolved;
  };
  std::vector<PendingFolder> pendingFolders_;

  // True when Id3v2Header holds the first bytes of the file ReadTag read
  // last; a file shorter than 10 bytes leaves an older header in place.
  bool headerFromLastRead_ = false;
};
