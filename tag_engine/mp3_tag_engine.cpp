#include "tag_engine/mp3_tag_engine.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>

#include "platform/file_io.h"
#include "platform/file_system.h"
#include "tag_engine/id3_layout.h"
#include "tag_engine/tag_tables.h"

namespace {

constexpr std::string_view kMagic = "ID3";
constexpr std::string_view kPictureId = "APIC";
constexpr unsigned char kRestartByte = 0xFE;
constexpr const char* kTempName = "tmp.mp3";
// Name of the copy placed beside a target on another file system; fixed, so
// that a copy left by a killed run is replaced by the next one.
constexpr const char* kBesideName = ".quillon-tmp.mp3";

constexpr std::size_t kV1Size = 128;
constexpr std::string_view kV1Marker = "TAG";
constexpr std::size_t kV1TitleOffset = 3;
constexpr std::size_t kV1ArtistOffset = 33;
constexpr std::size_t kV1AlbumOffset = 63;
constexpr std::size_t kV1YearOffset = 93;
constexpr std::size_t kV1CommentOffset = 97;
constexpr std::size_t kV1TextWidth = 30;
constexpr std::size_t kV1YearWidth = 4;
constexpr std::size_t kV1GenreOffset = 127;
constexpr std::uint8_t kV1NoGenre = 255;

// The nine frames every write carries, in the order missing ones are appended.
constexpr std::array<std::string_view, 9> kWrittenIds = {"TPE1", "TALB", "TIT2", "TYER", "COMM",
                                                         "TRCK", "TCON", "TIT1", "TOWN"};

bool HasMagic(const std::array<std::uint8_t, 10>& header) {
  return std::memcmp(header.data(), kMagic.data(), kMagic.size()) == 0;
}

// The reader's byte filter: every byte is kept for a picture; for any other
// frame 0xFE moves the write position back to the start, and 0x01, 0xFE and
// 0xFF are dropped. Positions never written stay zero.
std::string FilterContent(std::string_view id, std::string_view raw) {
  if (id == kPictureId) return std::string(raw);
  std::string content(raw.size(), '\0');
  std::size_t at = 0;
  for (const char c : raw) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == kRestartByte) at = 0;
    if (byte != 0x01 && byte != 0xFE && byte != 0xFF) content[at++] = c;
  }
  return content;
}

// Content of the written text frames: encoding ISO-8859-1, the value, a
// closing zero byte.
std::string TextContent(const std::string& value) { return std::string(1, '\0') + value + std::string(1, '\0'); }

// A comment frame carries a language and a short description before its
// text; without them every other reader takes the first bytes of the
// comment for a language. Language "eng", an empty description.
constexpr std::string_view kCommentLanguage = "eng";
std::string CommentContent(const std::string& value) {
  return std::string(1, '\0') + std::string(kCommentLanguage) + std::string(1, '\0') + value +
         std::string(1, '\0');
}

// The comment of a COMM frame's raw content, before NUL removal: the text
// after the encoding byte, the 3-byte language and the description with its
// terminator (one zero byte; two aligned ones in UTF-16), passed through the
// byte filter. Some taggers write the comment right after the encoding byte
// instead; that shape shows as a frame too short for a language, without a
// terminator, or with a description but no text, and then the whole
// content is the comment, as for any text frame.
std::string CommentText(std::string_view raw) {
  constexpr std::size_t kTextStart = 1 + 3;  // encoding byte, language
  constexpr char kUtf16 = 1, kUtf16BigEndian = 2;
  const std::string whole = FilterContent("COMM", raw);
  if (raw.size() <= kTextStart) return whole;
  const bool wide = raw[0] == kUtf16 || raw[0] == kUtf16BigEndian;
  const std::size_t unit = wide ? 2 : 1;
  const std::string_view rest = raw.substr(kTextStart);
  std::size_t end = std::string_view::npos;
  for (std::size_t i = 0; i + unit <= rest.size(); i += unit) {
    if (rest[i] == '\0' && (!wide || rest[i + 1] == '\0')) {
      end = i;
      break;
    }
  }
  if (end == std::string_view::npos) return whole;
  auto blank = [](const std::string& s) { return s.find_first_not_of('\0') == std::string::npos; };
  const std::string description = FilterContent("COMM", rest.substr(0, end));  // a lone byte-order mark is empty
  const std::string text = FilterContent("COMM", rest.substr(end + unit));
  if (blank(text) && !blank(description)) return whole;
  return text;
}

