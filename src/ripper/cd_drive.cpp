#include "ripper/cd_drive.h"

#include "core/subcode_pack.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mosaicer {

namespace {

constexpr std::size_t kVendorOffset = 8;
constexpr std::size_t kVendorLength = 8;
constexpr std::size_t kProductOffset = 16;
constexpr std::size_t kProductLength = 16;
constexpr std::size_t kRevisionOffset = 32;
constexpr std::size_t kRevisionLength = 4;

constexpr std::uint8_t kInquiryCdbLength = 6;
constexpr std::uint8_t kReadTocCdbLength = 10;
constexpr std::uint8_t kReadCdCdbLength = 12;

// Older drives take the format in the top bits of the control byte.
constexpr std::uint8_t kFullTocFormatInControl = 0x80;
constexpr int kLunShift = 5;
constexpr std::uint32_t kMaxReadCdCount = 0xFFFF;

// Full-TOC layout: a four-byte header (data length, first and last
// session), then 11-byte descriptors.
constexpr std::size_t kTocHeaderLength = 4;
constexpr std::size_t kDescriptorLength = 11;
constexpr std::size_t kMaxDescriptors = (kFullTocAllocation - kTocHeaderLength) / kDescriptorLength;
constexpr std::size_t kSessionByte = 0;
constexpr std::size_t kPointByte = 3;
constexpr std::size_t kMinByte = 4;
constexpr std::size_t kSecByte = 5;
constexpr std::size_t kFrameByte = 6;
constexpr std::size_t kPminByte = 8;
constexpr std::size_t kPsecByte = 9;
constexpr std::size_t kPframeByte = 10;

constexpr std::uint8_t kPointFirstTrack = 0xA0;
constexpr std::uint8_t kPointLastTrack = 0xA1;
constexpr std::uint8_t kPointLeadOut = 0xA2;
constexpr std::uint8_t kPointNextArea = 0xB0;
constexpr std::uint8_t kPointFirstLeadIn = 0xC0;
constexpr int kMinTrack = 1;
constexpr int kMaxTrack = 99;
constexpr int kMinSession = 1;
constexpr int kMaxSession = 100;

// Transfer lengths of a sector, as the read commands deliver it.
constexpr std::uint32_t kSectorNoSubcode = kAudioBytesPerSector;
constexpr std::uint32_t kSectorWithQ = kAudioBytesPerSector + 16;  // formatted Q
constexpr std::uint32_t kSectorWithPw = kCdgSectorSize;
constexpr std::uint32_t kSubcodeOnly = kSubcodeBytesPerSector;

constexpr std::uint8_t kSubChannelRaw = 1;
constexpr std::uint8_t kSubChannelRw = 4;
constexpr std::uint8_t kSubCodeAll = 2;

std::string InquiryText(const std::array<std::uint8_t, kInquirySize>& inquiry, std::size_t offset,
                        std::size_t length) {
  const auto* begin = inquiry.data() + offset;
  const auto* end = std::find(begin, begin + length, std::uint8_t{0});
  return std::string(begin, end);
}

std::uint8_t LunBits(const TNkCdRom& drive) {
  return static_cast<std::uint8_t>(drive.Lun << kLunShift);
}

void PutBigEndian32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

// The block address as the drive reads it: two's complement, so lead-in
// frames give negative blocks.
std::uint32_t LbaField(std::int64_t framePosition) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(FramesToLba(framePosition)));
}

bool Send(ScsiTransport& transport, const TNkCdRom& drive, const std::uint8_t* cdb,
          std::uint8_t cdbLength, void* buffer, std::uint32_t bufferLength) {
  return transport.Execute(drive, cdbLength, cdb, buffer, bufferLength, kScsiDirIn,
                           kScsiTimeoutMs) == kScsiCompleted;
}

std::uint8_t FromBcd(std::uint8_t b) {
  return static_cast<std::uint8_t>((b >> 4) * 10 + (b & 0x0F));
}

// Descriptors the header announces, never more than the buffer holds.
std::size_t DescriptorCount(const std::uint8_t* toc) {
  const int dataLength = (toc[0] << 8) | toc[1];
  // The data length counts the two session bytes of the header.
  const int count = std::max(0, dataLength - 2) / static_cast<int>(kDescriptorLength);
  return std::min(static_cast<std::size_t>(count), kMaxDescriptors);
}

