#include "disc/image_writer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "authoring/msf.h"
#include "core/parity.h"
#include "platform/language.h"
#include "platform/output_file.h"

namespace mosaicer {
namespace {

constexpr std::int64_t kBlockSectors = kSectorsPerSecond;  // one progress step
constexpr std::size_t kBinSectorSize = kAudioBytesPerSector + kSubcodeBytesPerSector;
constexpr int kPointFirstTrack = 0xA0;
constexpr int kPointLastTrack = 0xA1;
constexpr int kPointLeadOut = 0xA2;
constexpr int kLatin1Last = 0xFF;

std::string Lower(std::string text) { return LowerAscii(std::move(text)); }

std::string WithExtension(const std::string& path, const char* extension) {
  std::filesystem::path p(path);
  p.replace_extension(extension);
  return p.string();
}

// A pack lacks its parity when checking it would change it or fails.
bool LacksParity(const TSubCodeErrorCorrect& ecc, const std::uint8_t* pack) {
  std::uint8_t copy[kPackSize];
  for (std::size_t i = 0; i < kPackSize; ++i) copy[i] = pack[i] & kSymbolMask;
  std::uint8_t checked[kPackSize];
  std::memcpy(checked, copy, kPackSize);
  return !ecc.CorrectP(checked) || !ecc.CorrectQ(checked) ||
         std::memcmp(checked, copy, kPackSize) != 0;
}

// One [Entry N] of the .ccd: a descriptor pointing at `frames` (P fields).
std::string CcdEntry(int index, int point, std::int64_t pMin, std::int64_t pSec,
                     std::int64_t pFrame) {
  char text[320];
  std::snprintf(text, sizeof text,
                "[Entry %d]\r\nSession=1\r\nPoint=0x%02x\r\nADR=0x01\r\nControl=0x00\r\n"
                "TrackNo=0\r\nAMin=0\r\nASec=0\r\nAFrame=0\r\nALBA=-150\r\nZero=0\r\n"
                "PMin=%lld\r\nPSec=%lld\r\nPFrame=%lld\r\nPLBA=%lld\r\n",
                index, point, static_cast<long long>(pMin), static_cast<long long>(pSec),
                static_cast<long long>(pFrame),
                static_cast<long long>((pMin * 60 + pSec) * kSectorsPerSecond + pFrame -
                                       kLeadInOffset));
  return text;
}

std::string CcdEntryAt(int index, int point, std::int64_t lba) {
  const std::int64_t f = lba + kLeadInOffset;
  return CcdEntry(index, point, f / (60 * kSectorsPerSecond), f / kSectorsPerSecond % 60,
                  f % kSectorsPerSecond);
}

std::string CcdText(const DiscLayout& layout) {
  const int tracks = static_cast<int>(layout.tracks.size());
  std::string text = "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=" +
                     std::to_string(tracks + 3) +
                     "\r\nSessions=1\r\nDataTracksScrambled=0\r\nCDTextLength=0\r\n"
                     "[Session 1]\r\nPreGapMode=0\r\nPreGapSubC=0\r\n";
  text += CcdEntry(0, kPointFirstTrack, 1, 0, 0);  // PSec 0: an audio disc
  text += CcdEntry(1, kPointLastTrack, tracks, 0, 0);
  text += CcdEntryAt(2, kPointLeadOut, layout.LeadOut());
  for (int t = 0; t < tracks; ++t)
    text += CcdEntryAt(3 + t, t + 1, layout.tracks[static_cast<std::size_t>(t)].start);
  for (int t = 0; t < tracks; ++t) {
    const DiscTrack& track = layout.tracks[static_cast<std::size_t>(t)];
    text += "[TRACK " + std::to_string(t + 1) + "]\r\nMODE=0\r\n";
    if (track.pauseStart < track.start)
      text += "INDEX 0=" + std::to_string(track.pauseStart) + "\r\n";
    text += "INDEX 1=" + std::to_string(track.start) + "\r\n";
  }
  return text;
}

std::string TocText(const std::vector<DiscImageTitle>& titles, const DiscLayout& layout,
                    const DiscImageOptions& options, const std::string& binName) {
  std::string text = "// Made by mosaicer: one CD+G title a track.\nCD_DA\n\n";
  text += "CD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n  LANGUAGE 0 {\n    TITLE " +
          TocString(options.title) + "\n    PERFORMER " + TocString(options.performer) +
          "\n  }\n}\n";
  const char* mode = options.cooked ? "RW" : "RW_RAW";
  for (std::size_t t = 0; t < layout.tracks.size(); ++t) {
    const DiscTrack& track = layout.tracks[t];
    const std::int64_t sectors = track.end - track.pauseStart;
    text += "\n// Track " + std::to_string(t + 1) + "\nTRACK AUDIO " + mode +
            "\nNO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\n";
    text += "CD_TEXT {\n  LANGUAGE 0 {\n    TITLE " + TocString(titles[t].name) +
            "\n    PERFORMER " + TocString(options.performer) + "\n  }\n}\n";
    text += "DATAFILE " + TocFileName(binName) + " #" +
            std::to_string(track.pauseStart * static_cast<std::int64_t>(kBinSectorSize)) + " " +
            MsfText(sectors) + " // length in bytes: " +
            std::to_string(sectors * static_cast<std::int64_t>(kBinSectorSize)) + "\n";
    if (track.pauseStart < track.start) text += "START " + MsfText(track.start - track.pauseStart) + "\n";
  }
  return text;
}

// The outputs of one image, committed together at the end.
struct ImageFiles {
  std::vector<std::string> names;
  std::vector<OutputFile> files;
  void Discard() {
    for (OutputFile& f : files) f.Discard();
  }
};

DiscImageResult Failed(ImageFiles& out, const std::string& why) {
  out.Discard();
  DiscImageResult result;
  result.outcome = DiscImageOutcome::Failed;
  result.error = why;
  return result;
}

}  // namespace

std::optional<DiscImageKind> DiscImageKindFor(const std::string& path) {
  const std::string extension = Lower(std::filesystem::path(path).extension().string());
  if (extension == ".ccd") return DiscImageKind::CloneCd;
  if (extension == ".toc") return DiscImageKind::Cdrdao;
  return std::nullopt;
}

std::vector<std::string> DiscImageFiles(const std::string& path, DiscImageKind kind) {
  if (kind == DiscImageKind::CloneCd)
    return {path, WithExtension(path, ".img"), WithExtension(path, ".sub")};
  return {path, WithExtension(path, ".bin")};
}

namespace {

// `byte` as the .toc's string syntax takes it: quote and backslash escaped,
// everything outside printable ASCII in octal.
void AppendTocByte(std::string& out, unsigned byte) {
  if (byte == '"' || byte == '\\') {
    out += '\\';
    out += static_cast<char>(byte);
  } else if (byte >= 0x20 && byte < 0x7F) {
    out += static_cast<char>(byte);
  } else {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\%03o", byte & 0xFFu);
    out += escape;
  }
}

}  // namespace

std::string TocFileName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) AppendTocByte(out, static_cast<unsigned char>(c));
  return out + "\"";
}

