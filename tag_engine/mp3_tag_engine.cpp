#include "tag_engine/mp3_tag_engine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>

#include "platform/file_io.h"
#include "platform/file_system.h"
#include "tag_engine/id3_layout.h"
#include "tag_engine/tag_tables.h"
#include "tag_engine/text_codec.h"

namespace {

constexpr std::string_view kMagic = "ID3";
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

constexpr std::uint8_t kUnsynchronisedTag = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40;
constexpr std::uint8_t kV22Compressed = 0x40;  // v2.2: no scheme was ever defined
constexpr std::size_t kExtendedSizeField = 4;
constexpr std::size_t kYearDigits = 4;

using WriteFailure = Mp3TagEngine::WriteFailure;

WriteFailure FailureFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return WriteFailure::Vanished;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return WriteFailure::NotWritable;
    case ENOSPC:
    case EDQUOT:
      return WriteFailure::DiskFull;
    default:
      return WriteFailure::Other;
  }
}

// Records why a write failed on every way out of it: a path that knows the
// cause sets it; any other failure is read from errno, which the file layer
// leaves describing the step that failed.
struct FailureRecorder {
  WriteFailure& failure;
  const bool& succeeded;
  ~FailureRecorder() {
    if (succeeded) failure = WriteFailure::None;
    else if (failure == WriteFailure::None) failure = FailureFromErrno(errno);
  }
};

// A comment frame carries a language and a short description before its
// text; without them every other reader takes the first bytes of the
// comment for a language. A new comment frame gets "eng".
constexpr std::string_view kCommentLanguage = "eng";
constexpr std::size_t kLanguageSize = 3;

// The text of a text frame's content (from its encoding byte on), values
// joined with "/"; another first byte: the content as ISO-8859-1.
std::string TextValue(std::string_view content) {
  if (content.empty()) return {};
  const auto encoding = static_cast<std::uint8_t>(content[0]);
  std::string text =
      id3text::IsEncoding(encoding)
          ? id3text::JoinValues(id3text::DecodeAll(static_cast<id3text::Encoding>(encoding), content.substr(1)))
          : id3text::FromLatin1(content);
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  return text;
}

// What a COMM frame's content (from its encoding byte on) holds.
struct CommentShape {
  // The frame is the comment: its description is empty, or it has the
  // layout this program once wrote (encoding byte, text, no language).
  bool isComment = false;
  bool oldLayout = false;
  std::string language;  // 3 bytes; empty for the old layout
  std::string text;      // UTF-8
};

// The old layout shows as a frame too short for a language, without a
// description terminator, or with a description but no text; it is then
// read whole, as any text frame.
CommentShape ParseComment(std::string_view content) {
  CommentShape shape;
  auto whole = [&]() {
    shape.isComment = true;
    shape.oldLayout = true;
    shape.text = TextValue(content);
    return shape;
  };
  if (content.empty()) {
    shape.isComment = true;
    return shape;
  }
  const auto encodingByte = static_cast<std::uint8_t>(content[0]);
  if (content.size() <= 1 + kLanguageSize || !id3text::IsEncoding(encodingByte)) return whole();
  const auto encoding = static_cast<id3text::Encoding>(encodingByte);
  const std::string_view afterLanguage = content.substr(1 + kLanguageSize);
  if (id3text::FindTerminator(encoding, afterLanguage) == std::string_view::npos) return whole();
  std::string_view rest;
  const std::string description = id3text::DecodeFirst(encoding, afterLanguage, &rest);
  std::string text = id3text::JoinValues(id3text::DecodeAll(encoding, rest));
  auto blank = [](const std::string& s) { return s.find_first_not_of('\0') == std::string::npos; };
  if (blank(text) && !blank(description)) return whole();
  shape.isComment = blank(description);
  shape.language = std::string(content.substr(1, kLanguageSize));
  shape.text = std::move(text);
  return shape;
}

// Content of a written comment: encoding, language, an empty description,
// the text; ISO-8859-1 when the text fits, else UTF-16.
std::string CommentContent(const std::string& value, const std::string& language) {
  const id3text::Encoding encoding = id3text::EncodingFor(value);
  std::string content(1, static_cast<char>(encoding));
  content += language;
  content += id3text::Encode(encoding, "");
  content.append(id3text::TerminatorSize(encoding), '\0');
  content += id3text::Encode(encoding, value);
  content.append(id3text::TerminatorSize(encoding), '\0');
  return content;
}