void RepairBcd(std::uint8_t* toc) {
  const std::size_t count = DescriptorCount(toc);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* d = toc + kTocHeaderLength + i * kDescriptorLength;
    const std::uint8_t point = d[kPointByte];
    if (point == kPointFirstTrack || point == kPointLastTrack) {
      d[kPminByte] = FromBcd(d[kPminByte]);
      continue;
    }
    if (point == kPointNextArea) {
      d[kMinByte] = FromBcd(d[kMinByte]);
      d[kSecByte] = FromBcd(d[kSecByte]);
      d[kFrameByte] = FromBcd(d[kFrameByte]);
    } else if (point != kPointLeadOut && point != kPointFirstLeadIn) {
      d[kPointByte] = FromBcd(point);
    }
    d[kPminByte] = FromBcd(d[kPminByte]);
    d[kPsecByte] = FromBcd(d[kPsecByte]);
    d[kPframeByte] = FromBcd(d[kPframeByte]);
  }
}

bool IsTrackNumber(int n) { return n >= kMinTrack && n <= kMaxTrack; }

}  // namespace

void TNkCdRom::SetInquiry(const void* data, std::size_t length) {
  if (length != 0) std::memcpy(Inquiry.data(), data, std::min(length, kInquirySize - 1));
}

std::string TNkCdRom::Vendor() const { return InquiryText(Inquiry, kVendorOffset, kVendorLength); }
std::string TNkCdRom::Product() const {
  return InquiryText(Inquiry, kProductOffset, kProductLength);
}
std::string TNkCdRom::Revision() const {
  return InquiryText(Inquiry, kRevisionOffset, kRevisionLength);
}

std::uint32_t ReadCdSectorSize(std::uint8_t subChannel) {
  switch (subChannel) {
    case 0:
      return kSectorNoSubcode;
    case 1:
      return kSectorWithPw;
    case 2:
      return kSectorWithQ;
    case 4:
      return kSectorWithPw;
    default:
      return 0;
  }
}

std::uint32_t ReadCddaSectorSize(std::uint8_t subCode) {
  switch (subCode) {
    case 0:
      return kSectorNoSubcode;
    case 1:
      return kSectorWithQ;
    case 2:
      return kSectorWithPw;
    case 3:
      return kSubcodeOnly;
    default:
      return 0;
  }
}

bool Inquiry(ScsiTransport& transport, TNkCdRom& drive) {
  TNkParagraphBoundaryBuffer buffer(kInquiryAllocation);
  const std::uint8_t cdb[kInquiryCdbLength] = {
      kOpInquiry, 0, 0, 0, static_cast<std::uint8_t>(kInquiryAllocation), 0};
  if (!Send(transport, drive, cdb, kInquiryCdbLength, buffer.Data(), kInquiryAllocation))
    return false;
  drive.SetInquiry(buffer.Data(), kInquiryAllocation);
  return true;
}

bool ReadFullToc(ScsiTransport& transport, const TNkCdRom& drive, std::uint8_t session,
                 bool bcdRepair, std::uint8_t* buffer) {
  std::memset(buffer, 0, kFullTocAllocation);
  const std::uint8_t lengthHigh = static_cast<std::uint8_t>(kFullTocAllocation >> 8);
  const std::uint8_t lengthLow = static_cast<std::uint8_t>(kFullTocAllocation & 0xFF);
  const std::uint8_t firstTry[kReadTocCdbLength] = {
      kOpReadToc, 0, 0, 0, 0, 0, session, lengthHigh, lengthLow, kFullTocFormatInControl};
  const std::uint8_t secondTry[kReadTocCdbLength] = {
      kOpReadToc, 0, kFullTocFormat, 0, 0, 0, session, lengthHigh, lengthLow, 0};
  if (!Send(transport, drive, firstTry, kReadTocCdbLength, buffer, kFullTocAllocation) &&
      !Send(transport, drive, secondTry, kReadTocCdbLength, buffer, kFullTocAllocation))
    return false;
  if (bcdRepair) RepairBcd(buffer);
  return true;
}

bool ReadCd(ScsiTransport& transport, const TNkCdRom& drive, std::uint8_t subChannel,
            std::int64_t framePosition, void* buffer, std::uint32_t sectorCount) {
  const std::uint32_t sectorSize = ReadCdSectorSize(subChannel);
  if (sectorSize == 0 || sectorCount > kMaxReadCdCount) return false;
  std::uint8_t cdb[kReadCdCdbLength] = {kOpReadCd, LunBits(drive)};
  PutBigEndian32(cdb + 2, LbaField(framePosition));
  cdb[7] = static_cast<std::uint8_t>(sectorCount >> 8);
  cdb[8] = static_cast<std::uint8_t>(sectorCount);
  cdb[9] = kReadCdUserData;
  cdb[10] = subChannel;
  return Send(transport, drive, cdb, kReadCdCdbLength, buffer, sectorSize * sectorCount);
}