// The v2.3 meaning of v2.4 status flags (first flag byte).
std::uint8_t StatusFlagsFromV4(std::uint8_t v4) {
  std::uint8_t v3 = 0;
  if (v4 & id3::kV4TagAlter) v3 |= id3::kV3TagAlter;
  if (v4 & id3::kV4FileAlter) v3 |= id3::kV3FileAlter;
  if (v4 & id3::kV4ReadOnly) v3 |= id3::kV3ReadOnly;
  return v3;
}

// The v2.3 meaning of v2.4 format flags (second byte). Unsynchronisation and
// the data length indicator have no v2.3 counterpart and are dropped.
std::uint8_t FormatFlagsFromV4(std::uint8_t v4) {
  std::uint8_t v3 = 0;
  if (v4 & id3::kV4Grouping) v3 |= id3::kV3Grouping;
  if (v4 & id3::kV4Compression) v3 |= id3::kV3Compression;
  if (v4 & id3::kV4Encryption) v3 |= id3::kV3Encryption;
  return v3;
}

std::string FixedWidth(const std::string& value, std::size_t width) {
  std::string field = value.substr(0, width);
  field.resize(width, ' ');
  return field;
}

}  // namespace

Mp3TagEngine::~Mp3TagEngine() = default;

void Mp3TagEngine::RefreshFrameList(const std::vector<T_Frame_Mp3>&, std::int32_t) {}

void Mp3TagEngine::ReadTag(const std::string& path) {
  Frames.clear();
  for (std::string* value : {&TagTitle, &TagArtist, &TagAlbum, &TagComment, &TagYear, &TagTrack, &TagGenre,
                             &TagCategory, &TagOwner}) {
    value->clear();
  }
  TagSize = 0;
  headerFromLastRead_ = false;

  try {
    if (platform::IsExistingFile(path)) {
      std::optional<platform::File> file = platform::File::OpenRead(path);
      if (!file) return;
      const std::optional<std::uint64_t> fileSize = file->Size();
      if (!fileSize || *fileSize < id3::kHeaderSize) return;
      std::array<std::uint8_t, 10> header{};
      if (!file->ReadAt(0, header.data(), header.size())) return;
      Id3v2Header = header;
      headerFromLastRead_ = true;
      if (HasMagic(header)) {
        TagSize = static_cast<std::int32_t>(id3::DecodeSyncsafe(header.data() + id3::kSizeOffset));
        if (!WalkFrames(*file, *fileSize)) return;
      }
    }
    RefreshFrameList(Frames, TagSize);
  } catch (const std::exception&) {
    return;  // out of memory: keep what was read, as after a damaged frame
  }
  const std::string nul(1, '\0');
  for (std::string* value : {&TagTitle, &TagArtist, &TagAlbum, &TagComment, &TagYear, &TagTrack, &TagGenre,
                             &TagCategory, &TagOwner}) {
    *value = ReplaceAll(*value, nul, "");
  }
}

