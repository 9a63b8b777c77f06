#include "ripper/clone_cd_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/interleave.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
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

// Fields of a descriptor (see CcdToc).
constexpr std::size_t kSessionField = 0;
constexpr std::size_t kAdrControlField = 1;
constexpr std::size_t kPointField = 3;
constexpr std::size_t kAMinField = 4;
constexpr std::size_t kPMinField = 8;
constexpr std::size_t kPSecField = 9;
constexpr std::size_t kPFrameField = 10;
constexpr std::uint8_t kPointFirstTrack = 0xA0;
constexpr std::uint8_t kPointLastTrack = 0xA1;
constexpr std::uint8_t kPointLeadOut = 0xA2;
constexpr int kFirstTrackNumber = 1;
constexpr int kLastTrackNumber = 99;
constexpr int kLastSession = 99;
constexpr int kMaxMinutes = 99;
constexpr int kSecondsPerMinute = 60;
constexpr int kFramesPerSecond = 75;
constexpr std::int64_t kFramesBeforeLba0 = 150;       // 00:02:00
constexpr std::int64_t kLeadInFrames = 90 * 60 * 75;  // 90:00:00 on address the lead-in

constexpr std::size_t kInquiryReplySize = 36;
constexpr std::uint8_t kCdRomDeviceType = 5;
constexpr std::uint8_t kRemovable = 0x80;
constexpr char kInquiryText[] = "MOSAICERCLONECD IMAGE   1.0 ";  // vendor, product, revision

std::uint32_t Big32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// A .ccd field: "0x.." is hexadecimal, anything else decimal; a missing
// field reads as 0. Nothing when the text is not a number from 0 to 255.
std::optional<std::uint8_t> CcdNumber(const IniFile& ini, const std::string& section,
                                      const char* key) {
  const std::string text = ini.ReadString(section, key, "0");
  std::string_view v = text;
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  int base = 10;
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
    base = 16;
    v.remove_prefix(2);
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value, base);
  if (v.empty() || ec != std::errc() || end != v.data() + v.size() || value > 0xFF)
    return std::nullopt;
  return static_cast<std::uint8_t>(value);
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
    std::array<std::uint8_t, kTocDescriptorSize> d{};
    const auto field = [&](const char* key, std::uint8_t& out) {
      const std::optional<std::uint8_t> v = CcdNumber(ini, section, key);
      if (!v) {
        error = "[" + section + "] " + key + "=" + ini.ReadString(section, key) +
                " is not a number from 0 to 255";
        return false;
      }
      out = *v;
      return true;
    };
    std::uint8_t adr = 0, control = 0;
    if (!field("Session", d[kSessionField]) || !field("ADR", adr) || !field("Control", control) ||
        !field("TrackNo", d[2]) || !field("Point", d[kPointField]) || !field("AMin", d[4]) ||
        !field("ASec", d[5]) || !field("AFrame", d[6]) || !field("Zero", d[7]) ||
        !field("PMin", d[kPMinField]) || !field("PSec", d[kPSecField]) ||
        !field("PFrame", d[kPFrameField])) {
      toc = CcdToc{};
      return false;
    }
    d[kAdrControlField] = static_cast<std::uint8_t>(adr << 4 | (control & 0x0F));
    toc.descriptors.push_back(d);
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
  // Closed first, so a failure leaves no earlier image behind.
  toc_ = CcdToc{};
  ccdPath_.clear();
  img_ = UniqueFd(-1);
  sub_ = UniqueFd(-1);
  sectors_ = 0;

  std::vector<std::uint8_t> bytes;
  if (IoStatus read = ReadWholeFile(ccdPath, bytes, kMaxCcdBytes); !read) {
    error = read.error();
    return false;
  }
  CcdToc toc;
  std::string why;
  if (!ParseCcd(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), toc,
                why) ||
      !CheckCcdToc(toc, why)) {
    error = "bad table of contents in " + IoStatus::Quoted(ccdPath) + ": " + why;
    return false;
  }

  const std::vector<std::string> files = CloneCdFiles(ccdPath);
  const std::int64_t needed = CcdLeadOutSector(toc);
  UniqueFd fds[2] = {UniqueFd(-1), UniqueFd(-1)};
  std::int64_t held[2] = {0, 0};
  const std::size_t sectorBytes[2] = {kAudioBytesPerSector, kSubcodeBytesPerSector};
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& path = files[i + 1];
    if (IoStatus s = CheckInputFile(path); !s) {
      error = s.error();
      return false;
    }
    fds[i] = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info;
    if (!fds[i].valid() || ::fstat(fds[i].get(), &info) != 0) {
      error = IoStatus::FromErrno("read", path, errno).error();
      return false;
    }
    if (!S_ISREG(info.st_mode)) {  // swapped since the check
      error = "cannot read " + IoStatus::Quoted(path) + ": not a regular file";
      return false;
    }
    held[i] = info.st_size / static_cast<std::int64_t>(sectorBytes[i]);
    if (held[i] < needed) {
      error = "the image is short: " + IoStatus::Quoted(path) + " holds " +
              std::to_string(held[i]) + " sectors, and its table of contents needs " +
              std::to_string(needed);
      return false;
    }
  }
  toc_ = std::move(toc);
  ccdPath_ = ccdPath;
  img_ = std::move(fds[0]);
  sub_ = std::move(fds[1]);
  sectors_ = std::min(held[0], held[1]);
  return true;
}

