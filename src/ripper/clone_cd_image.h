// A CloneCD disc image (.ccd + .img + .sub) that answers the commands a CD
// drive gets, so a disc image can be listed, read and ripped exactly as a
// drive is, and tests can rip discs they build themselves.
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

#include "core/parity.h"
#include "platform/unique_fd.h"
#include "ripper/scsi_transport.h"

namespace mosaicer {

inline constexpr std::size_t kTocDescriptorSize = 11;
// A full TOC reply holds at most (2820 - 4) / 11 descriptors.
inline constexpr std::size_t kMaxTocDescriptors = 256;

struct CcdToc {
  std::uint8_t firstSession = 0;
  std::uint8_t lastSession = 0;
  // Session, ADR/Control, TNO, POINT, MIN, SEC, FRAME, ZERO, PMIN, PSEC,
  // PFRAME, as a drive sends them.
  std::vector<std::array<std::uint8_t, kTocDescriptorSize>> descriptors;
};

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

// The READ TOC (format 2) reply for the descriptors of `session` and later,
// cut to `allocation` bytes.
std::vector<std::uint8_t> FullTocReply(const CcdToc& toc, std::uint8_t session,
                                       std::size_t allocation);

class CloneCdImage : public ScsiTransport {
 public:
  // Opens `ccdPath` and the .img and .sub of the same name beside it.
  // False, with `error` a sentence that names the file at fault and why
  // (not found, a folder, too large, a bad table of contents, an .img or
  // .sub shorter than the table of contents says), when any of them cannot
  // serve; the image is then closed.
  bool Open(const std::string& ccdPath, std::string& error);
  // The image's three files (see CloneCdFiles); empty while closed.
  std::vector<std::string> Files() const;
  std::int64_t Sectors() const { return sectors_; }
  const CcdToc& Toc() const { return toc_; }

  // Answers INQUIRY, READ TOC (full TOC), READ CD (user data with no
  // subcode, raw P–W, formatted Q or R–W) and READ CD-DA (sub-codes 0–3).
  // Anything else, or a read outside the image, ends with CHECK CONDITION.
  [[nodiscard]] std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override;

 private:
  enum class Subcode { None, Raw, Q, Rw, RwOnly };
  std::uint8_t Read(std::int64_t lba, std::uint32_t count, Subcode subcode, std::uint8_t* out,
                    std::uint32_t bufferLength);
  // De-interleaved, corrected R–W packs of `count` sectors from `lba`, as
  // a drive returns them.
  bool ReadRwPacks(std::int64_t lba, std::uint32_t count, std::vector<std::uint8_t>& packs);
  bool ReadSub(std::int64_t lba, std::uint32_t count, std::vector<std::uint8_t>& sub);

  CcdToc toc_;
  std::string ccdPath_;
  UniqueFd img_{-1};
  UniqueFd sub_{-1};
  std::int64_t sectors_ = 0;
  TSubCodeErrorCorrect ecc_;
};

// The raw P–W form of one sector's linear subcode: byte k carries P in bit
// 7 down to W in bit 0, each from bit 7 − (k mod 8) of byte k / 8 of its
// channel.
void LinearToRawSubcode(const std::uint8_t* linear, std::uint8_t* raw);

}  // namespace mosaicer
