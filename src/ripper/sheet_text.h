// Pieces the text sheets of disc images (cdrdao .toc, CUE) share.
#pragma once

#include <cstdint>
#include <string_view>

namespace mosaicer {

// The most sectors a disc image may describe: everything from LBA 0 up to
// 90:00:00, where addresses stand for the lead-in.
inline constexpr std::int64_t kMaxSheetSectors = 90 * 60 * 75 - 150;

// "MM:SS:FF" (minutes 0..99, seconds 0..59, frames 0..74, one or more
// digits each) as a count of sectors; false for anything else.
bool ParseSheetMsf(std::string_view text, std::int64_t& sectors);

}  // namespace mosaicer
