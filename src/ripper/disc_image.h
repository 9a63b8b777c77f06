// A disc image that answers the commands a CD drive gets (INQUIRY, READ TOC
// full TOC, READ CD, READ CD-DA), so an image can be listed, read and
// ripped exactly as a drive is. Each image format supplies the table of
// contents, the audio and the raw subcode of its sectors; this base builds
// every reply from them the way a drive does: raw P–W as on the disc, R–W
// de-interleaved and corrected, the formatted Q channel.
//
// SectorFileImage serves the formats whose sectors are 2448-byte records
// (2352 audio bytes and 96 subcode bytes) in data files: cdrdao .toc/.bin
// and CUE .cue/.bin with CDG tracks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/parity.h"
#include "platform/unique_fd.h"
#include "ripper/scsi_transport.h"

struct iovec;

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

// The READ TOC (format 2) reply for the descriptors of `session` and later,
// cut to `allocation` bytes.
std::vector<std::uint8_t> FullTocReply(const CcdToc& toc, std::uint8_t session,
                                       std::size_t allocation);

// A one-session audio disc's table: tracks numbered from `firstTrack`, each
// starting at its LBA in `trackStarts`, and the lead-out at `leadOutLba`.
// The caller checks it (CheckCcdToc) before serving it.
CcdToc SingleSessionToc(int firstTrack, const std::vector<std::int64_t>& trackStarts,
                        std::int64_t leadOutLba);

// Fills the pieces from `offset` on; false unless every byte arrived.
bool ReadFileAt(int fd, ::iovec* pieces, std::size_t count, std::int64_t offset);

class DiscImage : public ScsiTransport {
 public:
  // The files the image is made of, the sheet first: every one of them is
  // an input of a job reading the image. Empty while closed.
  virtual std::vector<std::string> Files() const = 0;
  std::int64_t Sectors() const { return sectors_; }
  const CcdToc& Toc() const { return toc_; }

  // Answers INQUIRY, READ TOC (full TOC), READ CD (user data with no
  // subcode, raw P–W, formatted Q or R–W) and READ CD-DA (sub-codes 0–3).
  // Anything else, or a read outside the image, ends with CHECK CONDITION.
  [[nodiscard]] std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength,
                                     const std::uint8_t* cdb, void* buffer,
                                     std::uint32_t bufferLength, std::uint8_t direction,
                                     std::uint32_t timeoutMs) final;

 protected:
  // `product`: the 16 characters INQUIRY gives as the product.
  explicit DiscImage(const char* product) : product_(product) {}
  void SetDisc(CcdToc toc, std::int64_t sectors);
  void CloseDisc();

  // `count` sectors from `lba`, all inside the image. Audio: 2352 bytes a
  // sector, little-endian as a drive delivers it, sector s at out + s *
  // stride. Raw subcode: 96 bytes a sector, back to back, in the form READ
  // CD sub-channel 1 returns (P in bit 7 down to W in bit 0).
  virtual bool ReadAudio(std::int64_t lba, std::uint32_t count, std::uint8_t* out,
                         std::size_t stride) = 0;
  virtual bool ReadRawSubcode(std::int64_t lba, std::uint32_t count, std::uint8_t* out) = 0;
  // De-interleaved, corrected R–W packs, 96 bytes a sector, as a drive
  // returns them; by default made from the raw subcode.
  virtual bool ReadRwPacks(std::int64_t lba, std::uint32_t count, std::vector<std::uint8_t>& packs);

 private:
  enum class Subcode { None, Raw, Q, Rw, RwOnly };
  std::uint8_t Read(std::int64_t lba, std::uint32_t count, Subcode subcode, std::uint8_t* out,
                    std::uint32_t bufferLength);

  const char* product_;
  CcdToc toc_;
  std::int64_t sectors_ = 0;
  TSubCodeErrorCorrect ecc_;
};

// How the 96 subcode bytes of a 2448-byte record are laid out.
enum class SubcodeForm {
  Raw,     // P–W as READ CD sub-channel 1 returns it: R–W interleaved, uncorrected
  Packed,  // R–W packs de-interleaved and corrected, one 6-bit symbol a byte
};

inline constexpr std::size_t kRecordBytes = 2448;

// A stretch of the disc: `sectors` records of data file `file` from byte
// `offset` on, or `sectors` of silence with empty subcode when `file` is -1.
struct SectorRun {
  std::int64_t sectors = 0;
  int file = -1;
  std::uint64_t offset = 0;
  bool bigEndianAudio = false;
};

class SectorFileImage : public DiscImage {
 public:
  std::vector<std::string> Files() const override;

 protected:
  using DiscImage::DiscImage;
  // Serves `runs` (back to back from LBA 0) of `dataFiles` with the given
  // track starts. False, with `error` naming the sheet or the data file at
  // fault, when a file cannot be opened, a run reaches past the end of its
  // file, or the table of contents the tracks make is not one a ripper can
  // read; the image is then closed.
  bool Serve(const std::string& sheetPath, const std::vector<std::string>& dataFiles,
             std::vector<SectorRun> runs, SubcodeForm form, int firstTrack,
             const std::vector<std::int64_t>& trackStarts, std::string& error);
  void Close();

  bool ReadAudio(std::int64_t lba, std::uint32_t count, std::uint8_t* out,
                 std::size_t stride) override;
  bool ReadRawSubcode(std::int64_t lba, std::uint32_t count, std::uint8_t* out) override;
  bool ReadRwPacks(std::int64_t lba, std::uint32_t count,
                   std::vector<std::uint8_t>& packs) override;

 private:
  // Whole records of `count` sectors from `lba`, silence as zeros, audio
  // turned little-endian.
  bool ReadRecords(std::int64_t lba, std::uint32_t count, std::vector<std::uint8_t>& records);

  std::string sheetPath_;
  std::vector<std::string> dataFiles_;
  std::vector<UniqueFd> fds_;
  std::vector<SectorRun> runs_;
  std::vector<std::int64_t> runStarts_;  // LBA of each run
  SubcodeForm form_ = SubcodeForm::Raw;
};

// The byte size of a data file, or nothing with `error` naming the file
// and why it cannot serve (not found, a folder, not a regular file).
bool DataFileSize(const std::string& path, std::uint64_t& size, std::string& error);

}  // namespace mosaicer
