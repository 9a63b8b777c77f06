#include "title/title_sink.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/output_file.h"
#include "title/mp3g_zip.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

constexpr int kCdChannels = 2;
constexpr int kCdRate = 44100;
constexpr std::uint64_t kBlockSectors = 256;
// libsndfile's Layer III writer takes the bit rate as a compression level
// from 0 (its highest rate) to 1 (its lowest).
constexpr double kMp3HighestRate = 320.0;
constexpr double kMp3LowestRate = 32.0;
// Float samples run from -1 to 1: a 16-bit sample over 32768.
constexpr float kFloatScale = 32768.0f;

}  // namespace

const char* SongExtension(SongKind kind) {
  switch (kind) {
    case SongKind::Mp3:
      return ".mp3";
    case SongKind::Ogg:
      return ".ogg";
    case SongKind::Flac:
      return ".flac";
    case SongKind::Wav:
      return ".wav";
  }
  return ".mp3";
}

namespace {

int FormatOf(SongKind kind) {
  switch (kind) {
    case SongKind::Mp3:
      return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case SongKind::Ogg:
      return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case SongKind::Flac:
      return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case SongKind::Wav:
      return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  }
  return 0;
}

}  // namespace

// The encoded stream grows in memory; libsndfile writes it through its
// virtual I/O (it seeks back to fix headers).
struct SongEncoder::State {
  std::vector<std::uint8_t> bytes;
  sf_count_t position = 0;
  SNDFILE* file = nullptr;
  std::string name;
  SongKind kind = SongKind::Mp3;
  std::vector<short> samples;
  std::vector<float> floats;

  static State& Of(void* user) { return *static_cast<State*>(user); }
  static SF_VIRTUAL_IO Io() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) -> sf_count_t {
      return static_cast<sf_count_t>(Of(user).bytes.size());
    };
    io.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
      State& s = Of(user);
      const sf_count_t size = static_cast<sf_count_t>(s.bytes.size());
      const sf_count_t base = whence == SEEK_CUR ? s.position : whence == SEEK_END ? size : 0;
      if (base + offset < 0) return -1;
      s.position = base + offset;
      return s.position;
    };
    io.read = [](void* out, sf_count_t count, void* user) -> sf_count_t {
      State& s = Of(user);
      const sf_count_t size = static_cast<sf_count_t>(s.bytes.size());
      const sf_count_t n = std::clamp<sf_count_t>(count, 0, std::max<sf_count_t>(0, size - s.position));
      if (n > 0) std::memcpy(out, s.bytes.data() + s.position, static_cast<std::size_t>(n));
      s.position += n;
      return n;
    };
    io.write = [](const void* data, sf_count_t count, void* user) -> sf_count_t {
      State& s = Of(user);
      if (count <= 0) return 0;
      const auto end = static_cast<std::size_t>(s.position + count);
      if (end > s.bytes.size()) s.bytes.resize(end);
      std::memcpy(s.bytes.data() + s.position, data, static_cast<std::size_t>(count));
      s.position += count;
      return count;
    };
    io.tell = [](void* user) -> sf_count_t { return Of(user).position; };
    return io;
  }
};

SongEncoder::SongEncoder() : state_(std::make_unique<State>()) {}

SongEncoder::~SongEncoder() {
  if (state_->file != nullptr) sf_close(state_->file);
}

IoStatus SongEncoder::Open(SongKind kind, int bitrate, const std::string& name) {
  state_->name = name;
  state_->kind = kind;
  SF_INFO info{};
  info.samplerate = kCdRate;
  info.channels = kCdChannels;
  info.format = FormatOf(kind);
  SF_VIRTUAL_IO io = State::Io();
  state_->file = sf_open_virtual(&io, SFM_WRITE, &info, state_.get());
  const auto failed = [&](const char* why) {
    return IoStatus::Failed("cannot write " + IoStatus::Quoted(name) + ": " + why);
  };
  if (state_->file == nullptr) return failed(sf_strerror(nullptr));
  if (kind == SongKind::Mp3) {
    int mode = SF_BITRATE_MODE_CONSTANT;
    double level = (kMp3HighestRate - bitrate) / (kMp3HighestRate - kMp3LowestRate);
    // The mode's answer says nothing (libsndfile 1.2 gives 0 either way): the
    // level's answer and the error state tell.
    static_cast<void>(sf_command(state_->file, SFC_SET_BITRATE_MODE, &mode, sizeof mode));
    if (sf_command(state_->file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) != SF_TRUE ||
        sf_error(state_->file) != SF_ERR_NO_ERROR)
      return failed("the MP3 encoder refuses a constant bit rate");
  }
  return IoStatus::Ok();
}

