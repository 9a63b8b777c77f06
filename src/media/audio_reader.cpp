#include "media/audio_reader.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "media/media_messages.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/unique_fd.h"

namespace mosaicer {
namespace {

constexpr int kCdChannels = 2;
constexpr int kCdBits = 16;
// Source frames decoded at a time.
constexpr std::size_t kChunkFrames = 8192;
// Full scale of a 16-bit sample: samples are read as doubles in -1 .. 1
// (libsndfile divides 16-bit samples by 32768, 24-bit by 2^23, ...).
constexpr double kFullScale = 32768.0;
constexpr double kMinSample = -32768.0;
constexpr double kMaxSample = 32767.0;
// How much a centre channel gives to each side when mixing down: -3 dB.
constexpr double kCentreWeight = 0.70710678118654752;
// The longest song a CDG file can carry: its audio bytes are 32-bit.
constexpr std::uint64_t kMaxAudioBytes = UINT32_MAX;

std::string Quoted(const std::string& path) { return IoStatus::Quoted(path); }

// Bytes every file of a kind libsndfile reads begins with, to tell a damaged
// song from a file that is no song at all.
bool LooksLikeAudio(const std::uint8_t* bytes, std::size_t size) {
  std::uint8_t head[4] = {};
  if (size < sizeof head) return false;
  std::memcpy(head, bytes, sizeof head);
  auto is = [&](const char* id) { return std::memcmp(head, id, 4) == 0; };
  constexpr std::uint8_t kMpegSync = 0xFF;
  constexpr std::uint8_t kMpegSyncMask = 0xE0;
  return is("RIFF") || is("RF64") || is("FORM") || is("fLaC") || is("OggS") ||
         std::memcmp(head, "ID3", 3) == 0 || (head[0] == kMpegSync && (head[1] & kMpegSyncMask) == kMpegSyncMask);
}

bool LooksLikeAudio(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::uint8_t head[4] = {};
  int error = 0;
  if (!fd.valid() || !ReadAllAt(fd.get(), head, sizeof head, 0, error)) return false;
  return LooksLikeAudio(head, sizeof head);
}

// A song held in memory, read by libsndfile through its virtual I/O.
struct MemoryStream {
  std::shared_ptr<const std::vector<std::uint8_t>> bytes;
  sf_count_t position = 0;

  static MemoryStream& Of(void* user) { return *static_cast<MemoryStream*>(user); }
  static SF_VIRTUAL_IO Io() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) -> sf_count_t {
      return static_cast<sf_count_t>(Of(user).bytes->size());
    };
    io.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
      MemoryStream& s = Of(user);
      const sf_count_t size = static_cast<sf_count_t>(s.bytes->size());
      const sf_count_t base = whence == SEEK_CUR ? s.position : whence == SEEK_END ? size : 0;
      if (offset < -base || offset > size - base) return -1;
      s.position = base + offset;
      return s.position;
    };
    io.read = [](void* out, sf_count_t count, void* user) -> sf_count_t {
      MemoryStream& s = Of(user);
      const sf_count_t size = static_cast<sf_count_t>(s.bytes->size());
      const sf_count_t n = std::clamp<sf_count_t>(count, 0, size - s.position);
      std::memcpy(out, s.bytes->data() + s.position, static_cast<std::size_t>(n));
      s.position += n;
      return n;
    };
    io.write = [](const void*, sf_count_t, void*) -> sf_count_t { return 0; };
    io.tell = [](void* user) -> sf_count_t { return Of(user).position; };
    return io;
  }
};

// A CD-format WAV's data chunk, passed on as it is.
class PassThroughReader : public AudioReader {
 public:
  PassThroughReader(std::string path, UniqueFd fd, const WaveInfo& wave)
      : path_(std::move(path)), fd_(std::move(fd)) {
    wave_ = wave;
  }

  IoStatus Read(std::uint8_t* out, std::size_t size) override {
    if (size > Bytes() - position_) return PastTheEnd();
    int error = 0;
    if (!ReadAllAt(fd_.get(), out, size, wave_.dataOffset + position_, error)) {
      if (error != 0) return IoStatus::FromErrno("read", path_, error);
      return IoStatus::CannotRead(path_, Tr("the file ends before the audio its header announces"));
    }
    position_ += size;
    return IoStatus::Ok();
  }