// ISO-8859-1, each character outside it as "?", cut or space-filled.
std::string FixedWidth(const std::string& value, std::size_t width) {
  std::string field = id3text::ToLatin1(value).substr(0, width);
  field.resize(width, ' ');
  return field;
}

}  // namespace

std::array<std::uint8_t, 128> RenderId3v1Block(const std::array<std::uint8_t, 128>* oldBlock,
                                               const std::string& title, const std::string& artist,
                                               const std::string& album, const std::string& comment,
                                               const std::string& year) {
  std::array<std::uint8_t, 128> block{};
  std::memcpy(block.data(), kV1Marker.data(), kV1Marker.size());
  auto put = [&block](std::size_t offset, const std::string& value, std::size_t width) {
    const std::string field = FixedWidth(value, width);
    std::memcpy(block.data() + offset, field.data(), width);
  };
  put(kV1TitleOffset, title, kV1TextWidth);
  put(kV1ArtistOffset, artist, kV1TextWidth);
  put(kV1AlbumOffset, album, kV1TextWidth);
  put(kV1YearOffset, year, kV1YearWidth);
  put(kV1CommentOffset, comment, kV1TextWidth);
  block[kV1GenreOffset] = oldBlock ? (*oldBlock)[kV1GenreOffset] : kV1NoGenre;
  return block;
}

Mp3TagEngine::~Mp3TagEngine() { (void)SyncPendingFolders(); }

void Mp3TagEngine::RefreshFrameList(const std::vector<T_Frame_Mp3>&, std::int32_t) {}

void Mp3TagEngine::ReadTag(const std::string& path) {
  Frames.clear();
  for (std::string* value : {&TagTitle, &TagArtist, &TagAlbum, &TagComment, &TagYear, &TagTrack, &TagGenre,
                             &TagCategory, &TagOwner}) {
    value->clear();
  }
  TagSize = 0;
  headerFromLastRead_ = false;
  yearFromTyer_ = false;

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
        if (!ReadFrames(*file, *fileSize)) return;
      }
    }
    RefreshFrameList(Frames, TagSize);
  } catch (const std::exception&) {
    // Out of memory: keep what was read, as after a damaged frame. The values
    // never hold NUL characters: TakeValue decodes them without.
  }
}

bool Mp3TagEngine::ReadFrames(platform::File& file, std::uint64_t fileSize) {
  const std::uint64_t tagEnd = static_cast<std::uint64_t>(TagSize) + id3::kHeaderSize;
  const std::uint8_t version = Id3v2Header[id3::kVersionOffset];
  const std::uint8_t flags = Id3v2Header[id3::kFlagsOffset];
  const int major = (version == 2 || version == 4) ? version : 3;
  if (major == 2 && (flags & kV22Compressed)) return true;  // nothing in it can be read

  // The tag region in one read, at its offsets in the file: everything up to
  // the tag's end, plus the frame header an id just before the end may
  // start. A frame reaching further is read on demand, once its size has
  // been checked against the file's.
  std::string buffer(static_cast<std::size_t>(std::min(fileSize, tagEnd + id3::kFrameHeaderSize)), '\0');
  if (buffer.size() > id3::kHeaderSize &&
      !file.ReadAt(id3::kHeaderSize, buffer.data() + id3::kHeaderSize, buffer.size() - id3::kHeaderSize)) {
    return false;
  }
  std::function<bool(std::size_t)> have = [&](std::size_t end) {
    if (end > fileSize) return false;  // a read would come up short
    if (end <= buffer.size()) return true;
    const std::size_t old = buffer.size();
    buffer.resize(end);
    return file.ReadAt(old, buffer.data() + old, buffer.size() - old);
  };
  std::size_t end = static_cast<std::size_t>(std::min(tagEnd, fileSize));
  if (major != 4 && (flags & kUnsynchronisedTag)) {
    // Unsynchronisation covers the whole tag here: undone on the region,
    // whose frames then cannot reach past it.
    buffer = buffer.substr(0, id3::kHeaderSize) +
             id3::RemoveUnsynchronisation(std::string_view(buffer).substr(id3::kHeaderSize, end - id3::kHeaderSize));
    end = buffer.size();
    have = [&buffer](std::size_t n) { return n <= buffer.size(); };
  }

  std::size_t at = id3::kHeaderSize;
  if (major >= 3 && (flags & kExtendedHeader)) {
    if (!have(at + kExtendedSizeField)) return false;
    const auto* sizeBytes = reinterpret_cast<const unsigned char*>(buffer.data() + at);
    // v2.3 counts the bytes after the size field, v2.4 the whole header.
    const std::uint64_t extended = major == 4 ? id3::DecodeSyncsafe(sizeBytes)
                                              : kExtendedSizeField + std::uint64_t{id3::DecodeBigEndian(sizeBytes)};
    if (extended < kExtendedSizeField || at + extended > end) return false;
    at += static_cast<std::size_t>(extended);
  }
  return id3::WalkFrames(
      buffer, at, end, major, have, Frames, [this, major](const T_Frame_Mp3& frame) { TakeValue(frame, major); },
      major == 4 && (flags & kUnsynchronisedTag));
}