std::vector<std::string> CloneCdImage::Files() const {
  if (ccdPath_.empty()) return {};
  return CloneCdFiles(ccdPath_);
}

std::vector<std::string> CloneCdFiles(const std::string& ccdPath) {
  std::filesystem::path base(ccdPath);
  std::vector<std::string> files{ccdPath};
  files.push_back(base.replace_extension(".img").string());
  files.push_back(base.replace_extension(".sub").string());
  return files;
}

namespace {

std::int64_t Frames(int minutes, int seconds, int frames) {
  return (static_cast<std::int64_t>(minutes) * kSecondsPerMinute + seconds) * kFramesPerSecond +
         frames;
}

std::string MsfText(std::int64_t frames) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d",
                static_cast<int>(frames / (kFramesPerSecond * kSecondsPerMinute)),
                static_cast<int>(frames / kFramesPerSecond % kSecondsPerMinute),
                static_cast<int>(frames % kFramesPerSecond));
  return text;
}

bool IsMsf(const std::uint8_t* msf) {
  return msf[0] <= kMaxMinutes && msf[1] < kSecondsPerMinute && msf[2] < kFramesPerSecond;
}

std::string PointText(std::uint8_t point) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", point);
  return text;
}

struct SessionFacts {
  int firstTrack = 0;  // from A0
  int lastTrack = 0;   // from A1
  std::int64_t leadOut = -1;
  bool hasFirst = false, hasLast = false, hasLeadOut = false;
};

}  // namespace

