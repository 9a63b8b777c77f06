#include "ripper/track_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

// The frame of the program area's first block (00:02:00).
constexpr std::int64_t kFirstBlockFrame = 150;
constexpr std::size_t kRereadSectors = 3;
// Sectors of raw subcode a pack's symbols are spread over, before its own.
constexpr std::int64_t kInterleaveSectors = 2;

// The sectors of a read's 2448-byte sectors, subcode parts only.
void CopySubcode(const std::uint8_t* sectors, std::int64_t count, std::uint8_t* to) {
  for (std::int64_t s = 0; s < count; ++s)
    std::memcpy(to + s * kSubcodeBytesPerSector,
                sectors + s * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector);
}

}  // namespace

TrackReader::TrackReader(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
                         const RipOptions& options, const TSubCodeErrorCorrect& ecc,
                         std::function<bool()> stop)
    : transport_(transport),
      drive_(drive),
      ecc_(ecc),
      stop_(std::move(stop)),
      read_(ChooseReadFunction(options.command)),
      raw_(options.command == kReadCdDataRaw),
      rawSubcode_(raw_ || options.command == kReadRawPlain),
      start_(MsfAddressToFrames(track.Start)),
      end_(std::max(start_, MsfAddressToFrames(track.End))),
      readSize_(std::clamp(options.readSize, kMinReadSize, kMaxReadSize)),
      // Re-reads find a sector by its place in the stream, which overlapping
      // reads would blur.
      retries_(std::clamp(options.syncSize, 0, readSize_ - 1) == 0
                   ? std::clamp(options.retries, 0, kMaxRetries)
                   : 0),
      data_(static_cast<std::size_t>(readSize_) * kCdgSectorSize),
      rereadBuffer_(kRereadSectors * kCdgSectorSize) {
  // A drive whose subcode runs off the audio: where the subcode of the
  // track's first sector is read, measured from its Q time at the start.
  if (rawSubcode_ && options.fixSlip) {
    const std::int64_t n = std::min<std::int64_t>(readSize_, end_ - start_);
    if (n > 0 && read_(transport_, drive_, start_, static_cast<std::uint32_t>(n), data_.Data())) {
      SlipMeter probe;
      for (std::int64_t s = 0; s < n; ++s)
        probe.AddSector(data_.Data() + s * kCdgSectorSize + kAudioBytesPerSector, start_ + s);
      const SlipFigures found = probe.Figures();
      if (found.agreeing != 0 && std::llabs(found.offset) <= kMaxSlipCorrection)
        shift_ = found.offset;
    }
  }
  if (shift_ != 0) {
    shifted_.emplace(static_cast<std::size_t>(readSize_) * kCdgSectorSize);
    subcodeBlock_.resize(static_cast<std::size_t>(readSize_) * kSubcodeBytesPerSector);
  }
  Restart(0);
}

void TrackReader::Restart(std::int64_t origin) {
  origin_ = origin;
  next_ = origin;
  slip_ = SlipMeter();
  report_ = TrackRipReport();
  secure_.reset();
  if (!raw_) return;
  const std::int64_t subcodeOrigin = start_ + shift_ + origin;
  secure_ = std::make_unique<SecureRawTrack>(
      ecc_, retries_, [this, subcodeOrigin](std::int64_t first, int count, std::uint8_t* raw) {
        if (stop_ && stop_()) return RereadResult::Stop;
        if (subcodeOrigin + first < kFirstBlockFrame ||
            !read_(transport_, drive_, subcodeOrigin + first, static_cast<std::uint32_t>(count),
                   rereadBuffer_.Data()))
          return RereadResult::Failed;
        CopySubcode(rereadBuffer_.Data(), count, raw);
        return RereadResult::Read;
      });
}

void TrackReader::ReadShiftedSubcode(std::int64_t first, std::int64_t count, std::uint8_t* to) {
  const std::int64_t at = start_ + shift_ + first;
  std::uint8_t* const sectors = shifted_->Data();
  if (at >= kFirstBlockFrame &&
      read_(transport_, drive_, at, static_cast<std::uint32_t>(count), sectors)) {
    CopySubcode(sectors, count, to);
    return;
  }
  for (std::int64_t s = 0; s < count; ++s) {
    std::uint8_t* sub = to + s * kSubcodeBytesPerSector;
    if (at + s >= kFirstBlockFrame && read_(transport_, drive_, at + s, 1, sectors)) {
      CopySubcode(sectors, 1, sub);
    } else {
      std::memset(sub, 0, kSubcodeBytesPerSector);
      ++report_.readErrors;
    }
  }
}

const std::uint8_t* TrackReader::ReadBlock(std::int64_t first, std::int64_t count) {
  std::uint8_t* const data = data_.Data();
  const std::int64_t position = start_ + first;
  if (count <= 0 || count > readSize_ ||
      !read_(transport_, drive_, position, static_cast<std::uint32_t>(count), data))
    return nullptr;
  if (shift_ != 0) {
    ReadShiftedSubcode(first, count, subcodeBlock_.data());
    for (std::int64_t s = 0; s < count; ++s)
      std::memcpy(data + s * kCdgSectorSize + kAudioBytesPerSector,
                  subcodeBlock_.data() + s * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
  }
  for (std::int64_t s = 0; s < count; ++s) {
    std::uint8_t* subcode = data + s * kCdgSectorSize + kAudioBytesPerSector;
    const std::int64_t sector = first + s;
    if (rawSubcode_) slip_.AddSector(subcode, start_ + shift_ + sector);
    if (raw_) {
      secure_->AddSector(subcode);
    } else {
      for (std::size_t b = 0; b < kSubcodeBytesPerSector; ++b) subcode[b] &= kSymbolMask;
      if (rawSubcode_) {
        ++report_.sectors;
        report_.packsRead += kPacksPerSector;
      } else {
        JudgeDrivePacks(ecc_, subcode, sector, report_);
      }
    }
  }
  next_ = first + count;
  return data;
}

bool TrackReader::Read(std::int64_t first, std::int64_t count, std::uint8_t* sectors) {
  if (first < 0 || count < 0 || first + count > Sectors()) return false;
  if (count == 0) return true;
  if (first != next_) {
    // Raw subcode needs the two sectors before: their packs' symbols reach
    // into this one's.
    Restart(raw_ ? std::max<std::int64_t>(0, first - kInterleaveSectors) : first);
    while (next_ < first) {
      const std::int64_t n = std::min<std::int64_t>(readSize_, first - next_);
      if (!ReadBlock(next_, n)) {
        next_ = -1;
        return false;
      }
    }
  }
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t n = std::min<std::int64_t>(readSize_, count - done);
    const std::uint8_t* block = ReadBlock(first + done, n);
    if (!block) {
      next_ = -1;  // the stream has a hole: begin it again next time
      return false;
    }
    std::memcpy(sectors + done * kCdgSectorSize, block, static_cast<std::size_t>(n) * kCdgSectorSize);
    done += n;
  }
  return true;
}

TrackRipReport TrackReader::Report() const {
  TrackRipReport report = report_;
  if (raw_) {
    report = secure_->Report();
    report.readErrors += report_.readErrors;
  }
  if (rawSubcode_) {
    report.slip = slip_.Figures();
    report.slip.corrected = shift_;
  }
  return report;
}

}  // namespace mosaicer