bool Mp3TagEngine::WalkFrames(platform::File& file, std::uint64_t fileSize) {
  const std::uint64_t tagEnd = static_cast<std::uint64_t>(TagSize) + id3::kHeaderSize;
  const bool syncsafeSizes = Id3v2Header[id3::kVersionOffset] == id3::kSyncsafeVersion;

  // The tag region in one read: everything up to the tag's end, plus the
  // frame header an id just before the end may start. A frame reaching
  // further is read on demand, once its size has been checked against the
  // file's.
  std::string buffer(static_cast<std::size_t>(std::min(fileSize, tagEnd + id3::kFrameHeaderSize)), '\0');
  if (buffer.size() > id3::kHeaderSize &&
      !file.ReadAt(id3::kHeaderSize, buffer.data() + id3::kHeaderSize, buffer.size() - id3::kHeaderSize)) {
    return false;
  }
  auto have = [&](std::uint64_t end) {
    if (end > fileSize) return false;  // a read would come up short
    if (end <= buffer.size()) return true;
    const std::size_t old = buffer.size();
    buffer.resize(static_cast<std::size_t>(end));
    return file.ReadAt(old, buffer.data() + old, buffer.size() - old);
  };

  std::uint64_t at = id3::kHeaderSize;
  while (at < tagEnd && at < fileSize) {
    if (!have(at + id3::kFrameIdSize)) return false;
    const std::string_view id(buffer.data() + at, id3::kFrameIdSize);
    at += id3::kFrameIdSize;
    if (!IsKnownFrameId(id)) continue;  // padding, extended header, unknown frames: 4 bytes at a time
    if (!have(at + id3::kFrameSizeSize + id3::kFrameFlagsSize)) return false;
    const auto* sizeBytes = reinterpret_cast<const unsigned char*>(buffer.data() + at);
    std::uint64_t size;
    if (syncsafeSizes) {
      if ((sizeBytes[0] | sizeBytes[1] | sizeBytes[2] | sizeBytes[3]) & 0x80) return false;  // not syncsafe
      size = id3::DecodeSyncsafe(sizeBytes);
    } else {
      if (sizeBytes[0] & 0x80) return false;  // a negative 32-bit size
      size = id3::DecodeBigEndian(sizeBytes);
    }
    T_Frame_Mp3 frame;
    frame.FrameId.assign(id);
    frame.FrameFlags = {static_cast<std::uint8_t>(buffer[at + 4]), static_cast<std::uint8_t>(buffer[at + 5])};
    at += id3::kFrameSizeSize + id3::kFrameFlagsSize;
    if (!have(at + size)) return false;  // checked before anything is allocated for the content
    frame.RawContent.assign(buffer.data() + at, static_cast<std::size_t>(size));
    at += size;
    frame.FrameContent = FilterContent(frame.FrameId, frame.RawContent);
    frame.FrameSize = id3::EncodeBigEndian(static_cast<std::uint32_t>(frame.FrameContent.size()));
    Frames.push_back(std::move(frame));

    const T_Frame_Mp3& added = Frames.back();
    const std::string_view addedId = added.FrameId;
    if (addedId == "TPE1") TagArtist = added.FrameContent;
    else if (addedId == "TALB") TagAlbum = added.FrameContent;
    else if (addedId == "TIT2") TagTitle = added.FrameContent;
    else if (addedId == "TYER") TagYear = added.FrameContent;
    else if (addedId == "COMM") TagComment = CommentText(added.RawContent);
    else if (addedId == "TRCK") TagTrack = added.FrameContent;
    else if (addedId == "TCON") TagGenre = ResolveGenre(added.FrameContent);
    else if (addedId == "TIT1") TagCategory = added.FrameContent;
    else if (addedId == "TOWN") TagOwner = added.FrameContent;
  }
  return true;
}

