#include "title/title_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/format_decision.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/unique_fd.h"
#include "title/mp3g_zip.h"

namespace mosaicer {
namespace {

namespace fs = std::filesystem;

// Sectors a CDG file is read in at a time.
constexpr std::uint64_t kCdgBlockSectors = 64;

std::string Quoted(const std::string& path) { return IoStatus::Quoted(path); }

// Splits 2448-byte sectors into their two parts.
void SplitSectors(const std::uint8_t* sectors, std::uint64_t count, std::uint8_t* audio,
                  std::uint8_t* subcode) {
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* sector = sectors + i * kCdgSectorSize;
    if (audio != nullptr)
      std::memcpy(audio + i * kAudioBytesPerSector, sector, kAudioBytesPerSector);
    if (subcode != nullptr)
      std::memcpy(subcode + i * kSubcodeBytesPerSector, sector + kAudioBytesPerSector,
                  kSubcodeBytesPerSector);
  }
}

class CdgFileTitle : public TitleSource {
 public:
  CdgFileTitle(const std::string& path, UniqueFd fd, std::vector<std::uint8_t> memory,
               std::uint64_t size)
      : fd_(std::move(fd)), memory_(std::move(memory)) {
    info_.kind = TitleKind::CdgFile;
    info_.path = path;
    info_.subcodeName = path;
    info_.audioName = path;
    info_.sectors = size / kCdgSectorSize;
    info_.subcodeSectors = info_.sectors;
    info_.audioSectors = info_.sectors;
    info_.audioBytes = info_.sectors * kAudioBytesPerSector;
    info_.trailingBytes = size % kCdgSectorSize;
  }

 protected:
  IoStatus ReadSectors(std::uint64_t first, std::uint64_t count, std::uint8_t* audio,
                       std::uint8_t* subcode) override {
    if (!fd_.valid()) {
      SplitSectors(memory_.data() + first * kCdgSectorSize, count, audio, subcode);
      return IoStatus::Ok();
    }
    block_.resize(std::min(count, kCdgBlockSectors) * kCdgSectorSize);
    while (count > 0) {
      const std::uint64_t n = std::min(count, kCdgBlockSectors);
      int error = 0;
      if (!ReadAllAt(fd_.get(), block_.data(), n * kCdgSectorSize, first * kCdgSectorSize, error)) {
        if (error != 0) return IoStatus::FromErrno("read", info_.path, error);
        return IoStatus::CannotRead(info_.path, Tr("the file ended early"));
      }
      SplitSectors(block_.data(), n, audio, subcode);
      if (audio != nullptr) audio += n * kAudioBytesPerSector;
      if (subcode != nullptr) subcode += n * kSubcodeBytesPerSector;
      first += n;
      count -= n;
    }
    return IoStatus::Ok();
  }

 private:
  UniqueFd fd_;
  std::vector<std::uint8_t> memory_;
  std::vector<std::uint8_t> block_;
};

// Bare subcode in memory and, when there is one, a song decoded as it is
// read.
class JoinedTitle : public TitleSource {
 public:
  JoinedTitle(TitleInfo info, std::vector<std::uint8_t> subcode,
              std::function<AudioOpenResult()> openSong, std::unique_ptr<AudioReader> song)
      : subcode_(std::move(subcode)), openSong_(std::move(openSong)), song_(std::move(song)) {
    info_ = std::move(info);
  }

 protected:
  IoStatus ReadSectors(std::uint64_t first, std::uint64_t count, std::uint8_t* audio,
                       std::uint8_t* subcode) override {
    if (subcode != nullptr) {
      for (std::uint64_t i = 0; i < count; ++i) {
        std::uint8_t* out = subcode + i * kSubcodeBytesPerSector;
        const std::uint64_t k = first + i;
        if (k < info_.subcodeSectors)
          std::memcpy(out, subcode_.data() + k * kSubcodeBytesPerSector, kSubcodeBytesPerSector);
        else
          std::memset(out, 0, kSubcodeBytesPerSector);
      }
    }
    if (audio == nullptr) return IoStatus::Ok();
    const std::uint64_t size = count * kAudioBytesPerSector;
    const std::uint64_t from = std::min(first * kAudioBytesPerSector, info_.audioBytes);
    const std::uint64_t take = std::min(size, info_.audioBytes - from);
    if (take > 0) {
      if (IoStatus moved = MoveSongTo(from); !moved) return moved;
      if (IoStatus read = song_->Read(audio, static_cast<std::size_t>(take)); !read) return read;
      songAt_ += take;
    }
    std::memset(audio + take, 0, static_cast<std::size_t>(size - take));
    return IoStatus::Ok();
  }