std::string TocString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    // One UTF-8 character; a byte that does not start one stands for itself.
    const auto lead = static_cast<unsigned char>(text[i]);
    unsigned code = lead;
    std::size_t length = 1;
    if (lead >= 0xC0 && lead < 0xF8) {
      length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      code = lead & (0x3F >> (length - 1));
      for (std::size_t k = 1; k < length; ++k) {
        const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
        if ((next & 0xC0) != 0x80) {
          length = k;
          code = '?';
          break;
        }
        code = code << 6 | (next & 0x3F);
      }
    }
    i += length;
    AppendTocByte(out, code > kLatin1Last ? '?' : code);
  }
  return out + "\"";
}

bool PlanDiscImage(const std::vector<DiscImageTitle>& titles, const DiscImageOptions& options,
                   DiscLayout& layout, std::string& error) {
  if (titles.empty()) {
    error = Tr("there are no titles to put on the disc");
    return false;
  }
  std::vector<std::int64_t> lengths;
  for (const DiscImageTitle& title : titles) {
    const auto sectors = static_cast<std::int64_t>(title.source->Sectors());
    if (sectors < kMinTrackSectors) {
      error = Format(Tr("%1 lasts %2, shorter than the four seconds a track must last"),
                     {IoStatus::Quoted(title.source->Info().path), MsfText(sectors)});
      return false;
    }
    lengths.push_back(std::min<std::int64_t>(sectors, kMaxDiscFrames + 1));
  }
  const std::int64_t pause = options.pause.value_or(0);
  const std::int64_t firstPause =
      options.pause ? std::max<std::int64_t>(0, *options.pause - kLeadInOffset) : 0;
  layout = PlanDisc(lengths, firstPause, pause);
  const std::int64_t last = layout.LeadOut() - 1 + kLeadInOffset;
  if (last > kMaxDiscFrames) {
    error = Format(Tr("the disc would last until %1, past the 79:59:74 a disc holds"),
                   {MsfText(last)});
    return false;
  }
  return true;
}