void Mp3TagEngine::TakeValue(const T_Frame_Mp3& frame, int major) {
  const std::optional<std::size_t> start = id3::PayloadStart(frame, major);
  if (!start) return;  // compressed or encrypted: no text to take
  const std::string_view content =
      std::string_view(frame.FrameContent).substr(std::min(*start, frame.FrameContent.size()));
  const std::string_view id = frame.FrameId;
  if (id == "COMM") {
    const CommentShape comment = ParseComment(content);
    if (comment.isComment) TagComment = comment.text;
    return;
  }
  if (id == "TDRC") {
    if (yearFromTyer_) return;
    const std::string date = TextValue(content);
    std::size_t digits = 0;
    while (digits < date.size() && digits < kYearDigits && date[digits] >= '0' && date[digits] <= '9') ++digits;
    TagYear = date.substr(0, digits);
    return;
  }
  std::string* value = nullptr;
  if (id == "TPE1") value = &TagArtist;
  else if (id == "TALB") value = &TagAlbum;
  else if (id == "TIT2") value = &TagTitle;
  else if (id == "TYER") value = &TagYear, yearFromTyer_ = true;
  else if (id == "TRCK") value = &TagTrack;
  else if (id == "TCON") value = &TagGenre;
  else if (id == "TIT1") value = &TagCategory;
  else if (id == "TOWN") value = &TagOwner;
  if (!value) return;
  *value = TextValue(content);
  if (value == &TagGenre) TagGenre = ResolveGenre(TagGenre);
}

