#include "ripper/disc_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/interleave.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/io_status.h"
#include "platform/language.h"
#include "ripper/clone_cd_image.h"

namespace mosaicer {
namespace {

constexpr std::uint8_t kStatusGood = kScsiCompleted;
constexpr std::uint8_t kCheckCondition = 0x02;

constexpr std::size_t kQFormattedSize = 16;
constexpr int kQBit = 6;
// Packs reach back (and, re-interleaved, ahead) seven pack slots: two
// sectors cover them.
constexpr std::int64_t kPrimingSectors = 2;

constexpr std::size_t kInquiryReplySize = 36;
constexpr std::uint8_t kCdRomDeviceType = 5;
constexpr std::uint8_t kRemovable = 0x80;
constexpr char kInquiryVendor[] = "MOSAICER";
constexpr char kInquiryRevision[] = "1.0 ";
constexpr std::size_t kVendorField = 8, kProductField = 16, kRevisionField = 32;
constexpr std::size_t kProductLength = 16;

constexpr std::uint8_t kPointFirstTrack = 0xA0;
constexpr std::uint8_t kPointLastTrack = 0xA1;
constexpr std::uint8_t kPointLeadOut = 0xA2;
constexpr std::uint8_t kAdrPosition = 0x10;  // ADR 1, control 0: two-channel audio
constexpr std::int64_t kFramesBeforeLba0 = 150;
constexpr std::int64_t kFramesPerSecond = 75;
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kLeadInFrames = 90 * 60 * 75;  // 90:00:00 on address the lead-in

std::uint32_t Big32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::uint8_t Byte(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

std::array<std::uint8_t, kTocDescriptorSize> Descriptor(std::uint8_t point, std::int64_t lba,
                                                        int pmin = -1) {
  const std::int64_t f = lba + kFramesBeforeLba0;
  std::array<std::uint8_t, kTocDescriptorSize> d{};
  d[0] = 1;  // session
  d[1] = kAdrPosition;
  d[3] = point;
  d[8] = Byte(pmin >= 0 ? pmin : f / (kFramesPerSecond * kSecondsPerMinute));
  d[9] = pmin >= 0 ? 0 : Byte(f / kFramesPerSecond % kSecondsPerMinute);
  d[10] = pmin >= 0 ? 0 : Byte(f % kFramesPerSecond);
  return d;
}

}  // namespace

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

CcdToc SingleSessionToc(int firstTrack, const std::vector<std::int64_t>& trackStarts,
                        std::int64_t leadOutLba) {
  CcdToc toc;
  toc.firstSession = toc.lastSession = 1;
  const int lastTrack = firstTrack + static_cast<int>(trackStarts.size()) - 1;
  toc.descriptors.push_back(Descriptor(kPointFirstTrack, 0, firstTrack));
  toc.descriptors.push_back(Descriptor(kPointLastTrack, 0, lastTrack));
  toc.descriptors.push_back(Descriptor(kPointLeadOut, leadOutLba));
  for (std::size_t t = 0; t < trackStarts.size() && t < kMaxTocDescriptors - 3; ++t)
    toc.descriptors.push_back(
        Descriptor(Byte(firstTrack + static_cast<int>(t)), trackStarts[t]));
  return toc;
}

bool ReadFileAt(int fd, iovec* pieces, std::size_t count, std::int64_t offset) {
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

void DiscImage::SetDisc(CcdToc toc, std::int64_t sectors) {
  toc_ = std::move(toc);
  sectors_ = sectors;
}

void DiscImage::CloseDisc() {
  toc_ = CcdToc{};
  sectors_ = 0;
}

bool DiscImage::ReadRwPacks(std::int64_t lba, std::uint32_t count,
                            std::vector<std::uint8_t>& packs) {
  const std::int64_t first = std::max<std::int64_t>(0, lba - kPrimingSectors);
  const auto total = static_cast<std::uint32_t>(lba + count - first);
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(total) * kSubcodeBytesPerSector);
  if (!ReadRawSubcode(first, total, raw.data())) return false;
  TSubCodeInterLeave deinterleave;
  deinterleave.Clear();
  packs.assign(static_cast<std::size_t>(count) * kSubcodeBytesPerSector, 0);
  for (std::uint32_t s = 0; s < total; ++s) {
    std::uint8_t* sector = raw.data() + static_cast<std::size_t>(s) * kSubcodeBytesPerSector;
    for (std::size_t i = 0; i < kSubcodeBytesPerSector; ++i) sector[i] &= kSymbolMask;  // R–W only
    deinterleave.DeinterleavePacks(sector, static_cast<int>(kPacksPerSector));
    const std::int64_t at = first + s;
    if (at < lba) continue;  // history only
    for (std::size_t p = 0; p < kPacksPerSector; ++p) {
      ecc_.CorrectP(sector + p * kPackSize);
      ecc_.CorrectQ(sector + p * kPackSize);
    }
    std::memcpy(packs.data() + static_cast<std::size_t>(at - lba) * kSubcodeBytesPerSector, sector,
                kSubcodeBytesPerSector);
  }
  return true;
}

std::uint8_t DiscImage::Read(std::int64_t lba, std::uint32_t count, Subcode subcode,
                             std::uint8_t* out, std::uint32_t bufferLength) {
  const bool audio = subcode != Subcode::RwOnly;
  const std::size_t subBytes = subcode == Subcode::None ? 0
                               : subcode == Subcode::Q  ? kQFormattedSize
                                                        : kSubcodeBytesPerSector;
  const std::size_t sectorSize = (audio ? kAudioBytesPerSector : 0) + subBytes;
  if (lba < 0 || count == 0 || lba + count > sectors_ ||
      static_cast<std::uint64_t>(sectorSize) * count > bufferLength)
    return kCheckCondition;

  std::vector<std::uint8_t> sub;
  if (subcode == Subcode::Raw || subcode == Subcode::Q) {
    sub.resize(static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
    if (!ReadRawSubcode(lba, count, sub.data())) return kCheckCondition;
  } else if (subcode == Subcode::Rw || subcode == Subcode::RwOnly) {
    if (!ReadRwPacks(lba, count, sub)) return kCheckCondition;
  }
  if (audio && !ReadAudio(lba, count, out, sectorSize)) return kCheckCondition;
  if (subcode == Subcode::None) return kStatusGood;
  for (std::uint32_t s = 0; s < count; ++s) {
    std::uint8_t* tail =
        out + static_cast<std::size_t>(s) * sectorSize + (audio ? kAudioBytesPerSector : 0);
    const std::uint8_t* from = sub.data() + static_cast<std::size_t>(s) * kSubcodeBytesPerSector;
    if (subcode != Subcode::Q) {
      std::memcpy(tail, from, kSubcodeBytesPerSector);
      continue;
    }
    // The Q channel's 12 bytes gathered from bit 6 of the raw bytes, then padding.
    std::memset(tail, 0, kQFormattedSize);
    for (std::size_t k = 0; k < kSubcodeBytesPerSector; ++k)
      tail[k / 8] |= static_cast<std::uint8_t>(((from[k] >> kQBit) & 1) << (7 - k % 8));
  }
  return kStatusGood;
}

std::uint8_t DiscImage::Execute(const TNkCdRom&, std::uint8_t cdbLength, const std::uint8_t* cdb,
                                void* buffer, std::uint32_t bufferLength, std::uint8_t,
                                std::uint32_t) {
  if (cdbLength < 6 || cdb == nullptr) return kCheckCondition;
  auto* out = static_cast<std::uint8_t*>(buffer);
  switch (cdb[0]) {
    case kOpInquiry: {
      std::uint8_t reply[kInquiryReplySize] = {kCdRomDeviceType, kRemovable, 0x05, 0x02,
                                               kInquiryReplySize - 5};
      std::memcpy(reply + kVendorField, kInquiryVendor, sizeof kInquiryVendor - 1);
      std::memset(reply + kProductField, ' ', kProductLength);
      std::memcpy(reply + kProductField, product_,
                  std::min(std::strlen(product_), kProductLength));
      std::memcpy(reply + kRevisionField, kInquiryRevision, sizeof kInquiryRevision - 1);
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
      if (cdbLength < 12 || cdb[9] != kReadCdUserData || !out) return kCheckCondition;
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

bool DataFileSize(const std::string& path, std::uint64_t& size, std::string& error) {
  if (IoStatus s = CheckInputFile(path); !s) {
    error = s.error();
    return false;
  }
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    error = IoStatus::FromErrno("read", path, errno).error();
    return false;
  }
  size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

std::vector<std::string> SectorFileImage::Files() const {
  if (sheetPath_.empty()) return {};
  std::vector<std::string> files{sheetPath_};
  for (const std::string& f : dataFiles_)
    if (std::find(files.begin(), files.end(), f) == files.end()) files.push_back(f);
  return files;
}

void SectorFileImage::Close() {
  CloseDisc();
  sheetPath_.clear();
  dataFiles_.clear();
  fds_.clear();
  runs_.clear();
  runStarts_.clear();
}

bool SectorFileImage::Serve(const std::string& sheetPath, const std::vector<std::string>& dataFiles,
                            std::vector<SectorRun> runs, SubcodeForm form, int firstTrack,
                            const std::vector<std::int64_t>& trackStarts, std::string& error) {
  Close();
  // Runs are bounded by their files' sizes and the sheets' times, so the
  // sums stay far from overflowing; the disc must still fit before the
  // lead-in's addresses, where a table of contents can place it.
  std::int64_t sectors = 0;
  for (const SectorRun& run : runs) sectors += run.sectors;
  if (sectors > kLeadInFrames - kFramesBeforeLba0) {
    error = Format(Tr("%1 describes %2 sectors, more than a disc holds (90 minutes)"),
                   {IoStatus::Quoted(sheetPath), std::to_string(sectors)});
    return false;
  }
  CcdToc toc = SingleSessionToc(firstTrack, trackStarts, sectors);
  if (std::string why; !CheckCcdToc(toc, why)) {
    error = Format(Tr("bad table of contents in %1: %2"), {IoStatus::Quoted(sheetPath), why});
    return false;
  }

  std::vector<UniqueFd> fds;
  std::vector<std::uint64_t> sizes;
  for (const std::string& path : dataFiles) {
    if (IoStatus s = CheckInputFile(path); !s) {
      error = s.error();
      return false;
    }
    fds.emplace_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info;
    if (!fds.back().valid() || ::fstat(fds.back().get(), &info) != 0) {
      error = IoStatus::FromErrno("read", path, errno).error();
      return false;
    }
    if (!S_ISREG(info.st_mode)) {  // swapped since the check
      error = Format(Tr("cannot read %1: not a regular file"), {IoStatus::Quoted(path)});
      return false;
    }
    sizes.push_back(static_cast<std::uint64_t>(info.st_size));
  }
  for (const SectorRun& run : runs) {
    if (run.file < 0) continue;
    if (static_cast<std::size_t>(run.file) >= dataFiles.size()) {
      error = Format(Tr("bad table of contents in %1: %2"),
                     {IoStatus::Quoted(sheetPath), Tr("a run names no data file")});
      return false;
    }
    const std::uint64_t size = sizes[static_cast<std::size_t>(run.file)];
    const auto bytes = static_cast<std::uint64_t>(run.sectors) * kRecordBytes;
    if (run.offset > size || bytes > size - run.offset) {
      error = Format(Tr("the image is short: %1 holds %2 bytes, and %3 reads up to byte %4"),
                     {IoStatus::Quoted(dataFiles[static_cast<std::size_t>(run.file)]),
                      std::to_string(size), IoStatus::Quoted(sheetPath),
                      std::to_string(static_cast<unsigned long long>(run.offset) + bytes)});
      return false;
    }
  }
  std::int64_t at = 0;
  for (const SectorRun& run : runs) {
    runStarts_.push_back(at);
    at += run.sectors;
  }
  sheetPath_ = sheetPath;
  dataFiles_ = dataFiles;
  fds_ = std::move(fds);
  runs_ = std::move(runs);
  form_ = form;
  SetDisc(std::move(toc), sectors);
  return true;
}

bool SectorFileImage::ReadRecords(std::int64_t lba, std::uint32_t count,
                                  std::vector<std::uint8_t>& records) {
  records.assign(static_cast<std::size_t>(count) * kRecordBytes, 0);
  if (lba < 0 || lba + count > Sectors()) return false;
  // The run holding `lba`: the last one starting at or before it.
  std::size_t r = static_cast<std::size_t>(
      std::upper_bound(runStarts_.begin(), runStarts_.end(), lba) - runStarts_.begin() - 1);
  std::int64_t done = 0;
  while (done < count) {
    if (r >= runs_.size()) return false;
    const SectorRun& run = runs_[r];
    const std::int64_t into = lba + done - runStarts_[r];
    const std::int64_t n = std::min<std::int64_t>(run.sectors - into, count - done);
    std::uint8_t* at = records.data() + static_cast<std::size_t>(done) * kRecordBytes;
    if (run.file >= 0 && n > 0) {
      iovec piece{at, static_cast<std::size_t>(n) * kRecordBytes};
      const auto offset = static_cast<std::int64_t>(run.offset) + into * static_cast<std::int64_t>(kRecordBytes);
      if (!ReadFileAt(fds_[static_cast<std::size_t>(run.file)].get(), &piece, 1, offset))
        return false;
      if (run.bigEndianAudio)
        for (std::int64_t s = 0; s < n; ++s)
          for (std::size_t i = 0; i < kAudioBytesPerSector; i += 2)
            std::swap(at[s * kRecordBytes + i], at[s * kRecordBytes + i + 1]);
    }
    done += std::max<std::int64_t>(n, 0);
    ++r;
  }
  return true;
}

bool SectorFileImage::ReadAudio(std::int64_t lba, std::uint32_t count, std::uint8_t* out,
                                std::size_t stride) {
  std::vector<std::uint8_t> records;
  if (!ReadRecords(lba, count, records)) return false;
  for (std::uint32_t s = 0; s < count; ++s)
    std::memcpy(out + static_cast<std::size_t>(s) * stride,
                records.data() + static_cast<std::size_t>(s) * kRecordBytes, kAudioBytesPerSector);
  return true;
}

bool SectorFileImage::ReadRawSubcode(std::int64_t lba, std::uint32_t count, std::uint8_t* out) {
  if (form_ == SubcodeForm::Raw) {
    std::vector<std::uint8_t> records;
    if (!ReadRecords(lba, count, records)) return false;
    for (std::uint32_t s = 0; s < count; ++s)
      std::memcpy(out + static_cast<std::size_t>(s) * kSubcodeBytesPerSector,
                  records.data() + static_cast<std::size_t>(s) * kRecordBytes + kAudioBytesPerSector,
                  kSubcodeBytesPerSector);
    return true;
  }
  // Packed packs interleaved again as the disc carries them: raw position s
  // of pack slot t holds symbol SourcePosition(s) of the pack s mod 8 slots
  // earlier on the disc, and the packs a drive returns run seven slots behind
  // the disc's, so the packs needed lie up to seven slots ahead.
  const std::int64_t last = std::min(Sectors(), lba + count + kPrimingSectors);
  std::vector<std::uint8_t> packs;
  if (!ReadRwPacks(lba, static_cast<std::uint32_t>(last - lba), packs)) return false;
  const std::size_t slots = packs.size() / kPackSize;
  for (std::size_t t = 0; t < static_cast<std::size_t>(count) * kPacksPerSector; ++t)
    for (std::size_t s = 0; s < kPackSize; ++s) {
      const std::size_t from = t + (TSubCodeInterLeave::kDepth - 1) - s % 8;
      out[t * kPackSize + s] =
          from < slots
              ? packs[from * kPackSize + static_cast<std::size_t>(TSubCodeInterLeave::SourcePosition(
                                              static_cast<int>(s)))]
              : 0;
    }
  return true;
}

bool SectorFileImage::ReadRwPacks(std::int64_t lba, std::uint32_t count,
                                  std::vector<std::uint8_t>& packs) {
  if (form_ == SubcodeForm::Raw) return DiscImage::ReadRwPacks(lba, count, packs);
  std::vector<std::uint8_t> records;
  if (!ReadRecords(lba, count, records)) return false;
  packs.resize(static_cast<std::size_t>(count) * kSubcodeBytesPerSector);
  for (std::uint32_t s = 0; s < count; ++s)
    for (std::size_t i = 0; i < kSubcodeBytesPerSector; ++i)
      packs[s * kSubcodeBytesPerSector + i] =
          records[s * kRecordBytes + kAudioBytesPerSector + i] & kSymbolMask;
  return true;
}

}  // namespace mosaicer
