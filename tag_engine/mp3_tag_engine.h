// The tag engine: reads the ID3v2 tag of one MP3 file into the current tag
// values and a frame list, and writes a new ID3v2.3 tag and an ID3v1 block.
// Qt-free; the frame list window derives from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class File;
}

// The 128-byte ID3v1 block for five values: "TAG", then title, artist and
// album (30 bytes each), year (4 bytes) and comment (30 bytes, so no ID3v1.1
// track byte), each value cut to its field or filled up with spaces; the
// last byte (the genre) is the one of `oldBlock` when one is given, else 255
// (none). This is the one place where text becomes ID3v1 bytes.
std::array<std::uint8_t, 128> RenderId3v1Block(const std::array<std::uint8_t, 128>* oldBlock,
                                               const std::string& title, const std::string& artist,
                                               const std::string& album, const std::string& comment,
                                               const std::string& year);

// One frame of an ID3v2 tag as read.
struct T_Frame_Mp3 {
  std::string FrameId;                    // 4 bytes as read
  std::array<std::uint8_t, 4> FrameSize;  // big-endian, as read / as it will be written
  std::array<std::uint8_t, 2> FrameFlags;
  std::string FrameContent;               // content after the reader's byte filter
  std::string RawContent;                 // the content bytes exactly as they stood in the file
};

class Mp3TagEngine {
 public:
  // Syncs the folders still pending (see SyncPendingFolders).
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
  // The ID3v1 block as last written by WriteTagV1 (or found in place).
  std::array<std::uint8_t, 128> Id3v1Block{};
  // Folder of the temporary file "tmp.mp3"; ends with the path delimiter.
  std::string DataFolder;

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
  // bytes or more; any I/O step fails.
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
  // Step 6 of a read: the frames of the tag region. False when a read came
  // up short or a frame is damaged.
  bool WalkFrames(platform::File& file, std::uint64_t fileSize);

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