bool Mp3TagEngine::WriteTagV2(std::string Path, std::string Title, std::string Artist, std::string Album,
                              std::string Comment, std::string Year, std::string Track, std::string Genre,
                              std::string Category, std::string Owner) {
  LastWriteFailure = WriteFailure::None;
  errno = 0;  // a path that is there but no regular file leaves it so: Other
  if (!platform::IsExistingFile(Path)) {
    LastWriteFailure = FailureFromErrno(errno);
    return false;
  }
  bool written = false;
  const FailureRecorder failureRecorder{LastWriteFailure, written};
  try {
    // What the old header says, read before it is replaced below. A header
    // left from an older, longer file does not describe this one.
    const bool hadTag = headerFromLastRead_ && HasMagic(Id3v2Header);
    const bool oldV4 = hadTag && Id3v2Header[id3::kVersionOffset] == id3::kSyncsafeVersion;
    std::uint64_t audioStart = hadTag ? static_cast<std::uint64_t>(TagSize) + id3::kHeaderSize : 0;
    const bool footerFlag = oldV4 && (Id3v2Header[id3::kFlagsOffset] & id3::kFooterFlag);

    const std::array<const std::string*, 9> values = {&Artist, &Album, &Title, &Year, &Comment,
                                                      &Track,  &Genre, &Category, &Owner};
    // A v2.4 tag's frames in their v2.3 form first; from then on every
    // frame has v2.3 flags and plain content.
    if (oldV4) Frames = id3::ConvertV24ToV23(Frames);
    std::array<bool, 9> found{};
    for (T_Frame_Mp3& frame : Frames) {
      const auto match = std::find(kWrittenIds.begin(), kWrittenIds.end(), frame.FrameId);
      // Anything else is carried over with its bytes as they stood, so
      // pictures, UTF-16 text, counters and private data survive.
      if (match == kWrittenIds.end()) continue;
      const auto index = static_cast<std::size_t>(match - kWrittenIds.begin());
      if (kWrittenIds[index] == "COMM") {
        const std::optional<std::size_t> start = id3::PayloadStart(frame, id3::kWrittenVersion);
        if (!start) continue;  // compressed or encrypted: no comment we could read
        const CommentShape shape = ParseComment(std::string_view(frame.FrameContent).substr(
            std::min(*start, frame.FrameContent.size())));
        if (!shape.isComment) continue;  // a described comment (player data, lyrics notes) stays as it is
        frame.FrameContent = CommentContent(Comment, shape.oldLayout || shape.language.size() != kLanguageSize
                                                         ? std::string(kCommentLanguage)
                                                         : shape.language);
      } else {
        frame.FrameContent = id3::EncodeValue(*values[index]);
      }
      found[index] = true;
      // The new content is plain text: no longer compressed, encrypted or
      // grouped. The status bits keep their meaning.
      frame.FrameFlags[1] &= static_cast<std::uint8_t>(~(id3::kV3Compression | id3::kV3Encryption | id3::kV3Grouping));
      id3::UpdateSize(frame);
    }
    for (std::size_t i = 0; i < kWrittenIds.size(); ++i) {
      if (found[i]) continue;
      T_Frame_Mp3 frame;
      frame.FrameId = std::string(kWrittenIds[i]);
      frame.FrameContent = kWrittenIds[i] == "COMM" ? CommentContent(Comment, std::string(kCommentLanguage))
                                                    : id3::EncodeValue(*values[i]);
      id3::UpdateSize(frame);
      Frames.push_back(std::move(frame));
    }

    std::uint64_t tagSize = 0;
    for (const T_Frame_Mp3& frame : Frames) tagSize += id3::kFrameHeaderSize + frame.FrameContent.size();
    const std::optional<std::array<std::uint8_t, 4>> sizeField = id3::EncodeSyncsafe(tagSize);
    if (!sizeField) {
      LastWriteFailure = WriteFailure::TagTooLarge;
      return false;
    }
    Id3v2Header = {'I', 'D', '3', id3::kWrittenVersion, 0, 0};
    std::copy(sizeField->begin(), sizeField->end(), Id3v2Header.begin() + id3::kSizeOffset);
    headerFromLastRead_ = false;  // it now describes the tag just built

    // A link stays a link: its final target is what gets replaced.
    const std::optional<std::string> target = platform::ResolvePath(Path);
    if (!target) return false;
    std::optional<platform::File> source = platform::File::OpenReadWrite(*target);
    if (!source) return false;  // also our check that we may change the file at all
    const std::optional<std::uint64_t> sourceSize = source->Size();
    if (!sourceSize) return false;
    if (audioStart > *sourceSize) {
      LastWriteFailure = WriteFailure::TagPastEnd;
      return false;
    }
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

    written = WriteNewFile(Path, *target, *source, *sourceSize, audioStart, tag, Title, Artist, Album, Comment, Year);
  } catch (const std::exception&) {
    written = false;
    LastWriteFailure = WriteFailure::Other;
  }
  return written;
}