IoStatus SongEncoder::Write(const std::uint8_t* audio, std::size_t bytes) {
  auto& samples = state_->samples;
  samples.resize(bytes / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<short>(static_cast<std::uint16_t>(audio[2 * i] | (audio[2 * i + 1] << 8)));
  const auto count = static_cast<sf_count_t>(samples.size());
  sf_count_t written = 0;
  if (state_->kind == SongKind::Mp3) {
    // libsndfile 1.2.0's Layer III writer garbles 16-bit stereo samples
    // handed over as shorts; floats reach LAME intact.
    auto& floats = state_->floats;
    floats.resize(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) floats[i] = samples[i] / kFloatScale;
    written = sf_write_float(state_->file, floats.data(), count);
  } else {
    written = sf_write_short(state_->file, samples.data(), count);
  }
  if (written != count)
    return IoStatus::Failed("cannot write " + IoStatus::Quoted(state_->name) + ": " +
                            sf_strerror(state_->file));
  return IoStatus::Ok();
}

IoStatus SongEncoder::Close() {
  SNDFILE* file = std::exchange(state_->file, nullptr);
  if (file != nullptr && sf_close(file) != 0)
    return IoStatus::Failed("cannot write " + IoStatus::Quoted(state_->name) +
                            ": the encoder could not finish the song");
  return IoStatus::Ok();
}

const std::vector<std::uint8_t>& SongEncoder::Bytes() const { return state_->bytes; }

std::optional<SongKind> SongKindNamed(const std::string& name) {
  for (SongKind kind : {SongKind::Mp3, SongKind::Ogg, SongKind::Flac, SongKind::Wav})
    if (LowerAscii(name) == SongExtension(kind) + 1) return kind;
  return std::nullopt;
}

std::optional<TitleOutput> TitleOutputFor(const std::string& path, SongKind zipSong, int bitrate) {
  TitleOutput output;
  output.path = path;
  output.bitrate = bitrate;
  const std::string extension = LowerAscii(fs::path(path).extension().string());
  if (extension == ".cdg" || extension == ".bin") {
    output.kind = TitleOutputKind::Cdg;
  } else if (extension == ".rws") {
    output.kind = TitleOutputKind::Rws;
  } else if (extension == ".zip") {
    output.kind = TitleOutputKind::Zip;
    output.song = zipSong;
  } else if (auto song = SongKindNamed(extension.empty() ? "" : extension.substr(1))) {
    output.kind = TitleOutputKind::Pair;
    output.song = *song;
    output.subcodePath = fs::path(path).replace_extension(".cdg").string();
  } else {
    return std::nullopt;
  }
  return output;
}

std::vector<std::string> OutputFiles(const TitleOutput& output) {
  if (output.kind == TitleOutputKind::Pair) return {output.path, output.subcodePath};
  return {output.path};
}

IoStatus WriteTitle(TitleSource& title, const TitleOutput& output, const SinkProgress& progress) {
  const bool withSong = output.kind == TitleOutputKind::Zip || output.kind == TitleOutputKind::Pair;
  const std::string stem = fs::path(output.path).stem().string();
  const std::string songName =
      output.kind == TitleOutputKind::Zip ? stem + SongExtension(output.song) : output.path;
  SongEncoder encoder;
  if (withSong)
    if (IoStatus opened = encoder.Open(output.song, output.bitrate, songName); !opened)
      return opened;

  // A CDG or RWS file is written as it is read; a zip and a pair's subcode
  // are gathered first.
  OutputFile direct;
  if (!withSong)
    if (IoStatus opened = direct.Open(output.path); !opened)
      return IoStatus::Failed(opened.error() + "; " + direct.UnchangedNote());
  std::vector<std::uint8_t> subcode;
  std::vector<std::uint8_t> audio(kBlockSectors * kAudioBytesPerSector);
  std::vector<std::uint8_t> packs(kBlockSectors * kSubcodeBytesPerSector);
  std::vector<std::uint8_t> sectors(kBlockSectors * kCdgSectorSize);
  const std::uint64_t total = title.Sectors() - title.Position();
  std::uint64_t done = 0;
  const auto fail = [&](const std::string& why) {
    direct.Discard();
    return IoStatus::Failed(why);
  };
  while (done < total) {
    const std::uint64_t n = std::min(kBlockSectors, total - done);
    const bool wantAudio = output.kind != TitleOutputKind::Rws;
    if (IoStatus read = title.Read(n, wantAudio ? audio.data() : nullptr, packs.data()); !read)
      return fail(read.error());
    const std::size_t packBytes = static_cast<std::size_t>(n) * kSubcodeBytesPerSector;
    IoStatus written = IoStatus::Ok();
    switch (output.kind) {
      case TitleOutputKind::Cdg:
        for (std::uint64_t i = 0; i < n; ++i) {
          std::memcpy(sectors.data() + i * kCdgSectorSize, audio.data() + i * kAudioBytesPerSector,
                      kAudioBytesPerSector);
          std::memcpy(sectors.data() + i * kCdgSectorSize + kAudioBytesPerSector,
                      packs.data() + i * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
        }
        written = direct.Write(sectors.data(), static_cast<std::size_t>(n) * kCdgSectorSize);
        break;
      case TitleOutputKind::Rws:
        written = direct.Write(packs.data(), packBytes);
        break;
      case TitleOutputKind::Zip:
      case TitleOutputKind::Pair:
        subcode.insert(subcode.end(), packs.begin(), packs.begin() + static_cast<std::ptrdiff_t>(packBytes));
        written = encoder.Write(audio.data(), static_cast<std::size_t>(n) * kAudioBytesPerSector);
        break;
    }
    if (!written) return fail(written.error() + (withSong ? "" : "; " + direct.UnchangedNote()));
    done += n;
    if (progress && progress(done, total))
      return fail("stopped on request; " + (withSong ? "no file was written" : direct.UnchangedNote()));
  }
  if (!withSong) {
    if (IoStatus committed = direct.Commit(); !committed)
      return fail(committed.error() + "; " + direct.UnchangedNote());
    return IoStatus::Ok();
  }
  if (IoStatus closed = encoder.Close(); !closed) return closed;

  if (output.kind == TitleOutputKind::Zip) {
    std::vector<std::uint8_t> archive;
    const std::vector<ZipEntry> entries = {{stem + ".cdg", subcode}, {songName, encoder.Bytes()}};
    if (IoStatus built = BuildStoredZip(entries, archive); !built)
      return IoStatus::Failed("cannot write " + IoStatus::Quoted(output.path) + ": " + built.error());
    return WriteFileAtomically(output.path, archive.data(), archive.size());
  }
  // A pair: both files are complete under temporary names before either
  // takes its own.
  OutputFile song, cdg;
  const auto left = [&] { return song.UnchangedNote() + ", " + cdg.UnchangedNote(); };
  const auto pairFail = [&](const std::string& why) {
    song.Discard();
    cdg.Discard();
    return IoStatus::Failed(why + "; " + left());
  };
  if (IoStatus opened = song.Open(output.path); !opened) return pairFail(opened.error());
  if (IoStatus opened = cdg.Open(output.subcodePath); !opened) return pairFail(opened.error());
  if (IoStatus w = song.Write(encoder.Bytes().data(), encoder.Bytes().size()); !w)
    return pairFail(w.error());
  if (IoStatus w = cdg.Write(subcode.data(), subcode.size()); !w) return pairFail(w.error());
  if (IoStatus committed = cdg.Commit(); !committed) return pairFail(committed.error());
  if (IoStatus committed = song.Commit(); !committed)
    return IoStatus::Failed(committed.error() + "; " + IoStatus::Quoted(output.subcodePath) +
                            " was written, " + song.UnchangedNote());
  return IoStatus::Ok();
}

IoStatus WriteTitle(TitleSource& title, const TitleOutput& output, TJobOwner& owner) {
  owner.Report(kProgressSteps, kTitleSteps);
  const bool cancelledBefore = owner.CancelRequested();
  std::uint64_t shown = 0;
  const IoStatus written =
      WriteTitle(title, output, [&](std::uint64_t done, std::uint64_t total) {
        for (const std::uint64_t now = done * kTitleSteps / total; shown < now; ++shown)
          owner.Report(kProgressStep);
        return !cancelledBefore && owner.CancelRequested();
      });
  if (written) owner.Report(kProgressAllSteps);
  return written;
}

}  // namespace mosaicer
