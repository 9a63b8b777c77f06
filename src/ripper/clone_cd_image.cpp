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

#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/ini_file.h"
#include "platform/io_status.h"
#include "platform/language.h"

namespace mosaicer {
namespace {

constexpr std::size_t kChannels = 8;
constexpr std::size_t kChannelBytes = kSubcodeBytesPerSector / kChannels;  // 12
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
    error = Format(Tr("no [%1] section"), {"Disc"});
    return false;
  }
  const std::int64_t entries = ini.ReadInteger("Disc", "TocEntries", 0);
  if (entries < 0 || entries > static_cast<std::int64_t>(kMaxTocDescriptors)) {
    error = Format(Tr("impossible TocEntries %1"), {std::to_string(entries)});
    return false;
  }
  toc = CcdToc{};
  for (std::int64_t i = 0; i < entries; ++i) {
    const std::string section = "Entry " + std::to_string(i);
    if (!ini.HasSection(section)) {
      error = Format(Tr("no [%1] section"), {section});
      return false;
    }
    std::array<std::uint8_t, kTocDescriptorSize> d{};
    const auto field = [&](const char* key, std::uint8_t& out) {
      const std::optional<std::uint8_t> v = CcdNumber(ini, section, key);
      if (!v) {
        error = Format(Tr("[%1] %2=%3 is not a number from 0 to 255"),
                       {section, key, ini.ReadString(section, key)});
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
  CloseDisc();
  ccdPath_.clear();
  img_ = UniqueFd(-1);
  sub_ = UniqueFd(-1);

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
    error = Format(Tr("bad table of contents in %1: %2"), {IoStatus::Quoted(ccdPath), why});
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
      error = Format(Tr("cannot read %1: not a regular file"), {IoStatus::Quoted(path)});
      return false;
    }
    held[i] = info.st_size / static_cast<std::int64_t>(sectorBytes[i]);
    if (held[i] < needed) {
      error = Format(Tr("the image is short: %1 holds %2 sectors, and its table of contents "
                        "needs %3"),
                     {IoStatus::Quoted(path), std::to_string(held[i]), std::to_string(needed)});
      return false;
    }
  }
  ccdPath_ = ccdPath;
  img_ = std::move(fds[0]);
  sub_ = std::move(fds[1]);
  SetDisc(std::move(toc), std::min(held[0], held[1]));
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
      error =
          Format(Tr("%1: session %2 is out of range (1..99)"), {entry, std::to_string(session)});
      return false;
    }
    if (!IsMsf(&d[kAMinField])) {
      error = Format(Tr("%1: AMin, ASec or AFrame is out of range"), {entry});
      return false;
    }
    SessionFacts& s = sessions[static_cast<std::size_t>(session)];
    const auto once = [&](bool& seen) {
      if (seen)
        error = Format(Tr("%1: listed twice in session %2"), {entry, std::to_string(session)});
      return !std::exchange(seen, true);
    };
    if (point == kPointFirstTrack || point == kPointLastTrack) {
      const int track = d[kPMinField];
      if (track < kFirstTrackNumber || track > kLastTrackNumber) {
        error = Format(Tr("%1: track number %2 is out of range (1..99)"),
                       {entry, std::to_string(track)});
        return false;
      }
      if (!once(point == kPointFirstTrack ? s.hasFirst : s.hasLast)) return false;
      (point == kPointFirstTrack ? s.firstTrack : s.lastTrack) = track;
      continue;
    }
    if (!IsMsf(&d[kPMinField])) {
      error = Format(Tr("%1: PMin %2, PSec %3, PFrame %4 is not a time (minutes 0..99, seconds "
                        "0..59, frames 0..74)"),
                     {entry, std::to_string(d[kPMinField]), std::to_string(d[kPSecField]),
                      std::to_string(d[kPFrameField])});
      return false;
    }
    const std::int64_t frames = Frames(d[kPMinField], d[kPSecField], d[kPFrameField]);
    if (point == kPointLeadOut) {
      if (!once(s.hasLeadOut)) return false;
      s.leadOut = frames;
      continue;
    }
    if (trackSession[point] != 0) {
      error = Format(Tr("%1: track %2 is listed twice"), {entry, std::to_string(point)});
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
    const std::string name = std::to_string(session);
    if (!s.hasFirst || !s.hasLast || !s.hasLeadOut) {
      error = Format(!s.hasFirst  ? Tr("session %1 lacks its first-track (point 0xA0) entry")
                     : !s.hasLast ? Tr("session %1 lacks its last-track (point 0xA1) entry")
                                  : Tr("session %1 lacks its lead-out (point 0xA2) entry"),
                     {name});
      return false;
    }
    if (s.firstTrack > s.lastTrack) {
      error = Format(Tr("session %1 runs backwards, from track %2 to track %3"),
                     {name, std::to_string(s.firstTrack), std::to_string(s.lastTrack)});
      return false;
    }
    // Track numbers run on from one session to the next without a gap.
    if (previousTrack != 0 && s.firstTrack != previousTrack + 1) {
      error = Format(Tr("session %1 starts at track %2, not at track %3 after the session before"),
                     {name, std::to_string(s.firstTrack), std::to_string(previousTrack + 1)});
      return false;
    }
    for (int t = kFirstTrackNumber; t <= kLastTrackNumber; ++t) {
      const bool inRange = t >= s.firstTrack && t <= s.lastTrack;
      if (inRange && trackSession[t] != session) {
        error =
            Format(trackSession[t] != 0 ? Tr("track %1 of session %2 is not listed in that session")
                                        : Tr("track %1 of session %2 is not listed"),
                   {std::to_string(t), name});
        return false;
      }
      if (!inRange && trackSession[t] == session) {
        error = Format(
            Tr("track %1 lies outside the tracks %2..%3 of session %4"),
            {std::to_string(t), std::to_string(s.firstTrack), std::to_string(s.lastTrack), name});
        return false;
      }
    }
    for (int t = s.firstTrack; t <= s.lastTrack; ++t) {
      const std::int64_t start = trackStart[t];
      const std::string track = std::to_string(t);
      const std::string at = MsfText(start);
      if (start < kFramesBeforeLba0) {
        error =
            Format(Tr("track %1 (%2) starts before 00:02:00, where the image begins"), {track, at});
        return false;
      }
      if (start <= previousStart) {
        error = Format(Tr("track %1 (%2) does not start after track %3 (%4)"),
                       {track, at, std::to_string(t - 1), MsfText(previousStart)});
        return false;
      }
      if (start < previousLeadOut) {
        error = Format(Tr("track %1 (%2) starts before the lead-out of the session before (%3)"),
                       {track, at, MsfText(previousLeadOut)});
        return false;
      }
      if (start >= kLeadInFrames) {
        error = Format(Tr("track %1 (%2) starts at 90:00:00 or later, where addresses stand for "
                          "the lead-in"),
                       {track, at});
        return false;
      }
      if (start >= s.leadOut) {
        error = Format(Tr("track %1 (%2) starts at or after the lead-out of session %3 (%4)"),
                       {track, at, name, MsfText(s.leadOut)});
        return false;
      }
      previousStart = start;
    }
    if (s.leadOut > kLeadInFrames) {
      error = Format(Tr("the lead-out of session %1 (%2) lies past 90:00:00, where addresses "
                        "stand for the lead-in"),
                     {name, MsfText(s.leadOut)});
      return false;
    }
    previousTrack = s.lastTrack;
    previousLeadOut = s.leadOut;
    anyTrack = true;
  }
  if (!anyTrack) {
    error = Tr("it lists no track");
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

bool CloneCdImage::ReadAudio(std::int64_t lba, std::uint32_t count, std::uint8_t* out,
                             std::size_t stride) {
  // Every sector's audio straight into its place.
  std::vector<iovec> pieces(count);
  for (std::uint32_t s = 0; s < count; ++s)
    pieces[s] = {out + static_cast<std::size_t>(s) * stride, kAudioBytesPerSector};
  return ReadFileAt(img_.get(), pieces.data(), pieces.size(),
                    lba * static_cast<std::int64_t>(kAudioBytesPerSector));
}

bool CloneCdImage::ReadRawSubcode(std::int64_t lba, std::uint32_t count, std::uint8_t* out) {
  std::vector<std::uint8_t> sub(static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
  iovec piece{sub.data(), sub.size()};
  if (!ReadFileAt(sub_.get(), &piece, 1, lba * static_cast<std::int64_t>(kSubcodeBytesPerSector)))
    return false;
  for (std::uint32_t s = 0; s < count; ++s)
    LinearToRawSubcode(sub.data() + static_cast<std::size_t>(s) * kSubcodeBytesPerSector,
                       out + static_cast<std::size_t>(s) * kSubcodeBytesPerSector);
  return true;
}

}  // namespace mosaicer
