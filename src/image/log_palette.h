// The palette a picture is prepared with: a logical palette of version 0x300
// with room for 256 entries, of which the first 16 are used. Entries keep
// their 8-bit values; what CD+G shows of a colour is the top four bits of
// each component.
#pragma once

#include <array>
#include <cstdint>

#include "platform/bitmap.h"

namespace mosaicer {

inline constexpr std::uint16_t kLogPaletteVersion = 0x300;
inline constexpr int kUsedPaletteEntries = 16;
// Flags byte of every colour the program makes.
inline constexpr std::uint8_t kPaletteEntryFlags = 1;

struct LogPalette {
  std::uint16_t version = kLogPaletteVersion;
  std::uint16_t count = 0;
  std::array<PaletteEntry, kPaletteSize> entries{};

  // Version 0x300, `count` entries, every entry black with flags 0.
  static LogPalette Cleared(std::uint16_t count) {
    LogPalette p;
    p.count = count;
    return p;
  }
  friend bool operator==(const LogPalette&, const LogPalette&) = default;
};

// The colour CD+G shows for an entry: each component cut to its top four
// bits (value AND 0xF0).
inline PaletteEntry CutToFourBits(PaletteEntry e) {
  constexpr std::uint8_t kTopBits = 0xF0;
  return PaletteEntry{static_cast<std::uint8_t>(e.r & kTopBits),
                      static_cast<std::uint8_t>(e.g & kTopBits),
                      static_cast<std::uint8_t>(e.b & kTopBits), e.flags};
}

}  // namespace mosaicer