bool Mp3TagEngine::WriteTagV2(std::string Path, std::string Title, std::string Artist, std::string Album,
                              std::string Comment, std::string Year, std::string Track, std::string Genre,
                              std::string Category, std::string Owner) {
  if (!platform::IsExistingFile(Path)) return false;
  const std::string tempPath = DataFolder + kTempName;
  // After a rename nothing is left at the temporary path; after a copy
  // across file systems, or any failure, it goes on the way out rather than
  // linger in the data folder.
  struct TempRemover {
    const std::string& path;
    bool created = false;
    ~TempRemover() {
      if (created) (void)platform::RemoveFile(path);
    }
  } tempRemover{tempPath};
  bool written = false;
  try {
    // What the old header says, read before it is replaced below. A header
    // left from an older, longer file does not describe this one.
    const bool hadTag = headerFromLastRead_ && HasMagic(Id3v2Header);
    const bool oldV4 = hadTag && Id3v2Header[id3::kVersionOffset] == id3::kSyncsafeVersion;
    std::uint64_t audioStart = hadTag ? static_cast<std::uint64_t>(TagSize) + id3::kHeaderSize : 0;
    const bool footerFlag = oldV4 && (Id3v2Header[id3::kFlagsOffset] & id3::kFooterFlag);

    const std::array<const std::string*, 9> values = {&Artist, &Album, &Title, &Year, &Comment,
                                                      &Track,  &Genre, &Category, &Owner};
    auto contentOf = [&values](std::size_t index) {
      return kWrittenIds[index] == "COMM" ? CommentContent(*values[index]) : TextContent(*values[index]);
    };
    std::array<bool, 9> found{};
    for (T_Frame_Mp3& frame : Frames) {
      const auto match = std::find(kWrittenIds.begin(), kWrittenIds.end(), frame.FrameId);
      if (match == kWrittenIds.end()) {
        // Carried over with its bytes as they stood, so pictures, UTF-16
        // text, counters and private data survive byte for byte.
        frame.FrameContent = frame.RawContent;
        if (oldV4) {
          frame.FrameFlags = {StatusFlagsFromV4(frame.FrameFlags[0]), FormatFlagsFromV4(frame.FrameFlags[1])};
        }
      } else {
        const auto index = static_cast<std::size_t>(match - kWrittenIds.begin());
        found[index] = true;
        frame.FrameContent = contentOf(index);
        frame.RawContent = frame.FrameContent;
        // The new content is plain text: no longer compressed, encrypted or
        // grouped. The status bits keep their meaning.
        if (oldV4) {
          frame.FrameFlags = {StatusFlagsFromV4(frame.FrameFlags[0]), 0};
        } else {
          frame.FrameFlags[1] &= static_cast<std::uint8_t>(~(id3::kV3Compression | id3::kV3Encryption | id3::kV3Grouping));
        }
      }
      frame.FrameSize = id3::EncodeBigEndian(static_cast<std::uint32_t>(frame.FrameContent.size()));
    }
    for (std::size_t i = 0; i < kWrittenIds.size(); ++i) {
      if (found[i]) continue;
      T_Frame_Mp3 frame;
      frame.FrameId = std::string(kWrittenIds[i]);
      frame.FrameFlags = {0, 0};
      frame.FrameContent = contentOf(i);
      frame.RawContent = frame.FrameContent;
      frame.FrameSize = id3::EncodeBigEndian(static_cast<std::uint32_t>(frame.FrameContent.size()));
      Frames.push_back(std::move(frame));
    }

    std::uint64_t tagSize = 0;
    for (const T_Frame_Mp3& frame : Frames) tagSize += id3::kFrameHeaderSize + frame.FrameContent.size();
    const std::optional<std::array<std::uint8_t, 4>> sizeField = id3::EncodeSyncsafe(tagSize);
    if (!sizeField) return false;
    Id3v2Header = {'I', 'D', '3', id3::kWrittenVersion, 0, 0};
    std::copy(sizeField->begin(), sizeField->end(), Id3v2Header.begin() + id3::kSizeOffset);
    headerFromLastRead_ = false;  // it now describes the tag just built

    // A link stays a link: its final target is what gets replaced.
    const std::optional<std::string> target = platform::ResolvePath(Path);
    if (!target) return false;
    std::optional<platform::File> source = platform::File::OpenReadWrite(*target);
    if (!source) return false;  // also our check that we may change the file at all
    const std::optional<std::uint64_t> sourceSize = source->Size();
    if (!sourceSize || audioStart > *sourceSize) return false;
    if (footerFlag && *sourceSize - audioStart >= id3::kFooterSize) {
      // The v2.4 footer goes with the old tag, but only when it is really
      // there: a flag alone must not cost the audio its first bytes.
      std::array<char, id3::kMagicSize> magic{};
      if (!source->ReadAt(audioStart, magic.data(), magic.size())) return false;
      if (std::string_view(magic.data(), magic.size()) == id3::kFooterMagic) audioStart += id3::kFooterSize;
    }

    std::string tag;
    tag.reserve(static_cast<std::size_t>(id3::kHeaderSize + tagSize));
    tag.append(reinterpret_cast<const char*>(Id3v2Header.data()), Id3v2Header.size());
    for (const T_Frame_Mp3& frame : Frames) {
      tag.append(frame.FrameId, 0, id3::kFrameIdSize);
      tag.append(reinterpret_cast<const char*>(frame.FrameSize.data()), frame.FrameSize.size());
      tag.append(reinterpret_cast<const char*>(frame.FrameFlags.data()), frame.FrameFlags.size());
      tag.append(frame.FrameContent);
    }

    {
      std::optional<platform::File> temp = platform::File::CreateTruncate(tempPath);
      if (!temp) return false;
      tempRemover.created = true;
      if (!temp->Append(tag.data(), tag.size())) return false;
      if (!Journal) tag = std::string();
      if (!platform::CopyRange(*source, audioStart, *sourceSize - audioStart, *temp)) return false;
      if (!temp->Sync() || !temp->Close()) return false;
    }
    if (Journal && !Journal->BeforeReplace({Path, *source, *sourceSize, audioStart, tag,
                                            tag.size() + (*sourceSize - audioStart)})) {
      return false;
    }
    source.reset();
    written = platform::ReplaceFileDurably(tempPath, *target, kBesideName);
    if (written && Journal) Journal->AfterReplace(Path);
  } catch (const std::exception&) {
    written = false;
  }
  return written;
}