 private:
  IoStatus PastTheEnd() const {
    return IoStatus::CannotRead(path_, Tr("read past the end of its audio"));
  }

  std::string path_;
  UniqueFd fd_;
  std::uint64_t position_ = 0;
};

// How much each source channel gives to the left and the right.
struct ChannelWeights {
  std::vector<double> left, right;
};

ChannelWeights MixWeights(SNDFILE* file, int channels) {
  ChannelWeights w;
  w.left.assign(static_cast<std::size_t>(channels), 0.0);
  w.right.assign(static_cast<std::size_t>(channels), 0.0);
  if (channels == 1) {
    w.left[0] = w.right[0] = 1.0;
    return w;
  }
  std::vector<int> map(static_cast<std::size_t>(channels), SF_CHANNEL_MAP_INVALID);
  const bool mapped =
      channels > 2 && sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(),
                                 static_cast<int>(map.size() * sizeof(int))) == SF_TRUE;
  for (int c = 0; c < channels; ++c) {
    const std::size_t i = static_cast<std::size_t>(c);
    // Without a map (and always for stereo), even channels are left and odd
    // ones right, as WAV, FLAC and AIFF order their front pairs.
    int position = c % 2 == 0 ? SF_CHANNEL_MAP_LEFT : SF_CHANNEL_MAP_RIGHT;
    if (mapped && map[i] != SF_CHANNEL_MAP_INVALID) position = map[i];
    switch (position) {
      case SF_CHANNEL_MAP_LEFT:
      case SF_CHANNEL_MAP_FRONT_LEFT:
      case SF_CHANNEL_MAP_REAR_LEFT:
      case SF_CHANNEL_MAP_SIDE_LEFT:
      case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
      case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
      case SF_CHANNEL_MAP_TOP_REAR_LEFT:
        w.left[i] = 1.0;
        break;
      case SF_CHANNEL_MAP_RIGHT:
      case SF_CHANNEL_MAP_FRONT_RIGHT:
      case SF_CHANNEL_MAP_REAR_RIGHT:
      case SF_CHANNEL_MAP_SIDE_RIGHT:
      case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
      case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
      case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
        w.right[i] = 1.0;
        break;
      case SF_CHANNEL_MAP_LFE:
        break;
      default:  // centre, mono and anything without a side
        w.left[i] = w.right[i] = kCentreWeight;
        break;
    }
  }
  // A sound present in every channel keeps its level.
  auto normalise = [](std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    if (sum > 0)
      for (double& x : v) x /= sum;
  };
  if (channels > 2) {
    normalise(w.left);
    normalise(w.right);
  }
  return w;
}

std::string KindName(int format) {
  switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
      return "";
    case SF_FORMAT_AIFF:
      return "AIFF ";
    case SF_FORMAT_FLAC:
      return "FLAC ";
    case SF_FORMAT_OGG:
      return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "Opus " : "Ogg Vorbis ";
    case SF_FORMAT_MPEG:
      return "MP3 ";
    default:
      return "";
  }
}

// "24-bit ", "32-bit float ", or nothing for compressed samples.
std::string DepthName(int format) {
  auto bits = [](int n, const char* what) { return std::to_string(n) + what + " "; };
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
      return bits(8, media_text::kBit);
    case SF_FORMAT_PCM_16:
      return bits(16, media_text::kBit);
    case SF_FORMAT_PCM_24:
      return bits(24, media_text::kBit);
    case SF_FORMAT_PCM_32:
      return bits(32, media_text::kBit);
    case SF_FORMAT_FLOAT:
      return bits(32, media_text::kFloat);
    case SF_FORMAT_DOUBLE:
      return bits(64, media_text::kFloat);
    default:
      return "";
  }
}

std::string ChannelsName(int channels) {
  if (channels == 1) return Tr(media_text::kMono);
  if (channels == 2) return Tr(media_text::kStereo);
  return Format(Tr(media_text::kChannels), {std::to_string(channels)});
}

