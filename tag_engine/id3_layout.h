// Byte layout of ID3v2 headers and frame headers, and the two integer
// encodings they use.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace id3 {

inline constexpr std::size_t kHeaderSize = 10;       // "ID3", version, revision, flags, size
inline constexpr std::size_t kMagicSize = 3;
inline constexpr std::size_t kVersionOffset = 3;
inline constexpr std::size_t kFlagsOffset = 5;
inline constexpr std::size_t kSizeOffset = 6;
inline constexpr std::uint8_t kFooterFlag = 0x10;      // header flag of v2.4: a 10-byte footer ends the tag
inline constexpr std::size_t kFooterSize = 10;
inline constexpr std::string_view kFooterMagic = "3DI";
inline constexpr std::size_t kFrameHeaderSize = 10;  // id, size, flags
inline constexpr std::size_t kFrameIdSize = 4;
inline constexpr std::size_t kFrameSizeSize = 4;
inline constexpr std::size_t kFrameFlagsSize = 2;
inline constexpr std::uint8_t kSyncsafeVersion = 4;  // major version whose frame sizes are syncsafe
inline constexpr std::uint8_t kWrittenVersion = 3;
// Sizes a 28-bit syncsafe field can hold are below this.
inline constexpr std::uint64_t kSyncsafeLimit = std::uint64_t{1} << 28;

// v2.3 frame flags, second byte: content is compressed, encrypted, or
// preceded by a group byte.
inline constexpr std::uint8_t kV3Compression = 0x80;
inline constexpr std::uint8_t kV3Encryption = 0x40;
inline constexpr std::uint8_t kV3Grouping = 0x20;
// v2.3 frame flags, first byte: preserve on tag / file alteration, read-only.
inline constexpr std::uint8_t kV3TagAlter = 0x80;
inline constexpr std::uint8_t kV3FileAlter = 0x40;
inline constexpr std::uint8_t kV3ReadOnly = 0x20;
// The same meanings in v2.4, where the bits sit elsewhere.
inline constexpr std::uint8_t kV4TagAlter = 0x40;
inline constexpr std::uint8_t kV4FileAlter = 0x20;
inline constexpr std::uint8_t kV4ReadOnly = 0x10;
inline constexpr std::uint8_t kV4Grouping = 0x40;
inline constexpr std::uint8_t kV4Compression = 0x08;
inline constexpr std::uint8_t kV4Encryption = 0x04;

inline std::uint32_t DecodeBigEndian(const unsigned char* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

// 7 bits per byte, the top bit of each ignored.
inline std::uint32_t DecodeSyncsafe(const unsigned char* b) {
  return (std::uint32_t{b[0] & 0x7Fu} << 21) | (std::uint32_t{b[1] & 0x7Fu} << 14) |
         (std::uint32_t{b[2] & 0x7Fu} << 7) | std::uint32_t{b[3] & 0x7Fu};
}

inline std::array<std::uint8_t, 4> EncodeBigEndian(std::uint32_t n) {
  return {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
          static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

// nullopt when `n` does not fit 28 bits.
inline std::optional<std::array<std::uint8_t, 4>> EncodeSyncsafe(std::uint64_t n) {
  if (n >= kSyncsafeLimit) return std::nullopt;
  return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>((n >> 21) & 0x7F),
                                     static_cast<std::uint8_t>((n >> 14) & 0x7F),
                                     static_cast<std::uint8_t>((n >> 7) & 0x7F), static_cast<std::uint8_t>(n & 0x7F)};
}

}  // namespace id3