bool Mp3TagEngine::WriteTagV1(std::string Path, std::string Title, std::string Artist, std::string Album,
                              std::string Comment, std::string Year) {
  if (!platform::IsExistingFile(Path)) return false;
  try {
    std::optional<platform::File> file = platform::File::OpenReadWrite(Path);
    if (!file) return false;
    const std::optional<std::uint64_t> size = file->Size();
    if (!size || *size < kV1Size) return false;
    std::array<std::uint8_t, 128> block{};
    if (!file->ReadAt(*size - kV1Size, block.data(), block.size())) return false;
    const bool hasBlock = std::memcmp(block.data(), kV1Marker.data(), kV1Marker.size()) == 0;

    std::memcpy(block.data(), kV1Marker.data(), kV1Marker.size());
    auto put = [&block](std::size_t offset, const std::string& value, std::size_t width) {
      const std::string field = FixedWidth(value, width);
      std::memcpy(block.data() + offset, field.data(), width);
    };
    put(kV1TitleOffset, Title, kV1TextWidth);
    put(kV1ArtistOffset, Artist, kV1TextWidth);
    put(kV1AlbumOffset, Album, kV1TextWidth);
    put(kV1YearOffset, Year, kV1YearWidth);
    put(kV1CommentOffset, Comment, kV1TextWidth);
    if (!hasBlock) block[kV1GenreOffset] = kV1NoGenre;
    Id3v1Block = block;

    if (Journal) Journal->BeforeChange(Path, hasBlock ? *size : *size + kV1Size);
    if (hasBlock) {
      // 128 bytes over 128 bytes, within the file's length: the audio and
      // the ID3v2 tag are not touched, so this write is left to the page
      // cache rather than paying a device flush per file.
      if (!file->WriteAt(*size - kV1Size, block.data(), block.size())) return false;
    } else if (!file->WriteAt(*size, block.data(), block.size()) || !file->Sync()) {
      // The file grows: synced so that its new length never shows without
      // the block, and a half-appended block is cut back off.
      (void)file->Truncate(*size);
      return false;
    }
    const bool closed = file->Close();
    if (Journal) Journal->AfterReplace(Path);
    return closed;
  } catch (const std::exception&) {
    return false;
  }
}