std::string ConversionText(const SF_INFO& info) {
  return KindName(info.format) + std::to_string(info.samplerate) + " Hz " +
         DepthName(info.format) + ChannelsName(info.channels) + media_text::kConversionArrow +
         std::to_string(kCdAudioSampleRate) + " Hz " + std::to_string(kCdBits) + media_text::kBit +
         " " + Tr(media_text::kStereo);
}

std::int16_t ToSample(double x) {
  const double scaled = std::nearbyint(x * kFullScale);
  return static_cast<std::int16_t>(std::clamp(scaled, kMinSample, kMaxSample));
}

class SndFileCloser {
 public:
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

class SoxrDeleter {
 public:
  void operator()(soxr_t resampler) const { soxr_delete(resampler); }
};
using SoxrPtr = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDeleter>;

// Anything libsndfile reads, converted to CD audio as it is read.
class ConvertingReader : public AudioReader {
 public:
  ConvertingReader(std::string path, std::shared_ptr<void> source, SndFilePtr file,
                   const SF_INFO& info, std::int64_t frames, std::uint64_t outFrames,
                   SoxrPtr resampler)
      : path_(std::move(path)),
        source_(std::move(source)),
        file_(std::move(file)),
        info_(info),
        sourceFrames_(frames),
        resampler_(std::move(resampler)),
        weights_(MixWeights(file_.get(), info.channels)) {
    wave_.channels = kCdChannels;
    wave_.bitsPerSample = kCdBits;
    wave_.sampleRate = kCdAudioSampleRate;
    wave_.dataOffset = 0;
    wave_.converted = true;
    wave_.dataSize = static_cast<std::uint32_t>(outFrames * kCdFrameBytes);
    conversion_ = ConversionText(info);
    decoded_.resize(kChunkFrames * static_cast<std::size_t>(info.channels));
    stereo_.resize(kChunkFrames * kCdChannels);
  }

  IoStatus Read(std::uint8_t* out, std::size_t size) override {
    if (size > Bytes() - delivered_)
      return IoStatus::CannotRead(path_, Tr("read past the end of its audio"));
    while (size > 0) {
      if (pendingAt_ == pending_.size()) {
        pending_.clear();
        pendingAt_ = 0;
        if (IoStatus made = Produce(); !made) return made;
      }
      if (pending_.empty()) {
        // The source gave less than its announced length: silence to the end.
        std::memset(out, 0, size);
        delivered_ += size;
        return IoStatus::Ok();
      }
      const std::size_t n = std::min(size, pending_.size() - pendingAt_);
      std::memcpy(out, pending_.data() + pendingAt_, n);
      pendingAt_ += n;
      out += n;
      size -= n;
      delivered_ += n;
    }
    return IoStatus::Ok();
  }