 private:
  // The song can only be read forwards: going back opens it again.
  IoStatus MoveSongTo(std::uint64_t byte) {
    if (byte < songAt_ || !song_) {
      AudioOpenResult again = openSong_();
      if (!again.ok()) return IoStatus::Failed(again.error);
      song_ = std::move(again.reader);
      songAt_ = 0;
    }
    std::array<std::uint8_t, kAudioBytesPerSector * 16> scratch;
    while (songAt_ < byte) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(scratch.size(), byte - songAt_));
      if (IoStatus read = song_->Read(scratch.data(), n); !read) return read;
      songAt_ += n;
    }
    return IoStatus::Ok();
  }

  std::vector<std::uint8_t> subcode_;
  std::function<AudioOpenResult()> openSong_;
  std::unique_ptr<AudioReader> song_;
  std::uint64_t songAt_ = 0;  // bytes of the song read so far
};

bool IsSubcodeOrArchiveName(const std::string& extension) {
  const std::string e = LowerAscii(extension);
  return e == ".cdg" || e == ".rws" || e == ".zip" || e == ".bin";
}


}  // namespace

IoStatus TitleSource::Read(std::uint64_t count, std::uint8_t* audio, std::uint8_t* subcode) {
  if (count > info_.sectors - position_)
    return IoStatus::CannotRead(info_.path, Tr("read past the end of the title"));
  if (count == 0) return IoStatus::Ok();
  if (IoStatus read = ReadSectors(position_, count, audio, subcode); !read) return read;
  position_ += count;
  return IoStatus::Ok();
}

IoStatus TitleSource::Seek(std::uint64_t sector) {
  if (sector > info_.sectors)
    return IoStatus::CannotRead(info_.path, Format(Tr("sector %1 is past the end of the title"),
                                                   {std::to_string(sector)}));
  position_ = sector;
  return IoStatus::Ok();
}

bool LooksLikeZip(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::uint8_t head[4] = {};
  int error = 0;
  return fd.valid() && ReadAllAt(fd.get(), head, sizeof head, 0, error) &&
         (std::memcmp(head, kZipLocalHeaderMagic, sizeof head) == 0 ||
          std::memcmp(head, kZipEmptyArchiveMagic, sizeof head) == 0);
}

TitleOpenResult OpenCdgTitle(const std::string& path, bool onMemory) {
  if (IoStatus checked = CheckInputFile(path); !checked) return TitleOpenResult::Refused(checked.error());
  std::vector<std::uint8_t> memory;
  UniqueFd fd(-1);
  std::uint64_t size = 0;
  if (onMemory) {
    if (IoStatus read = ReadWholeFile(path, memory, kMaxTitleInMemory); !read)
      return TitleOpenResult::Refused(read.error());
    size = memory.size();
  } else {
    fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
      return TitleOpenResult::Refused(IoStatus::FromErrno("read", path, errno).error());
    size = static_cast<std::uint64_t>(info.st_size);
  }
  TitleOpenResult result;
  result.source = std::make_unique<CdgFileTitle>(path, std::move(fd), std::move(memory), size);
  return result;
}

