// Any bytes as a frame list of each version and as text in each encoding:
// the walk and the conversion to v2.3 must return without a crash, decoded
// text must be valid UTF-8, and a value written must decode to itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tag_engine/id3_frames.h"
#include "tag_engine/text_codec.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const int major = 2 + data[0] % 3;

  std::string walked = bytes;
  const std::size_t end = walked.size();
  std::vector<T_Frame_Mp3> frames;
  (void)id3::WalkFrames(walked, 0, end, major, [end](std::size_t n) { return n <= end; }, frames, {},
                        (data[0] & 0x80) != 0);
  for (const T_Frame_Mp3& f : frames) Require(f.FrameContent.size() <= bytes.size(), "frame larger than its input");
  if (major == 4) {
    for (const T_Frame_Mp3& f : id3::ConvertV24ToV23(frames)) {
      Require(f.FrameId.size() == 4, "converted frame id");
      Require(id3::PayloadStart(f, 3).has_value(), "converted frame still compressed or encrypted");
    }
  }

  for (std::uint8_t e = 0; e <= id3text::kUtf8; ++e) {
    const auto encoding = static_cast<id3text::Encoding>(e);
    for (const std::string& value : id3text::DecodeAll(encoding, bytes)) {
      Require(id3text::IsValidUtf8(value), "decoded text is no valid UTF-8");
      if (value.find('\0') != std::string::npos) continue;
      const std::string written = id3::EncodeValue(value);
      const std::vector<std::string> back =
          id3text::DecodeAll(static_cast<id3text::Encoding>(written[0]), std::string_view(written).substr(1));
      Require(back.size() <= 1 && (back.empty() ? std::string() : back[0]) == value,
              "a written value does not decode to itself");
    }
  }
  return 0;
}