 private:
  // Decodes the next chunk into pending_; leaves it empty at the end.
  IoStatus Produce() {
    if (ended_) return IoStatus::Ok();
    const sf_count_t got = sf_readf_double(file_.get(), decoded_.data(), kChunkFrames);
    if (got < 0 || sf_error(file_.get()) != SF_ERR_NO_ERROR) return Damaged(sf_strerror(file_.get()));
    if (got == 0) {
      // MP3 lengths can be estimates; every other kind states its length.
      const bool estimated = (info_.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
      if (framesRead_ < sourceFrames_ && !estimated)
        return Damaged("the audio ends before its announced length");
      ended_ = true;
      if (resampler_) return Resample(nullptr, 0);
      return IoStatus::Ok();
    }
    framesRead_ += got;
    const std::size_t frames = static_cast<std::size_t>(got);
    const std::size_t channels = static_cast<std::size_t>(info_.channels);
    for (std::size_t f = 0; f < frames; ++f) {
      const double* in = decoded_.data() + f * channels;
      double left = 0, right = 0;
      if (channels == 2) {
        left = in[0];
        right = in[1];
      } else {
        for (std::size_t c = 0; c < channels; ++c) {
          left += weights_.left[c] * in[c];
          right += weights_.right[c] * in[c];
        }
      }
      stereo_[2 * f] = left;
      stereo_[2 * f + 1] = right;
    }
    if (resampler_) return Resample(stereo_.data(), frames);
    Append(stereo_.data(), frames);
    return IoStatus::Ok();
  }

  // Passes `frames` stereo frames (none: the end) through the resampler.
  IoStatus Resample(const double* in, std::size_t frames) {
    const double ratio = static_cast<double>(kCdAudioSampleRate) / info_.samplerate;
    const std::size_t room = static_cast<std::size_t>(std::ceil(kChunkFrames * ratio)) + kChunkFrames;
    resampled_.resize(room * kCdChannels);
    std::size_t used = 0;
    for (;;) {
      std::size_t done = 0, made = 0;
      const soxr_error_t error =
          soxr_process(resampler_.get(), in != nullptr ? in + used * kCdChannels : nullptr,
                       frames - used, &done, resampled_.data(), room, &made);
      if (error != nullptr) return Damaged(error);
      used += done;
      Append(resampled_.data(), made);
      if (in == nullptr ? made == 0 : used >= frames && made < room) return IoStatus::Ok();
    }
  }

  void Append(const double* stereo, std::size_t frames) {
    const std::size_t at = pending_.size();
    pending_.resize(at + frames * kCdFrameBytes);
    std::uint8_t* out = pending_.data() + at;
    for (std::size_t i = 0; i < frames * kCdChannels; ++i) {
      const auto sample = static_cast<std::uint16_t>(ToSample(stereo[i]));
      out[2 * i] = static_cast<std::uint8_t>(sample);
      out[2 * i + 1] = static_cast<std::uint8_t>(sample >> CHAR_BIT);
    }
  }

  IoStatus Damaged(const std::string& what) const {
    const double seconds = static_cast<double>(framesRead_) / info_.samplerate;
    char at[32];
    std::snprintf(at, sizeof at, "%.1f", seconds);
    return IoStatus::Failed(Format(Tr(media_text::kDamagedAt), {Quoted(path_), at, what}));
  }

  std::string path_;
  std::shared_ptr<void> source_;  // what a file in memory reads from; outlives file_
  SndFilePtr file_;
  SF_INFO info_;
  std::int64_t sourceFrames_;
  SoxrPtr resampler_;
  ChannelWeights weights_;
  std::vector<double> decoded_, stereo_, resampled_;
  std::vector<std::uint8_t> pending_;
  std::size_t pendingAt_ = 0;
  std::uint64_t delivered_ = 0;
  std::int64_t framesRead_ = 0;
  bool ended_ = false;
};

// Frames of a file that does not state its length, counted by decoding it;
// the file is left at its start. -1 when it cannot be read to its end.
std::int64_t CountFrames(SNDFILE* file, int channels) {
  std::vector<double> buffer(kChunkFrames * static_cast<std::size_t>(channels));
  std::int64_t total = 0;
  for (;;) {
    const sf_count_t got = sf_readf_double(file, buffer.data(), kChunkFrames);
    if (got < 0 || sf_error(file) != SF_ERR_NO_ERROR) return -1;
    if (got == 0) break;
    total += got;
  }
  if (sf_seek(file, 0, SEEK_SET) != 0) return -1;
  return total;
}

AudioOpenResult Failure(std::string message) {
  AudioOpenResult result;
  result.error = std::move(message);
  return result;
}

AudioOpenResult OpenDecoded(const std::string& path, std::shared_ptr<void> source, SndFilePtr file,
                            SF_INFO info);

}  // namespace

namespace {

// "m:ss" of the song's whole seconds.
std::string MinutesAndSeconds(const AudioReader& reader) {
  const std::uint64_t seconds = reader.Bytes() / (kCdFrameBytes * kCdAudioSampleRate);
  constexpr std::uint64_t kSecondsPerMinute = 60;
  char length[32];
  std::snprintf(length, sizeof length, "%llu:%02llu",
                static_cast<unsigned long long>(seconds / kSecondsPerMinute),
                static_cast<unsigned long long>(seconds % kSecondsPerMinute));
  return length;
}

}  // namespace

std::string SongSummary(const AudioReader& reader) {
  const std::string length = MinutesAndSeconds(reader);
  if (reader.PassesThrough()) return length;
  return length + " (" + reader.Conversion() + ")";
}

std::string SongLengthText(const AudioReader& reader) {
  std::string text = Format(Tr("Length %1 (%2 sectors)"),
                            {MinutesAndSeconds(reader), std::to_string(reader.Sectors())});
  if (!reader.PassesThrough()) text += "\n" + Format(Tr("Converted: %1"), {reader.Conversion()});
  return text;
}

AudioOpenResult OpenAudio(const std::string& path) {
  if (IoStatus s = CheckInputFile(path); !s) return Failure(s.error());

  WaveInfo wave;
  if (ReadWaveInfo(path, wave) == 1 && wave.IsCdAudio()) {
    if (!wave.HasAudio())
      return Failure(Format(Tr(media_text::kEmptyWave), {Quoted(path)}));
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return Failure(IoStatus::FromErrno("read", path, errno).error());
    AudioOpenResult result;
    result.reader = std::make_unique<PassThroughReader>(path, std::move(fd), wave);
    return result;
  }

  SF_INFO info{};
  SndFilePtr file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) {
    if (!LooksLikeAudio(path)) return Failure(Format(Tr(media_text::kNotASong), {Quoted(path)}));
    return Failure(Format(Tr(media_text::kDamaged), {Quoted(path), sf_strerror(nullptr)}));
  }
  return OpenDecoded(path, nullptr, std::move(file), info);
}

