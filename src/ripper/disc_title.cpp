#include "ripper/disc_title.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/language.h"
#include "ripper/track_reader.h"

namespace mosaicer {
namespace {

class DiscTitle final : public TitleSource {
 public:
  DiscTitle(ScsiTransport& transport, const TNkCdRom& drive, const TNkTrack& track,
            const DiscTitleOptions& options, const TSubCodeErrorCorrect& ecc,
            std::shared_ptr<void> owned, const std::string& driveName, int number)
      : owned_(std::move(owned)),
        drive_(drive),
        reader_(transport, drive_, track, options.read, ecc),
        number_(number) {
    const auto sectors = static_cast<std::uint64_t>(reader_.Sectors());
    info_.kind = TitleKind::Disc;
    info_.path = driveName;
    info_.subcodeName = Format(Tr("track %1"), {std::to_string(number)});
    info_.audioName = info_.subcodeName;
    info_.sectors = sectors;
    info_.subcodeSectors = sectors;
    info_.audioSectors = sectors;
    info_.audioBytes = sectors * kAudioBytesPerSector;
    ahead_ = std::max<std::int64_t>(kDiscReadAheadSectors, reader_.ReadSize());
  }

 protected:
  IoStatus ReadSectors(std::uint64_t first, std::uint64_t count, std::uint8_t* audio,
                       std::uint8_t* subcode) override {
    for (std::uint64_t done = 0; done < count;) {
      const auto sector = static_cast<std::int64_t>(first + done);
      if (sector < cacheFirst_ || sector >= cacheFirst_ + cacheCount_)
        if (IoStatus filled = Fill(sector, static_cast<std::int64_t>(count - done)); !filled)
          return filled;
      const std::int64_t n = std::min<std::int64_t>(cacheFirst_ + cacheCount_ - sector,
                                                    static_cast<std::int64_t>(count - done));
      for (std::int64_t s = 0; s < n; ++s) {
        const std::uint8_t* from =
            cache_.data() + static_cast<std::size_t>(sector - cacheFirst_ + s) * kCdgSectorSize;
        const std::size_t at = static_cast<std::size_t>(done) + static_cast<std::size_t>(s);
        if (audio) std::memcpy(audio + at * kAudioBytesPerSector, from, kAudioBytesPerSector);
        if (subcode)
          std::memcpy(subcode + at * kSubcodeBytesPerSector, from + kAudioBytesPerSector,
                      kSubcodeBytesPerSector);
      }
      done += static_cast<std::uint64_t>(n);
    }
    return IoStatus::Ok();
  }

 private:
  // Reads from `sector` on: what is asked for, at least the read-ahead.
  IoStatus Fill(std::int64_t sector, std::int64_t wanted) {
    wanted = std::min<std::int64_t>(wanted, reader_.Sectors() - sector);
    std::int64_t n = std::min<std::int64_t>(std::max(wanted, ahead_), reader_.Sectors() - sector);
    cache_.resize(static_cast<std::size_t>(n) * kCdgSectorSize);
    cacheCount_ = 0;
    // A read-ahead into sectors the drive cannot read does not cost the
    // ones asked for.
    bool read = reader_.Read(sector, n, cache_.data());
    if (!read && n > wanted) {
      n = wanted;
      read = reader_.Read(sector, n, cache_.data());
    }
    if (!read)
      return IoStatus::Failed(Format(Tr("cannot read sectors %1 to %2 of track %3 of %4: the "
                                        "drive could not read them"),
                                     {std::to_string(sector), std::to_string(sector + n - 1),
                                      std::to_string(number_), IoStatus::Quoted(info_.path)}));
    cacheFirst_ = sector;
    cacheCount_ = n;
    return IoStatus::Ok();
  }

  std::shared_ptr<void> owned_;
  TNkCdRom drive_;
  TrackReader reader_;
  int number_;
  std::int64_t ahead_ = 0;
  std::vector<std::uint8_t> cache_;
  std::int64_t cacheFirst_ = 0;
  std::int64_t cacheCount_ = 0;
};

}  // namespace

TitleOpenResult OpenDiscTitle(ScsiTransport& transport, const TNkCdRom& drive,
                              const std::string& driveName, int track,
                              const DiscTitleOptions& options, const TSubCodeErrorCorrect& ecc,
                              std::shared_ptr<void> owned) {
  TNkToc toc;
  if (!ReadToc(transport, drive, options.tocBcd, toc) || toc.TrackCount == 0)
    return TitleOpenResult::Refused(
        Format(Tr("cannot read the table of contents of %1: the drive gave none (is a disc in "
                  "it?)"),
               {IoStatus::Quoted(driveName)}));
  if (track < 1 || track > toc.TrackCount)
    return TitleOpenResult::Refused(
        Format(Tr("%1 has no track %2: the disc has tracks 1 to %3"),
               {IoStatus::Quoted(driveName), std::to_string(track),
                std::to_string(toc.TrackCount)}));
  TitleOpenResult result;
  result.source = std::make_unique<DiscTitle>(transport, drive,
                                              toc.Tracks[static_cast<std::size_t>(track - 1)],
                                              options, ecc, std::move(owned), driveName, track);
  return result;
}

}  // namespace mosaicer