namespace {

DiscImageResult WriteImage(const std::vector<DiscImageTitle>& titles, const std::string& path,
                           const DiscImageOptions& options, TJobOwner* progress) {
  const auto kind = DiscImageKindFor(path);
  ImageFiles out;
  if (!kind) return Failed(out, Format(Tr("%1 is not a .ccd or .toc name"), {IoStatus::Quoted(path)}));
  DiscLayout layout;
  std::string planError;
  if (!PlanDiscImage(titles, options, layout, planError)) return Failed(out, planError);

  out.names = DiscImageFiles(path, *kind);
  out.files.resize(out.names.size());
  for (std::size_t i = 0; i < out.names.size(); ++i)
    if (IoStatus opened = out.files[i].Open(out.names[i]); !opened)
      return Failed(out, opened.error());
  const bool cloneCd = *kind == DiscImageKind::CloneCd;
  OutputFile& audioFile = out.files[1];  // .img or .bin

  const std::int64_t total = layout.LeadOut();
  if (progress != nullptr)
    progress->Report(kProgressSteps, static_cast<int>((total + kBlockSectors - 1) / kBlockSectors));

  TSubCodeErrorCorrect ecc;
  DiscSubcodeEncoder encoder(layout);
  DiscImageResult result;
  std::vector<std::uint8_t> audio(static_cast<std::size_t>(kBlockSectors) * kAudioBytesPerSector);
  std::vector<std::uint8_t> packs(static_cast<std::size_t>(kBlockSectors) * kSubcodeBytesPerSector);
  std::vector<std::uint8_t> sub(packs.size());
  std::vector<std::uint8_t> bin(static_cast<std::size_t>(kBlockSectors) * kBinSectorSize);
  std::uint8_t raw[kSubcodeBytesPerSector];

  for (std::size_t t = 0; t < layout.tracks.size(); ++t) {
    const DiscTrack& track = layout.tracks[t];
    TitleSource& source = *titles[t].source;
    for (std::int64_t lba = track.pauseStart; lba < track.end;) {
      if (progress != nullptr && progress->CancelRequested()) {
        out.Discard();
        result.outcome = DiscImageOutcome::Cancelled;
        result.sectors = lba;
        return result;
      }
      // A block never spans the start of the music, so it is all pause or
      // all title.
      const std::int64_t stop = lba < track.start ? track.start : track.end;
      const std::int64_t count = std::min(kBlockSectors, stop - lba);
      const auto n = static_cast<std::size_t>(count);
      if (lba < track.start) {
        std::fill_n(audio.begin(), n * kAudioBytesPerSector, 0);
        std::fill_n(packs.begin(), n * kSubcodeBytesPerSector, 0);
      } else if (IoStatus read = source.Read(static_cast<std::uint64_t>(count), audio.data(),
                                             packs.data());
                 !read) {
        return Failed(out, read.error());
      }
      for (std::size_t s = 0; s < n; ++s) {
        std::uint8_t* sectorPacks = packs.data() + s * kSubcodeBytesPerSector;
        for (std::size_t p = 0; p < kPacksPerSector; ++p) {
          std::uint8_t* pack = sectorPacks + p * kPackSize;
          for (std::size_t i = 0; i < kPackSize; ++i) pack[i] &= kSymbolMask;
          if (LacksParity(ecc, pack)) {
            ecc.ComputeQ(pack);
            ecc.ComputeP(pack);
            ++result.parityAdded;
          }
        }
        encoder.EncodeSector(sectorPacks, raw);
        if (cloneCd) {
          RawToLinearSubcode(raw, sub.data() + s * kSubcodeBytesPerSector);
        } else {
          std::uint8_t* sector = bin.data() + s * kBinSectorSize;
          const std::uint8_t* sound = audio.data() + s * kAudioBytesPerSector;
          for (std::size_t b = 0; b < kAudioBytesPerSector; b += 2) {  // big-endian samples
            sector[b] = sound[b + 1];
            sector[b + 1] = sound[b];
          }
          std::uint8_t* tail = sector + kAudioBytesPerSector;
          if (options.cooked)
            std::memcpy(tail, sectorPacks, kSubcodeBytesPerSector);
          else
            for (std::size_t k = 0; k < kSubcodeBytesPerSector; ++k) tail[k] = raw[k] & kSymbolMask;
        }
      }
      IoStatus written = IoStatus::Ok();
      if (cloneCd) {
        written = audioFile.Write(audio.data(), n * kAudioBytesPerSector);
        if (written) written = out.files[2].Write(sub.data(), n * kSubcodeBytesPerSector);
      } else {
        written = audioFile.Write(bin.data(), n * kBinSectorSize);
      }
      if (!written) return Failed(out, written.error());
      lba += count;
      if (progress != nullptr) progress->Report(kProgressStep);
    }
  }

  const std::string text =
      cloneCd ? CcdText(layout)
              : TocText(titles, layout, options,
                        std::filesystem::path(out.names[1]).filename().string());
  if (IoStatus written = out.files[0].Write(text.data(), text.size()); !written)
    return Failed(out, written.error());
  // The data first and the file that names them last, so an image is never
  // announced before its data are in place.
  for (std::size_t i = out.files.size(); i-- > 0;)
    if (IoStatus committed = out.files[i].Commit(); !committed)
      return Failed(out, committed.error());
  if (progress != nullptr) progress->Report(kProgressAllSteps);
  result.outcome = DiscImageOutcome::Made;
  result.sectors = total;
  return result;
}

}  // namespace

DiscImageResult WriteDiscImage(const std::vector<DiscImageTitle>& titles, const std::string& path,
                               const DiscImageOptions& options, TJobOwner* progress) {
  const DiscImageResult result = WriteImage(titles, path, options, progress);
  if (progress != nullptr)
    progress->Report(result.outcome == DiscImageOutcome::Made ? kProgressDone : kProgressFailed);
  return result;
}

}  // namespace mosaicer
