#include "ripper/clone_cd_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/interleave.h"
#include "core/subcode_pack.h"
#include "platform/ini_file.h"

namespace mosaicer {
namespace {

constexpr std::uint8_t kStatusGood = kScsiCompleted;
constexpr std::uint8_t kCheckCondition = 0x02;

// Operation codes the image answers.
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpReadToc = 0x43;
constexpr std::uint8_t kOpReadCd = 0xBE;
constexpr std::uint8_t kOpReadCdda = 0xD8;
constexpr std::uint8_t kFullTocFormat = 2;
constexpr std::uint8_t kUserDataOnly = 0x10;

constexpr std::size_t kChannels = 8;
constexpr std::size_t kChannelBytes = kSubcodeBytesPerSector / kChannels;  // 12
constexpr std::size_t kQFormattedSize = 16;
// Packs reach back seven pack slots: two sectors of history cover them.
constexpr std::int64_t kPrimingSectors = 2;
constexpr std::int64_t kMaxEntries = 1000;

constexpr std::size_t kInquiryReplySize = 36;
constexpr std::uint8_t kCdRomDeviceType = 5;
constexpr std::uint8_t kRemovable = 0x80;
constexpr char kInquiryText[] = "MOSAICERCLONECD IMAGE   1.0 ";  // vendor, product, revision

std::uint32_t Big32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// A .ccd number: "0x.." is hexadecimal, anything else decimal.
std::int64_t CcdNumber(const IniFile& ini, const std::string& section, const char* key) {
  const std::string v = ini.ReadString(section, key, "0");
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
    std::int64_t n = 0;
    for (std::size_t i = 2; i < v.size() && std::isxdigit(static_cast<unsigned char>(v[i])); ++i)
      n = (n << 4 | std::stoi(std::string(1, v[i]), nullptr, 16)) & 0xFFFFFFFF;
    return n;
  }
  return IniFile::ParseInteger(v);
}

std::uint8_t Byte(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Fills the pieces from `offset` on; false unless every byte arrived.
bool ReadAt(int fd, iovec* pieces, std::size_t count, std::int64_t offset) {
  std::size_t first = 0;
  while (first < count) {
    const int n = static_cast<int>(std::min<std::size_t>(count - first, IOV_MAX));
    const ssize_t got = ::preadv(fd, pieces + first, n, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    offset += got;
    std::size_t left = static_cast<std::size_t>(got);
    while (first < count && left >= pieces[first].iov_len) left -= pieces[first++].iov_len;
    if (left > 0) {
      pieces[first].iov_base = static_cast<std::uint8_t*>(pieces[first].iov_base) + left;
      pieces[first].iov_len -= left;
    }
  }
  return true;
}

// Byte b of entry v is bit 7 - b of v, as 0 or 1: spreads one channel byte
// over the eight raw bytes it contributes a bit to.
struct SpreadTable {
  std::array<std::uint64_t, 256> words{};
  SpreadTable() {
    for (int v = 0; v < 256; ++v)
      for (int b = 0; b < 8; ++b)
        if ((v >> (7 - b)) & 1) words[static_cast<std::size_t>(v)] |= std::uint64_t{1} << (8 * b);
  }
};
const SpreadTable kSpread;

}  // namespace

bool ParseCcd(std::string_view text, CcdToc& toc, std::string& error) {
  const IniFile ini(text);
  if (!ini.HasSection("Disc")) {
    error = "no [Disc] section";
    return false;
  }
  const std::int64_t entries = ini.ReadInteger("Disc", "TocEntries", 0);
  if (entries < 0 || entries > static_cast<std::int64_t>(kMaxTocDescriptors)) {
    error = "impossible TocEntries " + std::to_string(entries);
    return false;
  }
  toc = CcdToc{};
  for (std::int64_t i = 0; i < entries; ++i) {
    const std::string section = "Entry " + std::to_string(i);
    if (!ini.HasSection(section)) {
      error = "no [" + section + "] section";
      return false;
    }
    const auto n = [&](const char* key) { return CcdNumber(ini, section, key); };
    toc.descriptors.push_back({Byte(n("Session")), Byte(n("ADR") << 4 | (n("Control") & 0x0F)),
                               Byte(n("TrackNo")), Byte(n("Point")), Byte(n("AMin")),
                               Byte(n("ASec")), Byte(n("AFrame")), Byte(n("Zero")), Byte(n("PMin")),
                               Byte(n("PSec")), Byte(n("PFrame"))});
  }
  if (!toc.descriptors.empty()) {
    const auto [lo, hi] =
        std::minmax_element(toc.descriptors.begin(), toc.descriptors.end(),
                            [](const auto& a, const auto& b) { return a[0] < b[0]; });
    toc.firstSession = (*lo)[0];
    toc.lastSession = (*hi)[0];
  }
  return true;
}

std::vector<std::uint8_t> FullTocReply(const CcdToc& toc, std::uint8_t session,
                                       std::size_t allocation) {
  std::vector<std::uint8_t> reply(4, 0);
  for (const auto& d : toc.descriptors)
    if (d[0] >= session) reply.insert(reply.end(), d.begin(), d.end());
  const std::size_t length = reply.size() - 2;  // the length field does not count itself
  reply[0] = Byte(static_cast<std::int64_t>(length >> 8));
  reply[1] = Byte(static_cast<std::int64_t>(length));
  reply[2] = toc.firstSession;
  reply[3] = toc.lastSession;
  if (reply.size() > allocation) reply.resize(allocation);
  return reply;
}

void LinearToRawSubcode(const std::uint8_t* linear, std::uint8_t* raw) {
  // Raw bytes 8i..8i+7 take their bits from byte i of every channel.
  for (std::size_t i = 0; i < kChannelBytes; ++i) {
    std::uint64_t word = 0;
    for (std::size_t c = 0; c < kChannels; ++c)
      word |= kSpread.words[linear[c * kChannelBytes + i]] << (7 - c);
    for (std::size_t b = 0; b < 8; ++b) raw[i * 8 + b] = static_cast<std::uint8_t>(word >> (8 * b));
  }
}

bool CloneCdImage::Open(const std::string& ccdPath, std::string& error) {
  std::filesystem::path base(ccdPath);
  std::ifstream ccd(ccdPath, std::ios::binary);
  if (!ccd) {
    error = "cannot open \"" + ccdPath + "\"";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(ccd)), std::istreambuf_iterator<char>());
  if (!ParseCcd(text, toc_, error)) return false;
  sectors_ = 0;
  const std::string img = base.replace_extension(".img").string();
  const std::string sub = base.replace_extension(".sub").string();
  img_ = UniqueFd(::open(img.c_str(), O_RDONLY | O_CLOEXEC));  // replaces an earlier image
  sub_ = UniqueFd(::open(sub.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat imgInfo, subInfo;
  if (!img_.valid() || ::fstat(img_.get(), &imgInfo) != 0) {
    error = "cannot open \"" + img + "\"";
    return false;
  }
  if (!sub_.valid() || ::fstat(sub_.get(), &subInfo) != 0) {
    error = "cannot open \"" + sub + "\"";
    return false;
  }
  const std::int64_t imgSectors = imgInfo.st_size / static_cast<std::int64_t>(kAudioBytesPerSector);
  const std::int64_t subSectors =
      subInfo.st_size / static_cast<std::int64_t>(kSubcodeBytesPerSector);
  sectors_ = std::min(imgSectors, subSectors);
  return true;
}

bool CloneCdImage::ReadSub(std::int64_t lba, std::uint32_t count, std::vector<std::uint8_t>& sub) {
  sub.resize(static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
  iovec piece{sub.data(), sub.size()};
  return ReadAt(sub_.get(), &piece, 1, lba * static_cast<std::int64_t>(kSubcodeBytesPerSector));
}

bool CloneCdImage::ReadRwPacks(std::int64_t lba, std::uint32_t count,
                               std::vector<std::uint8_t>& packs) {
  const std::int64_t first = std::max<std::int64_t>(0, lba - kPrimingSectors);
  const auto total = static_cast<std::uint32_t>(lba + count - first);
  std::vector<std::uint8_t> sub;
  if (!ReadSub(first, total, sub)) return false;
  TSubCodeInterLeave deinterleave;
  deinterleave.Clear();
  packs.assign(static_cast<std::size_t>(count) * kSubcodeBytesPerSector, 0);
  std::uint8_t raw[kSubcodeBytesPerSector];
  for (std::uint32_t s = 0; s < total; ++s) {
    LinearToRawSubcode(sub.data() + static_cast<std::size_t>(s) * kSubcodeBytesPerSector, raw);
    for (std::uint8_t& b : raw) b &= kSymbolMask;  // R–W only
    deinterleave.DeinterleavePacks(raw, static_cast<int>(kPacksPerSector));
    const std::int64_t sector = first + s;
    if (sector < lba) continue;  // history only
    for (std::size_t p = 0; p < kPacksPerSector; ++p) {
      ecc_.CorrectP(raw + p * kPackSize);
      ecc_.CorrectQ(raw + p * kPackSize);
    }
    std::memcpy(packs.data() + static_cast<std::size_t>(sector - lba) * kSubcodeBytesPerSector, raw,
                kSubcodeBytesPerSector);
  }
  return true;
}

std::uint8_t CloneCdImage::Read(std::int64_t lba, std::uint32_t count, Subcode subcode,
                                std::uint8_t* out, std::uint32_t bufferLength) {
  const bool audio = subcode != Subcode::RwOnly;
  const std::size_t subBytes = subcode == Subcode::None ? 0
                               : subcode == Subcode::Q  ? kQFormattedSize
                                                        : kSubcodeBytesPerSector;
  const std::size_t sectorSize = (audio ? kAudioBytesPerSector : 0) + subBytes;
  if (lba < 0 || count == 0 || lba + count > sectors_ ||
      static_cast<std::uint64_t>(sectorSize) * count > bufferLength)
    return kCheckCondition;

  std::vector<std::uint8_t> sub, packs;
  if (subcode == Subcode::Raw || subcode == Subcode::Q) {
    if (!ReadSub(lba, count, sub)) return kCheckCondition;
  } else if (subcode == Subcode::Rw || subcode == Subcode::RwOnly) {
    if (!ReadRwPacks(lba, count, packs)) return kCheckCondition;
  }
  if (audio) {  // every sector's audio straight into its place
    std::vector<iovec> pieces(count);
    for (std::uint32_t s = 0; s < count; ++s)
      pieces[s] = {out + static_cast<std::size_t>(s) * sectorSize, kAudioBytesPerSector};
    if (!ReadAt(img_.get(), pieces.data(), pieces.size(),
                lba * static_cast<std::int64_t>(kAudioBytesPerSector)))
      return kCheckCondition;
  }
  for (std::uint32_t s = 0; s < count; ++s) {
    std::uint8_t* sector = out + static_cast<std::size_t>(s) * sectorSize;
    std::uint8_t* tail = sector + (audio ? kAudioBytesPerSector : 0);
    const std::size_t offset = static_cast<std::size_t>(s) * kSubcodeBytesPerSector;
    switch (subcode) {
      case Subcode::None:
        break;
      case Subcode::Raw:
        LinearToRawSubcode(sub.data() + offset, tail);
        break;
      case Subcode::Q:  // the Q channel's 12 bytes, then padding
        std::memset(tail, 0, kQFormattedSize);
        std::memcpy(tail, sub.data() + offset + kChannelBytes, kChannelBytes);
        break;
      case Subcode::Rw:
      case Subcode::RwOnly:
        std::memcpy(tail, packs.data() + offset, kSubcodeBytesPerSector);
        break;
    }
  }
  return kStatusGood;
}

std::uint8_t CloneCdImage::Execute(const TNkCdRom&, std::uint8_t cdbLength, const std::uint8_t* cdb,
                                   void* buffer, std::uint32_t bufferLength, std::uint8_t,
                                   std::uint32_t) {
  if (cdbLength < 6 || cdb == nullptr) return kCheckCondition;
  auto* out = static_cast<std::uint8_t*>(buffer);
  switch (cdb[0]) {
    case kOpInquiry: {
      std::uint8_t reply[kInquiryReplySize] = {kCdRomDeviceType, kRemovable, 0x05, 0x02,
                                               kInquiryReplySize - 5};
      std::memcpy(reply + 8, kInquiryText, sizeof kInquiryText - 1);
      const std::size_t n = std::min<std::size_t>({sizeof reply, cdb[4], bufferLength});
      if (out) std::memcpy(out, reply, n);
      return kStatusGood;
    }
    case kOpReadToc: {
      if (cdbLength < 10) return kCheckCondition;
      const std::uint8_t format = (cdb[2] & 0x0F) != 0 ? cdb[2] & 0x0F : cdb[9] >> 6;
      if (format != kFullTocFormat) return kCheckCondition;
      const std::size_t allocation =
          std::min<std::size_t>(static_cast<std::size_t>(cdb[7]) << 8 | cdb[8], bufferLength);
      const auto reply = FullTocReply(toc_, cdb[6], allocation);
      if (out) std::memcpy(out, reply.data(), reply.size());
      return kStatusGood;
    }
    case kOpReadCd: {
      if (cdbLength < 12 || cdb[9] != kUserDataOnly || !out) return kCheckCondition;
      const auto lba = static_cast<std::int32_t>(Big32(cdb + 2));
      const std::uint32_t count = static_cast<std::uint32_t>(cdb[6]) << 16 | cdb[7] << 8 | cdb[8];
      switch (cdb[10]) {
        case 0:
          return Read(lba, count, Subcode::None, out, bufferLength);
        case 1:
          return Read(lba, count, Subcode::Raw, out, bufferLength);
        case 2:
          return Read(lba, count, Subcode::Q, out, bufferLength);
        case 4:
          return Read(lba, count, Subcode::Rw, out, bufferLength);
        default:
          return kCheckCondition;
      }
    }
    case kOpReadCdda: {
      if (cdbLength < 12 || !out) return kCheckCondition;
      const auto lba = static_cast<std::int32_t>(Big32(cdb + 2));
      const std::uint32_t count = Big32(cdb + 6);
      switch (cdb[10]) {
        case 0:
          return Read(lba, count, Subcode::None, out, bufferLength);
        case 1:
          return Read(lba, count, Subcode::Q, out, bufferLength);
        case 2:
          return Read(lba, count, Subcode::Rw, out, bufferLength);
        case 3:
          return Read(lba, count, Subcode::RwOnly, out, bufferLength);
        default:
          return kCheckCondition;
      }
    }
    default:
      return kCheckCondition;
  }
}

}  // namespace mosaicer