AudioOpenResult OpenAudioBytes(const std::string& name,
                               std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
  auto stream = std::make_shared<MemoryStream>();
  stream->bytes = std::move(bytes);
  if (!stream->bytes || stream->bytes->empty()) return Failure(Quoted(name) + media_text::kNoAudio);
  SF_VIRTUAL_IO io = MemoryStream::Io();
  SF_INFO info{};
  SndFilePtr file(sf_open_virtual(&io, SFM_READ, &info, stream.get()));
  if (!file) {
    if (!LooksLikeAudio(stream->bytes->data(), stream->bytes->size()))
      return Failure(Quoted(name) + media_text::kNotASong);
    return Failure(Quoted(name) + media_text::kDamaged + sf_strerror(nullptr));
  }
  return OpenDecoded(name, std::move(stream), std::move(file), info);
}

namespace {

AudioOpenResult OpenDecoded(const std::string& path, std::shared_ptr<void> source, SndFilePtr file,
                            SF_INFO info) {
  if (info.channels <= 0 || info.samplerate <= 0)
    return Failure(
        Format(Tr(media_text::kDamaged), {Quoted(path), "no channels or no sample rate"}));
  // Read floating-point samples past full scale as they are, to be clipped
  // when they become 16-bit.
  sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_FALSE);

  std::int64_t frames = info.frames;
  constexpr sf_count_t kUnknownLength = SF_COUNT_MAX;
  if (frames < 0 || frames == kUnknownLength) frames = CountFrames(file.get(), info.channels);
  if (frames < 0)
    return Failure(Format(Tr(media_text::kDamaged), {Quoted(path), sf_strerror(file.get())}));
  if (frames == 0) return Failure(Format(Tr(media_text::kNoAudio), {Quoted(path)}));

  // round(frames x 44100 / rate), in integers: no overflow below 2^40 frames.
  const std::uint64_t rate = static_cast<std::uint64_t>(info.samplerate);
  const std::uint64_t outFrames =
      (static_cast<std::uint64_t>(frames) * kCdAudioSampleRate + rate / 2) / rate;
  if (outFrames == 0) return Failure(Format(Tr(media_text::kNoAudio), {Quoted(path)}));
  if (static_cast<std::uint64_t>(frames) > (std::uint64_t{1} << 40) ||
      outFrames * kCdFrameBytes > kMaxAudioBytes)
    return Failure(Format(Tr(media_text::kSongTooLong), {Quoted(path)}));

  SoxrPtr resampler;
  if (rate != kCdAudioSampleRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    resampler.reset(soxr_create(static_cast<double>(rate), kCdAudioSampleRate, kCdChannels, &error,
                                &io, &quality, nullptr));
    if (error != nullptr || !resampler)
      return Failure(Format(Tr(media_text::kCannotConvert),
                            {Quoted(path), error ? error : "resampler failed"}));
  }
  AudioOpenResult result;
  result.reader = std::make_unique<ConvertingReader>(path, std::move(source), std::move(file), info,
                                                     frames, outFrames, std::move(resampler));
  return result;
}

}  // namespace

}  // namespace mosaicer