bool Mp3TagEngine::WriteNewFile(const std::string& path, const std::string& target, platform::File& source,
                                std::uint64_t sourceSize, std::uint64_t audioStart, std::string& tag,
                                const std::string& title, const std::string& artist, const std::string& album,
                                const std::string& comment, const std::string& year) {
  // Built where a rename reaches the target: the data folder when it shares
  // the target's file system, else the target's own folder, so that a file
  // on an external drive is written once and not copied a second time.
  const std::string folder = platform::FolderOf(target);
  const std::optional<bool> sameFileSystem =
      platform::OnSameFileSystem(DataFolder.empty() ? "." : DataFolder, folder.empty() ? "." : folder);
  if (!sameFileSystem) return false;  // no usable data folder
  const std::string staged = *sameFileSystem ? DataFolder + kTempName : folder + kBesideName;
  // Whatever is still at the staged path on the way out (a failure before
  // or at the rename) goes, rather than linger beside the music or in the
  // data folder.
  struct StagedRemover {
    const std::string& path;
    bool armed = false;
    ~StagedRemover() {
      if (armed) (void)platform::RemoveFile(path);
    }
  } remover{staged};

  // The ID3v1 block goes where WriteTagV1 would put it: over the last 128
  // bytes of new tag + audio when they hold one, else after them.
  const std::uint64_t audioLength = sourceSize - audioStart;
  const std::uint64_t newLength = tag.size() + audioLength;
  std::array<std::uint8_t, kV1Size> tail{};
  const bool roomForBlock = newLength >= kV1Size;
  if (roomForBlock) {
    // Audio shorter than a block leaves the start of the tail in the tag.
    const std::size_t fromTag = audioLength >= kV1Size ? 0 : kV1Size - static_cast<std::size_t>(audioLength);
    std::memcpy(tail.data(), tag.data() + tag.size() - fromTag, fromTag);
    if (!source.ReadAt(sourceSize - (kV1Size - fromTag), tail.data() + fromTag, kV1Size - fromTag)) return false;
  }
  const bool hasBlock = roomForBlock && std::memcmp(tail.data(), kV1Marker.data(), kV1Marker.size()) == 0;
  const std::array<std::uint8_t, kV1Size> block =
      RenderId3v1Block(hasBlock ? &tail : nullptr, title, artist, album, comment, year);

  {
    std::optional<platform::File> out = platform::File::CreateTruncate(staged);
    if (!out) return false;
    remover.armed = true;
    if (!out->Append(tag.data(), tag.size())) return false;
    if (!Journal) tag = std::string();  // a journal still needs the new tag
    if (hasBlock && audioLength >= kV1Size) {
      // The old block is not copied only to be overwritten.
      if (!platform::CopyRange(source, audioStart, audioLength - kV1Size, *out) ||
          !out->Append(block.data(), block.size()))
        return false;
    } else {
      if (!platform::CopyRange(source, audioStart, audioLength, *out)) return false;
      if (hasBlock && !out->WriteAt(newLength - kV1Size, block.data(), block.size())) return false;
      if (!hasBlock && roomForBlock && !out->Append(block.data(), block.size())) return false;
    }
    // Permission bits before the sync, so that they are as durable as the
    // bytes.
    if (!out->CopyModeAndOwnerFrom(source) || !out->Sync() || !out->Close()) return false;
  }
  const std::uint64_t newSize = newLength + (!hasBlock && roomForBlock ? kV1Size : 0);
  if (Journal && !Journal->BeforeReplace({path, source, sourceSize, audioStart, tag, newSize})) return false;
  if (!ReplaceTarget(staged, target, path)) return false;
  if (Journal) Journal->AfterReplace(path);
  // After a rename nothing is left at the staged path; after the copy that
  // a rename across two mounts needs, the staged file still has to go.
  remover.armed = *sameFileSystem && platform::IsExistingFile(staged);
  return true;
}

bool Mp3TagEngine::ReplaceTarget(const std::string& staged, const std::string& target, const std::string& path) {
  if (!platform::ReplaceFile(staged, target, kBesideName)) return false;
  PendingFolder folder{platform::FolderOf(path), platform::FolderOf(target)};
  const bool known = std::any_of(pendingFolders_.begin(), pendingFolders_.end(), [&folder](const PendingFolder& p) {
    return p.given == folder.given && p.resolved == folder.resolved;
  });
  if (!known) pendingFolders_.push_back(std::move(folder));
  return true;
}

bool Mp3TagEngine::SyncPendingFolders() {
  bool synced = true;
  std::vector<std::string> done;
  for (const PendingFolder& p : pendingFolders_) {
    if (std::find(done.begin(), done.end(), p.resolved) != done.end()) continue;
    synced = platform::SyncFolder(p.resolved) && synced;
    done.push_back(p.resolved);
  }
  pendingFolders_.clear();
  return synced;
}

bool Mp3TagEngine::SyncPendingFolder(const std::string& folder) {
  bool synced = true;
  std::vector<std::string> done;
  for (auto it = pendingFolders_.begin(); it != pendingFolders_.end();) {
    if (it->given != folder) {
      ++it;
      continue;
    }
    if (std::find(done.begin(), done.end(), it->resolved) == done.end()) {
      synced = platform::SyncFolder(it->resolved) && synced;
      done.push_back(it->resolved);
    }
    it = pendingFolders_.erase(it);
  }
  return synced;
}

bool Mp3TagEngine::WriteTagV1(std::string Path, std::string Title, std::string Artist, std::string Album,
                              std::string Comment, std::string Year) {
  if (!platform::IsExistingFile(Path)) return false;
  try {
    std::optional<platform::File> file = platform::File::OpenReadWrite(Path);
    if (!file) return false;
    const std::optional<std::uint64_t> size = file->Size();
    if (!size || *size < kV1Size) return false;
    std::array<std::uint8_t, 128> old{};
    if (!file->ReadAt(*size - kV1Size, old.data(), old.size())) return false;
    const bool hasBlock = std::memcmp(old.data(), kV1Marker.data(), kV1Marker.size()) == 0;
    const std::array<std::uint8_t, 128> block =
        RenderId3v1Block(hasBlock ? &old : nullptr, Title, Artist, Album, Comment, Year);
    Id3v1Block = block;

    // WriteTagV2 leaves the block in place: no write, no sync, mtime kept.
    if (hasBlock && block == old) return file->Close();
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
