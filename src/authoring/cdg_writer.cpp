#include "authoring/cdg_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "authoring/authoring_state.h"
#include "media/audio_reader.h"
#include "core/subcode_pack.h"
#include "platform/language.h"
#include "platform/mapped_file.h"
#include "platform/output_file.h"
#include "platform/unique_fd.h"

namespace mosaicer {
namespace {

// Sectors assembled per write. Each sector goes to the kernel as pieces of
// one vectored write: its audio straight from the song's mapping (or read
// into a buffer when the song cannot be mapped or is converted), and its
// subcode straight from the stream, so audio is copied no more often than a
// plain file copy does.
constexpr std::int64_t kBatchSectors = 1024;

// Silence, the rest of a partial audio sector and empty subcode.
constexpr std::uint8_t kZeros[kAudioBytesPerSector] = {};

iovec Zeros(std::size_t size) { return {const_cast<std::uint8_t*>(kZeros), size}; }

IoStatus SongReadFailure(const std::string& wavPath, int error) {
  if (error != 0) return IoStatus::FromErrno("read", wavPath, error);
  return IoStatus::CannotRead(wavPath, Tr("the file ends before the audio its header announces"));
}

// The job's end when something failed: the temporary file goes, and the
// message says what is left on disk.
IoStatus Fail(OutputFile& out, TJobOwner& owner, const IoStatus& cause) {
  out.Discard();
  owner.SetJobStatus(kJobFailed);
  return IoStatus::Failed(cause.error() + "; " + out.UnchangedNote());
}

}  // namespace

std::int64_t CdgLayout::Sectors() const {
  switch (kind) {
    case CdgWriterKind::Together:
      return std::max(audio, graphics);
    case CdgWriterKind::DisplayFirst:
      return graphics + audio;
    case CdgWriterKind::LeadIn:
      return graphics;
    case CdgWriterKind::Target:
      return lead + audio;
  }
  return 0;
}

std::int64_t CdgLayout::Steps() const {
  switch (kind) {
    case CdgWriterKind::Together:
      return std::max(fullAudio, graphics);
    case CdgWriterKind::DisplayFirst:
      return graphics + fullAudio;
    case CdgWriterKind::LeadIn:
      return graphics;
    case CdgWriterKind::Target:
      return audio + lead;
  }
  return 0;
}

std::int64_t CdgLayout::AudioAt(std::int64_t k) const {
  const std::int64_t start = kind == CdgWriterKind::Together       ? 0
                             : kind == CdgWriterKind::DisplayFirst ? graphics
                                                                   : lead;
  const std::int64_t j = k - start;
  return j >= 0 && j < audio ? j : -1;
}

std::int64_t CdgLayout::StreamAt(std::int64_t k) const {
  // Every writer keeps stream sector k at file sector k: the lead-in and
  // target writers choose their lead so the stream ends where it should.
  return k < graphics ? k : -1;
}

CdgLayout PlanCdgLayout(int timing, std::uint32_t audioBytes, std::int64_t packCount,
                        std::int64_t limit) {
  CdgLayout l;
  l.fullAudio = audioBytes / kAudioBytesPerSector;
  l.partial = audioBytes % kAudioBytesPerSector;
  l.audio = l.fullAudio + (l.partial != 0 ? 1 : 0);
  l.graphics = packCount / static_cast<std::int64_t>(kPacksPerSector);
  l.limit = limit;
  switch (timing) {
    case kTimingDisplayFirst:
      l.kind = CdgWriterKind::DisplayFirst;
      break;
    case kTimingLeadIn:
      if (l.graphics > l.audio) {
        l.kind = CdgWriterKind::LeadIn;
        l.lead = l.graphics - l.audio;
      }
      break;
    case kTimingTarget:
      if (l.graphics > l.limit) {
        l.kind = CdgWriterKind::Target;
        l.lead = l.graphics - l.limit;
      }
      break;
    default:
      break;
  }
  return l;
}

namespace {

// The song's audio: the CD-format WAV's own bytes (mapped when the file
// allows it), or a song converted to CD audio as it is read.
struct SongInput {
  UniqueFd fd{-1};
  std::unique_ptr<AudioReader> converted;
  MappedFile map;
  std::uint64_t next = 0;            // the next audio byte's place in the mapping
  std::vector<std::uint8_t> buffer;  // one batch's audio when it is read
};

// Opens the song at its first audio byte.
IoStatus OpenSong(const std::string& wavPath, const WaveInfo& wave, SongInput& in) {
  in.converted.reset();
  in.map.Unmap();
  if (wave.converted) {
    AudioOpenResult song = OpenAudio(wavPath);
    if (!song.ok()) return IoStatus::Failed(song.error);
    in.converted = std::move(song.reader);
    return IoStatus::Ok();
  }
  in.fd = UniqueFd(::open(wavPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.fd.valid()) return IoStatus::FromErrno("read", wavPath, errno);
  const std::uint64_t end = std::uint64_t{wave.dataOffset} + wave.dataSize;
  if (in.map.Map(in.fd.get()) && in.map.size() >= end) {
    in.next = wave.dataOffset;
    return IoStatus::Ok();
  }
  // Shorter than its header says, or not a file that maps: read it, and
  // let the read say where it ends.
  in.map.Unmap();
  if (::lseek(in.fd.get(), wave.dataOffset, SEEK_SET) < 0)
    return IoStatus::FromErrno("read", wavPath, errno);
  return IoStatus::Ok();
}

// Points the audio pieces (sizes set, places not yet) at the song's next
// bytes: into the mapping, or into the buffer the song is read into.
IoStatus TakeSong(SongInput& in, std::vector<iovec>& audio, const std::string& wavPath) {
  if (in.map.mapped()) {
    // A song cut short since it was mapped would make the write fail with
    // an unhelpful reason; say what happened instead.
    struct stat info;
    if (::fstat(in.fd.get(), &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) < in.map.size())
      return SongReadFailure(wavPath, 0);
    std::uint64_t total = 0;
    for (const iovec& part : audio) total += part.iov_len;
    in.map.Prefault(in.next, total);
    for (iovec& part : audio) {
      part.iov_base = const_cast<std::uint8_t*>(in.map.data() + in.next);
      in.next += part.iov_len;
    }
    return IoStatus::Ok();
  }
  std::size_t total = 0;
  for (const iovec& part : audio) total += part.iov_len;
  if (in.buffer.size() < total) in.buffer.resize(total);
  std::size_t at = 0;
  for (iovec& part : audio) {
    part.iov_base = in.buffer.data() + at;
    at += part.iov_len;
  }
  if (in.converted) return in.converted->Read(in.buffer.data(), total);
  std::vector<iovec> reading = audio;
  if (int error = 0; !ReadAllVectored(in.fd.get(), reading, error))
    return SongReadFailure(wavPath, error);
  return IoStatus::Ok();
}

// One batch of sectors as the pieces of a vectored write. Audio pieces get
// their places from TakeSong once the batch is planned.
class SectorBatch {
 public:
  void Clear() {
    pieces_.clear();
    audio_.clear();
    audioPiece_.clear();
    sectorEnd_.clear();
  }
  // Adds a sector with `audioBytes` of audio (0 for silence) and `subcode`
  // (nullptr for empty subcode).
  void AddSector(std::size_t audioBytes, const std::uint8_t* subcode) {
    if (audioBytes > 0) {
      audioPiece_.push_back(pieces_.size());
      audio_.push_back({nullptr, audioBytes});
      pieces_.push_back({});
    }
    if (audioBytes < kAudioBytesPerSector) pieces_.push_back(Zeros(kAudioBytesPerSector - audioBytes));
    pieces_.push_back(subcode != nullptr
                          ? iovec{const_cast<std::uint8_t*>(subcode), kSubcodeBytesPerSector}
                          : Zeros(kSubcodeBytesPerSector));
    sectorEnd_.push_back(pieces_.size());
  }
  IoStatus TakeAudio(SongInput& in, const std::string& wavPath) {
    if (IoStatus taken = TakeSong(in, audio_, wavPath); !taken) return taken;
    for (std::size_t i = 0; i < audio_.size(); ++i) pieces_[audioPiece_[i]] = audio_[i];
    return IoStatus::Ok();
  }
  // Writes the batch's first `sectors` sectors.
  IoStatus Write(OutputFile& out, std::size_t sectors) {
    return out.Write(pieces_.data(), sectors == 0 ? 0 : sectorEnd_[sectors - 1]);
  }
  std::size_t Sectors() const { return sectorEnd_.size(); }

 private:
  std::vector<iovec> pieces_;
  std::vector<iovec> audio_;
  std::vector<std::size_t> audioPiece_;
  std::vector<std::size_t> sectorEnd_;
};

// Writes the sectors of `layout` from `from` on, the song read from where
// `in` stands, then commits the file. Stops after a sector when a cancel is
// requested and keeps what was written.
IoStatus WriteSectors(const CdgLayout& layout, std::int64_t from, SongInput& in,
                      const std::string& wavPath, const std::vector<std::uint8_t>& stream,
                      OutputFile& out, TJobOwner& owner) {
  const std::int64_t streamSectors =
      static_cast<std::int64_t>(stream.size() / kSubcodeBytesPerSector);
  SectorBatch batch;
  for (std::int64_t first = from; first < layout.Sectors(); first += kBatchSectors) {
    const std::int64_t count = std::min(kBatchSectors, layout.Sectors() - first);
    batch.Clear();
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t j = layout.AudioAt(first + i);
      const std::int64_t s = layout.StreamAt(first + i);
      batch.AddSector(j < 0                   ? 0
                      : j == layout.fullAudio ? static_cast<std::size_t>(layout.partial)
                                              : kAudioBytesPerSector,
                      s >= 0 && s < streamSectors ? stream.data() + s * kSubcodeBytesPerSector
                                                  : nullptr);
    }
    if (IoStatus read = batch.TakeAudio(in, wavPath); !read) return Fail(out, owner, read);
    for (std::int64_t i = 0; i < count; ++i) {
      // The final partial audio sector is no step of its own, except when
      // audio and graphics run together, and it is never a place to stop.
      const bool partial = layout.AudioAt(first + i) == layout.fullAudio;
      if (!partial || layout.kind == CdgWriterKind::Together) owner.Report(kProgressStep);
      if (!partial && owner.CancelRequested()) {
        // The user asked for this file: it keeps every sector up to this one
        // under its name.
        IoStatus kept = batch.Write(out, static_cast<std::size_t>(i + 1));
        if (kept) kept = out.Commit();
        if (!kept) return Fail(out, owner, kept);
        return IoStatus::Ok();
      }
    }
    if (IoStatus written = batch.Write(out, batch.Sectors()); !written)
      return Fail(out, owner, written);
  }
  owner.Report(kProgressAllSteps);
  if (IoStatus committed = out.Commit(); !committed) return Fail(out, owner, committed);
  owner.SetJobStatus(kJobSucceeded);
  return IoStatus::Ok();
}

// Whether the song may start at the file's first sector before the stream
// is known: only then can audio be written ahead. Display-first always puts
// the graphics ahead, and a target of 00:00:00 does so for any stream.
bool SongMayLeadOff(int timing, std::int64_t limit) {
  if (timing == kTimingDisplayFirst) return false;
  return timing != kTimingTarget || limit > 0;
}

// Copies the song's audio, sector by sector with empty subcode, into the
// file's first sectors until the stream is ready, the song ends or a cancel
// is requested; `ahead` counts the sectors written.
IoStatus WriteAudioAhead(const WaveInfo& wave, SongInput& in, const std::string& wavPath,
                         StreamSource& source, OutputFile& out, TJobOwner& owner,
                         std::int64_t& ahead) {
  const std::int64_t fullAudio = wave.dataSize / kAudioBytesPerSector;
  const std::size_t partial = wave.dataSize % kAudioBytesPerSector;
  const std::int64_t audioSectors = fullAudio + (partial != 0 ? 1 : 0);
  SectorBatch batch;
  ahead = 0;
  while (ahead < audioSectors && !source.Ready() && !owner.CancelRequested()) {
    const std::int64_t count = std::min(kBatchSectors, audioSectors - ahead);
    batch.Clear();
    for (std::int64_t i = 0; i < count; ++i)
      batch.AddSector(ahead + i == fullAudio ? partial : kAudioBytesPerSector, nullptr);
    if (IoStatus read = batch.TakeAudio(in, wavPath); !read) return read;
    if (IoStatus written = batch.Write(out, batch.Sectors()); !written) return written;
    ahead += count;
  }
  return IoStatus::Ok();
}

}  // namespace

IoStatus WriteCdgFile(const CdgLayout& layout, const std::string& wavPath, const WaveInfo& wave,
                      const std::vector<std::uint8_t>& stream, const std::string& outputPath,
                      TJobOwner& owner) {
  OutputFile out;
  if (IoStatus opened = out.Open(outputPath); !opened) return Fail(out, owner, opened);
  SongInput in;
  if (IoStatus song = OpenSong(wavPath, wave, in); !song) return Fail(out, owner, song);
  owner.Report(kProgressSteps, static_cast<int>(layout.Steps()));
  return WriteSectors(layout, 0, in, wavPath, stream, out, owner);
}

IoStatus WriteCdgFile(int timing, std::int64_t limit, const std::string& wavPath,
                      const WaveInfo& wave, StreamSource& source, const std::string& outputPath,
                      TJobOwner& owner) {
  OutputFile out;
  SongInput in;
  std::int64_t ahead = 0;
  IoStatus begun = out.Open(outputPath);
  if (begun) begun = OpenSong(wavPath, wave, in);
  if (begun && SongMayLeadOff(timing, limit))
    begun = WriteAudioAhead(wave, in, wavPath, source, out, owner, ahead);

  // The stream's failure comes first: without a picture nothing would have
  // been started.
  const MadeStream& made = source.Wait();
  if (!made.error.empty()) {
    out.Discard();
    owner.SetJobStatus(kJobFailed);
    return IoStatus::Failed(made.error);
  }
  if (!begun) return Fail(out, owner, begun);

  const CdgLayout layout = PlanCdgLayout(timing, wave.dataSize, made.packCount, limit);
  if (ahead > 0 && layout.AudioAt(0) != 0) {
    // The graphics lead the song after all: start the file again.
    out.Discard();
    out = OutputFile();
    ahead = 0;
    if (IoStatus opened = out.Open(outputPath); !opened) return Fail(out, owner, opened);
    if (IoStatus song = OpenSong(wavPath, wave, in); !song) return Fail(out, owner, song);
  }
  owner.Report(kProgressSteps, static_cast<int>(layout.Steps()));
  // The audio written ahead sits where the layout wants it; its sectors
  // still lack the stream's subcode.
  const std::int64_t streamSectors =
      static_cast<std::int64_t>(made.bytes.size() / kSubcodeBytesPerSector);
  for (std::int64_t s = 0; s < std::min(ahead, streamSectors); ++s)
    if (IoStatus laid = out.WriteAt(made.bytes.data() + s * kSubcodeBytesPerSector,
                                    kSubcodeBytesPerSector,
                                    static_cast<std::uint64_t>(s * kCdgSectorSize) +
                                        kAudioBytesPerSector);
        !laid)
      return Fail(out, owner, laid);
  for (std::int64_t k = 0; k < ahead; ++k) owner.Report(kProgressStep);
  if (ahead > 0 && owner.CancelRequested()) {
    // Cancelled while the picture was made: the file keeps what was written.
    if (IoStatus kept = out.Commit(); !kept) return Fail(out, owner, kept);
    return IoStatus::Ok();
  }
  return WriteSectors(layout, ahead, in, wavPath, made.bytes, out, owner);
}

}  // namespace mosaicer
