// A CloneCD disc image (.ccd + .img + .sub) that answers the commands a CD
// drive gets (see DiscImage), so tests can rip discs they build themselves.
//
//   .ccd  INI text: [Disc] TocEntries and Sessions, and one [Entry N] per
//         full-TOC descriptor (Session, Point, ADR, Control, TrackNo, AMin,
//         ASec, AFrame, Zero, PMin, PSec, PFrame; hexadecimal "0x.." or
//         decimal numbers).
//   .img  2352 audio bytes a sector from LBA 0 (MSF 00:02:00) on.
//   .sub  96 bytes a sector, channel by channel: 12 bytes each of P, Q, R,
//         S, T, U, V, W; the first bit of a channel is bit 7 of its first
//         byte. R–W are as on the disc: interleaved, uncorrected.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"
#include "ripper/disc_image.h"

namespace mosaicer {

// Parses .ccd text. False, with `error` set, when [Disc] or an entry it
// announces is missing, the entry count is impossible, or a field of an
// entry is not a number from 0 to 255 (hexadecimal "0x.." or decimal; a
// missing field reads as 0).
bool ParseCcd(std::string_view text, CcdToc& toc, std::string& error);

// Checks that the table of contents describes tracks a ripper can read:
// every session (1..99) has one first-track (A0), last-track (A1) and
// lead-out (A2) entry; every track from its first to its last is listed
// once, in that session, and a session's first track follows the last
// track of the session before; minutes, seconds and frames are in range (MIN
// 0..99, SEC 0..59, FRAME 0..74); tracks start at 00:02:00 or later, each
// after the one before it and before its session's lead-out; a session
// starts at or after the lead-out of the one before; no lead-out lies past
// 90:00:00 (later addresses stand for the lead-in). Entries of other
// points (B0, C0, ...) are not checked. False, with `error` saying which
// entry or track is wrong, otherwise.
bool CheckCcdToc(const CcdToc& toc, std::string& error);

// The sector (LBA) where the last session's lead-out starts, that is the
// sectors the .img and .sub must hold; 0 for a table without a lead-out.
std::int64_t CcdLeadOutSector(const CcdToc& toc);

// The .ccd, .img and .sub that make up the image named by `ccdPath`, in
// that order: every one of them is an input of a job reading the image.
std::vector<std::string> CloneCdFiles(const std::string& ccdPath);

// A .ccd is a few kilobytes; a file above this is not one.
inline constexpr std::uint64_t kMaxCcdBytes = 1u << 20;

class CloneCdImage : public DiscImage {
 public:
  CloneCdImage() : DiscImage("CLONECD IMAGE") {}
  // Opens `ccdPath` and the .img and .sub of the same name beside it.
  // False, with `error` a sentence that names the file at fault and why
  // (not found, a folder, too large, a bad table of contents, an .img or
  // .sub shorter than the table of contents says), when any of them cannot
  // serve; the image is then closed.
  bool Open(const std::string& ccdPath, std::string& error);
  // The image's three files (see CloneCdFiles); empty while closed.
  std::vector<std::string> Files() const override;

 protected:
  bool ReadAudio(std::int64_t lba, std::uint32_t count, std::uint8_t* out,
                 std::size_t stride) override;
  bool ReadRawSubcode(std::int64_t lba, std::uint32_t count, std::uint8_t* out) override;

 private:
  std::string ccdPath_;
  UniqueFd img_{-1};
  UniqueFd sub_{-1};
};

// The raw P–W form of one sector's linear subcode: byte k carries P in bit
// 7 down to W in bit 0, each from bit 7 − (k mod 8) of byte k / 8 of its
// channel.
void LinearToRawSubcode(const std::uint8_t* linear, std::uint8_t* raw);

}  // namespace mosaicer
