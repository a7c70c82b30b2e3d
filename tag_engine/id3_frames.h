// ID3v2 frames: the frame record, the walk over a list of frames in the
// layouts of versions 2.2, 2.3 and 2.4, and the turning of 2.2 and 2.4
// frames into their 2.3 form. Bytes only; no files, no Qt.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One frame of an ID3v2 tag as read.
struct T_Frame_Mp3 {
  // 4 characters. Frames of a v2.2 tag carry the v2.3 id of their kind.
  std::string FrameId;
  // Length of FrameContent, big-endian (not syncsafe, whatever the version).
  std::array<std::uint8_t, 4> FrameSize{};
  // The two flag bytes as read, in the places of the tag's own version
  // (00 00 for v2.2 frames, which have none).
  std::array<std::uint8_t, 2> FrameFlags{};
  // The content with unsynchronisation undone and, in v2.4, the data length
  // indicator removed; everything else (a group byte, compressed or
  // encrypted data) as it stood in the file.
  std::string FrameContent;
};

namespace id3 {

// Four characters (three in v2.2), each A-Z or 0-9.
bool IsWellFormedId(std::string_view id);

// Undoes unsynchronisation: every FF 00 becomes FF.
std::string RemoveUnsynchronisation(std::string_view bytes);

// The v2.3 id of a v2.2 frame kind, as the common taggers map them; nullopt
// for kinds without a v2.3 counterpart.
std::optional<std::string_view> V23IdOfV22(std::string_view id);

// The frames of a frame list in the layout of major version `major` (2, 3
// or 4; any other is read as 3), from `data[at]` to `data[end]`. A zero byte
// where an id would start is padding and ends the walk; a position holding no
// well-formed id (damage) is passed over 4 bytes at a time. `have(n)` is
// asked before any byte below offset n is looked at and may grow `data`; it
// returns false when there are no such bytes, which ends the walk with false
// (the frames before stay in `out`). `allUnsynchronised` (v2.4 header flag)
// undoes unsynchronisation in every frame. Nothing is allocated for a frame before
// its size has been checked through `have`. `onFrame` sees each frame as it
// is appended. v2.2 frames get their v2.3 ids (PIC also its content), those
// without one are dropped; v2.4 frames keep their flags as read.
bool WalkFrames(std::string& data, std::size_t at, std::size_t end, int major,
                const std::function<bool(std::size_t)>& have, std::vector<T_Frame_Mp3>& out,
                const std::function<void(const T_Frame_Mp3&)>& onFrame = {}, bool allUnsynchronised = false);

// Where the text of a frame starts inside FrameContent, behind the bytes
// that its flags put in front (a group byte); nullopt when its content is
// compressed or encrypted and cannot be read as it stands.
std::optional<std::size_t> PayloadStart(const T_Frame_Mp3& frame, int major);

// The frames of a v2.4 tag in their v2.3 form: flags moved to their v2.3
// places; TDRC turned into TDAT and TIME where the tag has none, TDOR into
// TORY, TIPL and TMCL into IPLS; frames that v2.3 does not know dropped;
// text in UTF-16BE or UTF-8, and several values in one text frame, written
// again as in EncodeValue (several values joined with "/"); chapter frames'
// embedded frames converted likewise. Compressed or encrypted frames, and
// frames whose text cannot be parsed for re-encoding, are dropped.
std::vector<T_Frame_Mp3> ConvertV24ToV23(const std::vector<T_Frame_Mp3>& frames);

// A text value as frame bytes: the encoding byte, the text and its
// terminator; ISO-8859-1 when every character fits, else UTF-16 with a mark.
std::string EncodeValue(std::string_view utf8);

// Sets FrameSize from the length of FrameContent.
void UpdateSize(T_Frame_Mp3& frame);

}  // namespace id3