bool CheckCcdToc(const CcdToc& toc, std::string& error) {
  std::array<SessionFacts, kLastSession + 1> sessions{};
  std::array<std::int64_t, kLastTrackNumber + 1> trackStart{};
  std::array<int, kLastTrackNumber + 1> trackSession{};  // 0: not listed
  for (std::size_t i = 0; i < toc.descriptors.size(); ++i) {
    const auto& d = toc.descriptors[i];
    const std::uint8_t point = d[kPointField];
    const bool isTrack = point >= kFirstTrackNumber && point <= kLastTrackNumber;
    if (!isTrack && point != kPointFirstTrack && point != kPointLastTrack && point != kPointLeadOut)
      continue;
    const std::string entry = "[Entry " + std::to_string(i) + "] (point " + PointText(point) + ")";
    const int session = d[kSessionField];
    if (session < 1 || session > kLastSession) {
      error = entry + ": session " + std::to_string(session) + " is out of range (1..99)";
      return false;
    }
    if (!IsMsf(&d[kAMinField])) {
      error = entry + ": AMin, ASec or AFrame is out of range";
      return false;
    }
    SessionFacts& s = sessions[static_cast<std::size_t>(session)];
    const auto once = [&](bool& seen) {
      if (seen) error = entry + ": listed twice in session " + std::to_string(session);
      return !std::exchange(seen, true);
    };
    if (point == kPointFirstTrack || point == kPointLastTrack) {
      const int track = d[kPMinField];
      if (track < kFirstTrackNumber || track > kLastTrackNumber) {
        error = entry + ": track number " + std::to_string(track) + " is out of range (1..99)";
        return false;
      }
      if (!once(point == kPointFirstTrack ? s.hasFirst : s.hasLast)) return false;
      (point == kPointFirstTrack ? s.firstTrack : s.lastTrack) = track;
      continue;
    }
    if (!IsMsf(&d[kPMinField])) {
      error = entry + ": PMin " + std::to_string(d[kPMinField]) + ", PSec " +
              std::to_string(d[kPSecField]) + ", PFrame " + std::to_string(d[kPFrameField]) +
              " is not a time (minutes 0..99, seconds 0..59, frames 0..74)";
      return false;
    }
    const std::int64_t frames = Frames(d[kPMinField], d[kPSecField], d[kPFrameField]);
    if (point == kPointLeadOut) {
      if (!once(s.hasLeadOut)) return false;
      s.leadOut = frames;
      continue;
    }
    if (trackSession[point] != 0) {
      error = entry + ": track " + std::to_string(point) + " is listed twice";
      return false;
    }
    trackSession[point] = session;
    trackStart[point] = frames;
  }

  int previousTrack = 0;
  std::int64_t previousStart = -1;
  std::int64_t previousLeadOut = -1;
  bool anyTrack = false;
  for (int session = 1; session <= kLastSession; ++session) {
    const SessionFacts& s = sessions[static_cast<std::size_t>(session)];
    const bool anyTrackHere =
        std::find(trackSession.begin(), trackSession.end(), session) != trackSession.end();
    if (!s.hasFirst && !s.hasLast && !s.hasLeadOut && !anyTrackHere) continue;
    const std::string name = "session " + std::to_string(session);
    if (!s.hasFirst || !s.hasLast || !s.hasLeadOut) {
      error = name + " lacks its " +
              std::string(!s.hasFirst  ? "first-track (point 0xA0)"
                          : !s.hasLast ? "last-track (point 0xA1)"
                                       : "lead-out (point 0xA2)") +
              " entry";
      return false;
    }
    if (s.firstTrack > s.lastTrack) {
      error = name + " runs backwards, from track " + std::to_string(s.firstTrack) + " to track " +
              std::to_string(s.lastTrack);
      return false;
    }
    // Track numbers run on from one session to the next without a gap.
    if (previousTrack != 0 && s.firstTrack != previousTrack + 1) {
      error = name + " starts at track " + std::to_string(s.firstTrack) + ", not at track " +
              std::to_string(previousTrack + 1) + " after the session before";
      return false;
    }
    for (int t = kFirstTrackNumber; t <= kLastTrackNumber; ++t) {
      const bool inRange = t >= s.firstTrack && t <= s.lastTrack;
      if (inRange && trackSession[t] != session) {
        error = "track " + std::to_string(t) + " of " + name + " is not listed" +
                (trackSession[t] != 0 ? " in that session" : "");
        return false;
      }
      if (!inRange && trackSession[t] == session) {
        error = "track " + std::to_string(t) + " lies outside the tracks " +
                std::to_string(s.firstTrack) + ".." + std::to_string(s.lastTrack) + " of " + name;
        return false;
      }
    }
    for (int t = s.firstTrack; t <= s.lastTrack; ++t) {
      const std::int64_t start = trackStart[t];
      const std::string track = "track " + std::to_string(t) + " (" + MsfText(start) + ")";
      if (start < kFramesBeforeLba0) {
        error = track + " starts before 00:02:00, where the image begins";
        return false;
      }
      if (start <= previousStart) {
        error = track + " does not start after track " + std::to_string(t - 1) + " (" +
                MsfText(previousStart) + ")";
        return false;
      }
      if (start < previousLeadOut) {
        error = track + " starts before the lead-out of the session before (" +
                MsfText(previousLeadOut) + ")";
        return false;
      }
      if (start >= kLeadInFrames) {
        error = track + " starts at 90:00:00 or later, where addresses stand for the lead-in";
        return false;
      }
      if (start >= s.leadOut) {
        error =
            track + " starts at or after the lead-out of " + name + " (" + MsfText(s.leadOut) + ")";
        return false;
      }
      previousStart = start;
    }
    if (s.leadOut > kLeadInFrames) {
      error = "the lead-out of " + name + " (" + MsfText(s.leadOut) +
              ") lies past 90:00:00, where addresses stand for the lead-in";
      return false;
    }
    previousTrack = s.lastTrack;
    previousLeadOut = s.leadOut;
    anyTrack = true;
  }
  if (!anyTrack) {
    error = "it lists no track";
    return false;
  }
  return true;
}

std::int64_t CcdLeadOutSector(const CcdToc& toc) {
  std::int64_t last = 0;
  for (const auto& d : toc.descriptors)
    if (d[kPointField] == kPointLeadOut && IsMsf(&d[kPMinField]))
      last =
          std::max(last, Frames(d[kPMinField], d[kPSecField], d[kPFrameField]) - kFramesBeforeLba0);
  return last;
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
