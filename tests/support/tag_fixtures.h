// Byte builders for ID3 fixtures, and a scriptable fault hook for the file
// layer.
#pragma once

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_io.h"

namespace test_support {

// Bytes from hex pairs, spaces ignored: Hex("49 44 33") == "ID3".
std::string Hex(std::string_view pairs);

// Space-separated upper-case hex pairs of `bytes`, for readable failures.
std::string ToHex(std::string_view bytes);

// A v2.3-layout frame: id, plain big-endian size of `content`, flags, content.
std::string Frame(std::string_view id, std::string_view content, std::uint8_t flags0 = 0, std::uint8_t flags1 = 0);

// A frame whose size field is written syncsafe, as in v2.4.
std::string FrameV4(std::string_view id, std::string_view content, std::uint8_t flags0 = 0,
                    std::uint8_t flags1 = 0);

// "ID3", `version`, 0, `flags`, `tagSize` syncsafe.
std::string Header(std::uint32_t tagSize, std::uint8_t version = 3, std::uint8_t flags = 0);

// A header sized for `frames` plus `padding` zero bytes, the frames, the padding.
std::string Tag(const std::string& frames, std::size_t padding = 0, std::uint8_t version = 3);

// A 128-byte ID3v1 block: "TAG", then `fill` up to byte 126, then `genre`.
std::string V1Block(char fill, std::uint8_t genre);

// Fails steps of the file layer on request and logs every step it sees.
class ScriptedFaults : public platform::FaultHook {
 public:
  struct Seen {
    platform::FileStep step;
    std::string path;
  };

  // Installs itself for its lifetime.
  ScriptedFaults();
  ~ScriptedFaults() override;
  ScriptedFaults(const ScriptedFaults&) = delete;
  ScriptedFaults& operator=(const ScriptedFaults&) = delete;

  // Fail the step with this 1-based index among all steps seen.
  void FailNth(std::size_t n, int error = EIO) {
    failNth_ = n;
    nthError_ = error;
  }
  // Fail the `occurrence`-th step of kind `step` (1-based).
  void FailStep(platform::FileStep step, int occurrence = 1, int error = EIO) {
    failStep_ = step;
    failOccurrence_ = occurrence;
    stepError_ = error;
  }

  int Check(platform::FileStep step, std::string_view path) override;

  const std::vector<Seen>& seen() const { return seen_; }
  // The step that was failed, if any.
  const std::optional<Seen>& failed() const { return failed_; }

 private:
  platform::FaultHook* previous_ = nullptr;
  std::size_t failNth_ = 0;
  std::optional<platform::FileStep> failStep_;
  int failOccurrence_ = 0;
  int occurrences_ = 0;
  int nthError_ = EIO;
  int stepError_ = EIO;
  std::vector<Seen> seen_;
  std::optional<Seen> failed_;
};

// Readable name of a step, for failure messages.
const char* StepName(platform::FileStep step);

}  // namespace test_support
