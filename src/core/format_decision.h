// Which layout a subcode file has: CDG (2448-byte sectors, 2352 bytes of
// audio then 96 of subcode) or RWS (bare subcode, 96 bytes a sector).
//
// A ".rws" name always means bare subcode. Any other name is decided by the
// size and by which layout's packs look like subcode in a bounded sample of
// the file. Since 2352 bytes are exactly 98 packs, an RWS file read as CDG
// still shows packs where CDG keeps its subcode; what tells the two apart
// is the audio part of each CDG sector: packs there mean RWS, sound means
// CDG, and silence there with packs only at the subcode positions means a
// CDG with silent audio.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "platform/io_status.h"

namespace mosaicer {

enum class FormatDecision {
  Cdg,          // 2448-byte sectors
  Rws,          // 96-byte sectors
  Undecidable,  // the size fits neither layout, or the content fits both or neither
  Empty,        // not one whole sector of either layout
};

// The sample is made of windows of this many bytes, each read from the file
// at a multiple of it: two CDG sectors, or 51 RWS sectors, so both layouts
// start a sector at every window's start.
inline constexpr std::size_t kFormatSampleWindow = 4896;
// Windows a sample holds at most, spread evenly over the file.
inline constexpr std::size_t kFormatSampleWindows = 32;

// Decides the layout of a file of `fileSize` bytes named with `extension`
// (as std::filesystem::path::extension gives it: ".cdg"; compared without
// regard to case) from `sample`: consecutive windows of kFormatSampleWindow
// bytes (only the last may be shorter), each taken from the file at a
// multiple of kFormatSampleWindow. Never fails and never reads past the
// sample; a sample that says nothing (all zero) decides nothing.
//
// Uses the parity tables: call it from one thread at a time, as any
// TSubCodeErrorCorrect is constructed.
FormatDecision DecideSubcodeFormat(std::string_view extension, std::uint64_t fileSize,
                                   std::span<const std::uint8_t> sample);

// Reads the sample DecideSubcodeFormat wants from a regular file: up to
// kFormatSampleWindows windows spread from its start to its end. On
// failure the status names the file and the reason ("not found", "it is a
// folder", a read error).
IoStatus ReadFormatSample(const std::filesystem::path& path, std::uint64_t& fileSize,
                          std::vector<std::uint8_t>& sample);

// ReadFormatSample, then DecideSubcodeFormat with the file's extension.
IoStatus DecideSubcodeFileFormat(const std::filesystem::path& path, FormatDecision& decision);

}  // namespace mosaicer
