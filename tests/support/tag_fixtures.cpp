#include "support/tag_fixtures.h"

#include <cstdio>
#include <stdexcept>

namespace test_support {

std::string Hex(std::string_view pairs) {
  std::string bytes;
  int high = -1;
  for (const char c : pairs) {
    if (c == ' ') continue;
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else throw std::invalid_argument("bad hex digit");
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits");
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  std::string text;
  char pair[4];
  for (const char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
    if (!text.empty()) text += ' ';
    text += pair;
  }
  return text;
}

namespace {
std::string FrameWithSize(std::string_view id, std::string_view content, std::string size, std::uint8_t flags0,
                          std::uint8_t flags1) {
  std::string frame(id);
  frame += size;
  frame += static_cast<char>(flags0);
  frame += static_cast<char>(flags1);
  frame += content;
  return frame;
}

std::string BigEndian(std::uint32_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
}

std::string Syncsafe(std::uint32_t n) {
  return {static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
          static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
}
}  // namespace

std::string Frame(std::string_view id, std::string_view content, std::uint8_t flags0, std::uint8_t flags1) {
  return FrameWithSize(id, content, BigEndian(static_cast<std::uint32_t>(content.size())), flags0, flags1);
}

std::string FrameV4(std::string_view id, std::string_view content, std::uint8_t flags0, std::uint8_t flags1) {
  return FrameWithSize(id, content, Syncsafe(static_cast<std::uint32_t>(content.size())), flags0, flags1);
}

std::string Header(std::uint32_t tagSize, std::uint8_t version, std::uint8_t flags) {
  std::string header = "ID3";
  header += static_cast<char>(version);
  header += '\0';
  header += static_cast<char>(flags);
  header += Syncsafe(tagSize);
  return header;
}

std::string Tag(const std::string& frames, std::size_t padding, std::uint8_t version) {
  return Header(static_cast<std::uint32_t>(frames.size() + padding), version) + frames + std::string(padding, '\0');
}

std::string V1Block(char fill, std::uint8_t genre) {
  return "TAG" + std::string(124, fill) + std::string(1, static_cast<char>(genre));
}

ScriptedFaults::ScriptedFaults() { previous_ = platform::SetFaultHook(this); }

ScriptedFaults::~ScriptedFaults() { platform::SetFaultHook(previous_); }

int ScriptedFaults::Check(platform::FileStep step, std::string_view path) {
  seen_.push_back({step, std::string(path)});
  int error = 0;
  if (failStep_ && *failStep_ == step && ++occurrences_ == failOccurrence_) error = stepError_;
  if (failNth_ != 0 && seen_.size() == failNth_) error = nthError_;
  if (error != 0) failed_ = seen_.back();
  return error;
}

const char* StepName(platform::FileStep step) {
  using platform::FileStep;
  switch (step) {
    case FileStep::OpenRead: return "OpenRead";
    case FileStep::OpenWrite: return "OpenWrite";
    case FileStep::Create: return "Create";
    case FileStep::Read: return "Read";
    case FileStep::Write: return "Write";
    case FileStep::Size: return "Size";
    case FileStep::Sync: return "Sync";
    case FileStep::SetMode: return "SetMode";
    case FileStep::Truncate: return "Truncate";
    case FileStep::Close: return "Close";
    case FileStep::Copy: return "Copy";
    case FileStep::Rename: return "Rename";
    case FileStep::Remove: return "Remove";
    case FileStep::SyncFolder: return "SyncFolder";
    case FileStep::Resolve: return "Resolve";
  }
  return "?";
}

}  // namespace test_support