bool ReadCdda(ScsiTransport& transport, const TNkCdRom& drive, std::uint8_t subCode,
              std::int64_t framePosition, void* buffer, std::uint32_t sectorCount) {
  const std::uint32_t sectorSize = ReadCddaSectorSize(subCode);
  // The buffer length travels as 32 bits; a count beyond it cannot be read.
  if (sectorSize == 0 || sectorCount > std::numeric_limits<std::uint32_t>::max() / sectorSize)
    return false;
  std::uint8_t cdb[kReadCdCdbLength] = {kOpReadCdda, LunBits(drive)};
  PutBigEndian32(cdb + 2, LbaField(framePosition));
  PutBigEndian32(cdb + 6, sectorCount);
  cdb[10] = subCode;
  return Send(transport, drive, cdb, kReadCdCdbLength, buffer, sectorSize * sectorCount);
}

bool ReadToc(ScsiTransport& transport, const TNkCdRom& drive, bool bcdRepair, TNkToc& toc) {
  toc = TNkToc{};
  TNkParagraphBoundaryBuffer area(kFullTocAllocation);
  const std::uint8_t* data = area.Data();
  if (!ReadFullToc(transport, drive, 1, bcdRepair, area.Data())) return false;

  const int firstSession = std::max<int>(data[2], kMinSession);
  const int lastSession = std::min<int>(data[3], kMaxSession);

  // Indexed by track or session number minus one.
  std::array<MsfAddress, kMaxTocTracks> trackStart{};
  std::array<int, kMaxSession> sessionLastTrack{};
  std::array<MsfAddress, kMaxSession> sessionLeadOut{};
  int first = 255;
  int last = 0;

  const std::size_t count = DescriptorCount(data);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* d = data + kTocHeaderLength + i * kDescriptorLength;
    const int session = d[kSessionByte];
    if (session < kMinSession || session > kMaxSession) continue;
    const std::uint8_t point = d[kPointByte];
    const MsfAddress position{0, d[kPminByte], d[kPsecByte], d[kPframeByte]};
    if (point == kPointFirstTrack) {
      if (IsTrackNumber(d[kPminByte])) first = std::min<int>(first, d[kPminByte]);
    } else if (point == kPointLastTrack) {
      if (!IsTrackNumber(d[kPminByte])) continue;
      sessionLastTrack[session - 1] = d[kPminByte];
      last = std::max<int>(last, d[kPminByte]);
    } else if (point == kPointLeadOut) {
      sessionLeadOut[session - 1] = position;
    } else if (IsTrackNumber(point)) {
      trackStart[point - 1] = position;
    }
  }
  // Without both A0 and A1 there is no track range to speak of.
  if (first > last) return true;

  toc.FirstTrack = static_cast<std::uint8_t>(first);
  toc.LastTrack = static_cast<std::uint8_t>(last);
  toc.TrackCount = static_cast<std::uint8_t>(last - first + 1);
  for (int t = first; t <= last; ++t) {
    TNkTrack& track = toc.Tracks[t - first];
    track.Start = trackStart[t - 1];
    // Track 99 has no successor; its session's lead-out ends it below.
    track.End = t < kMaxTrack ? trackStart[t] : MsfAddress{};
  }
  for (int s = firstSession; s <= lastSession; ++s) {
    const int t = sessionLastTrack[s - 1];
    if (t < first || t > last) continue;
    toc.Tracks[t - first].End = sessionLeadOut[s - 1];
  }
  return true;
}

bool ReadCdRaw(ScsiTransport& transport, const TNkCdRom& drive, std::int64_t framePosition,
               std::uint32_t sectorCount, void* buffer) {
  return ReadCd(transport, drive, kSubChannelRaw, framePosition, buffer, sectorCount);
}

bool ReadCdRw(ScsiTransport& transport, const TNkCdRom& drive, std::int64_t framePosition,
              std::uint32_t sectorCount, void* buffer) {
  return ReadCd(transport, drive, kSubChannelRw, framePosition, buffer, sectorCount);
}

bool ReadCddaRw(ScsiTransport& transport, const TNkCdRom& drive, std::int64_t framePosition,
                std::uint32_t sectorCount, void* buffer) {
  return ReadCdda(transport, drive, kSubCodeAll, framePosition, buffer, sectorCount);
}

}  // namespace mosaicer
