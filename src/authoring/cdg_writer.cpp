#include "authoring/cdg_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "authoring/authoring_state.h"
#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

// Large buffers turn the per-sector reads and writes into few system calls.
constexpr std::size_t kFileBuffer = 1 << 20;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::string& path, const char* mode) {
  File f(std::fopen(path.c_str(), mode));
  if (f) std::setvbuf(f.get(), nullptr, _IOFBF, kFileBuffer);
  return f;
}

// Closes a written file and tells whether everything reached it.
bool Finish(File& f) {
  const bool flushed = std::fflush(f.get()) == 0 && !std::ferror(f.get());
  return std::fclose(f.release()) == 0 && flushed;
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

void WriteCdgFile(const CdgLayout& layout, const std::string& wavPath, const WaveInfo& wave,
                  const std::vector<std::uint8_t>& stream, const std::string& outputPath,
                  TJobOwner& owner) {
  File in = Open(wavPath, "rb");
  File out = in ? Open(outputPath, "wb") : nullptr;
  if (!in || !out || std::fseek(in.get(), wave.dataOffset, SEEK_SET) != 0) {
    owner.SetJobStatus(kJobFailed);
    return;
  }
  owner.Report(kProgressSteps, static_cast<int>(layout.Steps()));

  std::uint8_t sector[kCdgSectorSize];
  std::uint8_t* const subcode = sector + kAudioBytesPerSector;
  const std::int64_t streamSectors =
      static_cast<std::int64_t>(stream.size() / kSubcodeBytesPerSector);
  for (std::int64_t k = 0; k < layout.Sectors(); ++k) {
    const std::int64_t j = layout.AudioAt(k);
    const bool partial = j == layout.fullAudio;  // only exists when R is not 0
    std::memset(sector, 0, sizeof sector);
    if (j >= 0) {
      const std::size_t bytes =
          partial ? static_cast<std::size_t>(layout.partial) : kAudioBytesPerSector;
      if (std::fread(sector, 1, bytes, in.get()) != bytes) {
        owner.SetJobStatus(kJobFailed);
        return;
      }
    }
    const std::int64_t s = layout.StreamAt(k);
    if (s >= 0 && s < streamSectors)
      std::memcpy(subcode, stream.data() + s * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
    if (std::fwrite(sector, 1, sizeof sector, out.get()) != sizeof sector) {
      owner.SetJobStatus(kJobFailed);
      return;
    }
    // The final partial audio sector is no step of its own, except when
    // audio and graphics run together, and it is never a place to stop.
    if (!partial || layout.kind == CdgWriterKind::Together) owner.Report(kProgressStep);
    if (!partial && owner.CancelRequested()) {
      Finish(out);
      return;
    }
  }
  owner.Report(kProgressAllSteps);
  owner.SetJobStatus(Finish(out) ? kJobSucceeded : kJobFailed);
}

}  // namespace mosaicer