TitleOpenResult JoinSubcodeAndSong(TitleInfo info, std::vector<std::uint8_t> subcode,
                                   std::function<AudioOpenResult()> openSong) {
  info.subcodeSectors = subcode.size() / kSubcodeBytesPerSector;
  info.trailingBytes = subcode.size() % kSubcodeBytesPerSector;
  std::unique_ptr<AudioReader> song;
  if (openSong) {
    AudioOpenResult opened = openSong();
    if (!opened.ok()) return TitleOpenResult::Refused(opened.error);
    song = std::move(opened.reader);
    info.audioBytes = song->Bytes();
    info.audioSectors = (info.audioBytes + kAudioBytesPerSector - 1) / kAudioBytesPerSector;
    info.conversion = song->PassesThrough() ? std::string() : song->Conversion();
  }
  info.sectors = std::max(info.subcodeSectors, info.audioSectors);
  if (info.sectors == 0)
    return TitleOpenResult::Refused(
        Format(Tr("%1 is empty: it holds no whole sector"), {Quoted(info.path)}));
  TitleOpenResult result;
  result.source = std::make_unique<JoinedTitle>(std::move(info), std::move(subcode),
                                                std::move(openSong), std::move(song));
  return result;
}

TitleOpenResult OpenSubcodeTitle(const std::string& subcodePath, const std::string& songPath) {
  std::vector<std::uint8_t> subcode;
  if (IoStatus read = ReadWholeFile(subcodePath, subcode, kMaxSubcodeBytes); !read)
    return TitleOpenResult::Refused(read.error());
  TitleInfo info;
  info.kind = songPath.empty() ? TitleKind::Subcode : TitleKind::Pair;
  info.path = subcodePath;
  info.subcodeName = subcodePath;
  info.audioName = songPath;
  std::function<AudioOpenResult()> openSong;
  if (!songPath.empty()) openSong = [songPath] { return OpenAudio(songPath); };
  return JoinSubcodeAndSong(std::move(info), std::move(subcode), std::move(openSong));
}

std::string FindSongBeside(const std::string& subcodePath) {
  const fs::path subcode(subcodePath);
  const fs::path folder = subcode.has_parent_path() ? subcode.parent_path() : fs::path(".");
  const std::string stem = LowerAscii(subcode.stem().string());
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return {};
  std::vector<fs::path> found;
  for (const fs::directory_entry& entry : it) {
    const fs::path name = entry.path().filename();
    if (LowerAscii(name.stem().string()) != stem || !name.has_extension()) continue;
    if (IsSubcodeOrArchiveName(name.extension().string())) continue;
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    found.push_back(name);
  }
  if (found.empty()) return {};
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    const int ra = SongRank(a.extension().string()), rb = SongRank(b.extension().string());
    return ra != rb ? ra < rb : a.string() < b.string();
  });
  return subcode.has_parent_path() ? (folder / found.front()).string() : found.front().string();
}

TitleOpenResult OpenTitle(const std::string& path, const TitleOpenOptions& options) {
  if (IoStatus checked = CheckInputFile(path); !checked) return TitleOpenResult::Refused(checked.error());
  if (LooksLikeZip(path)) return OpenZipTitle(path);
  TitleLayout layout = options.layout;
  if (layout == TitleLayout::Decide) {
    FormatDecision decision = FormatDecision::Undecidable;
    if (IoStatus decided = DecideSubcodeFileFormat(path, decision); !decided)
      return TitleOpenResult::Refused(decided.error());
    switch (decision) {
      case FormatDecision::Rws:
        layout = TitleLayout::Subcode;
        break;
      case FormatDecision::Empty:  // a title of no sector, as a CDG file
      case FormatDecision::Cdg:
      case FormatDecision::Undecidable:
        layout = TitleLayout::Cdg;
        break;
    }
  }
  if (layout == TitleLayout::Cdg) return OpenCdgTitle(path, options.onMemory);
  return OpenSubcodeTitle(path, options.findSong ? FindSongBeside(path) : std::string());
}

int SongRank(const std::string& extension) {
  static constexpr std::array<const char*, 4> kPreferred = {".mp3", ".ogg", ".flac", ".wav"};
  const std::string e = LowerAscii(extension);
  for (std::size_t i = 0; i < kPreferred.size(); ++i)
    if (e == kPreferred[i]) return static_cast<int>(i);
  return static_cast<int>(kPreferred.size());
}

}  // namespace mosaicer
