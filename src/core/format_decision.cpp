#include "core/format_decision.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "platform/unique_fd.h"

namespace mosaicer {
namespace {

static_assert(kFormatSampleWindow % kCdgSectorSize == 0);
static_assert(kFormatSampleWindow % kSubcodeBytesPerSector == 0);
static_assert(kAudioBytesPerSector % kPackSize == 0, "CDG audio spans whole pack slots");

constexpr std::size_t kAudioPackSlots = kAudioBytesPerSector / kPackSize;  // 98

constexpr bool IsInstruction(std::uint8_t symbol) {
  switch (symbol) {
    case kMemoryPreset:
    case kBorderPreset:
    case kLoadTileNor:
    case kScrollPreset:
    case kScrollCopy:
    case kDefTransColor:
    case kLoadClutLo:
    case kLoadClutHi:
    case kLoadTileXor:
      return true;
    default:
      return false;
  }
}

// Whether a correction leaves the pack exactly as it was.
template <typename Correct>
bool Holds(const std::uint8_t* pack, Correct correct) {
  std::uint8_t copy[kPackSize];
  std::memcpy(copy, pack, kPackSize);
  return correct(copy) && std::memcmp(copy, pack, kPackSize) == 0;
}

// Counts of the 24-byte pieces seen at one kind of position.
struct Tally {
  std::uint64_t packs = 0;
  std::uint64_t empty = 0;
  std::uint64_t subcode = 0;  // non-empty and looking like a real pack

  std::uint64_t NonEmpty() const { return packs - empty; }
  // Three in four pieces at least are empty or real packs, so a few packs
  // damaged on the disc do not hide the layout.
  bool LooksLikeSubcode() const { return packs > 0 && (empty + subcode) * 4 >= packs * 3; }
  // Of the pieces that hold anything, three in four at least are packs.
  bool MostlyPacks() const { return NonEmpty() > 0 && subcode * 4 >= NonEmpty() * 3; }
  // Of the pieces that hold anything, fewer than one in four are packs.
  bool MostlyOther() const { return NonEmpty() > 0 && subcode * 4 < NonEmpty(); }
};

class PackLooks {
 public:
  void Add(const std::uint8_t* pack, Tally& tally) const {
    ++tally.packs;
    if (IsEmptyPack(pack)) {
      ++tally.empty;
    } else if (IsRealPack(pack)) {
      ++tally.subcode;
    }
  }

 private:
  // A graphics command with a known instruction; failing that, parity that
  // holds (packs of other modes carry it too, and sound almost never does).
  // Parity is only a hint: many files carry none.
  bool IsRealPack(const std::uint8_t* pack) const {
    if (IsGraphicsPack(pack) && IsInstruction(pack[kInstructionIndex] & kSymbolMask)) return true;
    return Holds(pack, [&](std::uint8_t* p) { return ecc_.CorrectQ(p); }) &&
           Holds(pack, [&](std::uint8_t* p) { return ecc_.CorrectP(p); });
  }

  TSubCodeErrorCorrect ecc_;
};

struct SampleTallies {
  Tally cdgSubcode;  // CDG reading: the 4 packs after each sector's audio
  Tally cdgAudio;    // CDG reading: the 98 pack slots of each sector's audio
  Tally rws;         // RWS reading: every pack
};

SampleTallies TallySample(std::span<const std::uint8_t> sample) {
  const PackLooks looks;
  SampleTallies t;
  for (std::size_t start = 0; start < sample.size(); start += kFormatSampleWindow) {
    const std::size_t size = std::min(kFormatSampleWindow, sample.size() - start);
    const std::uint8_t* window = sample.data() + start;
    for (std::size_t s = 0; s + kCdgSectorSize <= size; s += kCdgSectorSize)
      for (std::size_t p = 0; p < kCdgSectorSize / kPackSize; ++p)
        looks.Add(window + s + p * kPackSize, p < kAudioPackSlots ? t.cdgAudio : t.cdgSubcode);
    for (std::size_t s = 0; s + kSubcodeBytesPerSector <= size; s += kSubcodeBytesPerSector)
      for (std::size_t p = 0; p < kPacksPerSector; ++p)
        looks.Add(window + s + p * kPackSize, t.rws);
  }
  return t;
}

bool IsRwsExtension(std::string_view extension) {
  constexpr std::string_view kRws = ".rws";
  return extension.size() == kRws.size() &&
         std::equal(extension.begin(), extension.end(), kRws.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

// Both layouts fit the size: the audio part of each CDG sector decides.
FormatDecision DecideByContent(const SampleTallies& t) {
  if (t.cdgSubcode.NonEmpty() == 0 && t.cdgAudio.NonEmpty() == 0)
    return FormatDecision::Undecidable;
  // Either layout keeps subcode where CDG does.
  if (!t.cdgSubcode.LooksLikeSubcode()) return FormatDecision::Undecidable;
  if (t.cdgAudio.NonEmpty() == 0) return FormatDecision::Cdg;  // silent audio
  if (t.cdgAudio.MostlyPacks()) return FormatDecision::Rws;
  if (t.cdgAudio.MostlyOther()) return FormatDecision::Cdg;
  return FormatDecision::Undecidable;
}

}  // namespace

FormatDecision DecideSubcodeFormat(std::string_view extension, std::uint64_t fileSize,
                                   std::span<const std::uint8_t> sample) {
  if (fileSize < kSubcodeBytesPerSector) return FormatDecision::Empty;
  if (IsRwsExtension(extension)) return FormatDecision::Rws;
  const bool fitsCdg = fileSize % kCdgSectorSize == 0;
  const bool fitsRws = fileSize % kSubcodeBytesPerSector == 0;
  if (!fitsCdg && !fitsRws) return FormatDecision::Undecidable;
  const SampleTallies t = TallySample(sample);
  if (fitsCdg && fitsRws) return DecideByContent(t);
  if (fitsCdg)
    return t.cdgSubcode.LooksLikeSubcode() ? FormatDecision::Cdg : FormatDecision::Undecidable;
  return t.rws.LooksLikeSubcode() ? FormatDecision::Rws : FormatDecision::Undecidable;
}

IoStatus ReadFormatSample(const std::filesystem::path& path, std::uint64_t& fileSize,
                          std::vector<std::uint8_t>& sample) {
  sample.clear();
  fileSize = 0;
  if (IoStatus s = CheckInputFile(path); !s) return s;
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info;
  if (!file.valid() || ::fstat(file.get(), &info) != 0)
    return IoStatus::FromErrno("read", path, errno);
  if (!S_ISREG(info.st_mode))
    return IoStatus::CannotRead(path, Tr("not a regular file"));
  fileSize = static_cast<std::uint64_t>(info.st_size);

  const std::uint64_t windows = (fileSize + kFormatSampleWindow - 1) / kFormatSampleWindow;
  const std::uint64_t taken = std::min<std::uint64_t>(windows, kFormatSampleWindows);
  sample.reserve(static_cast<std::size_t>(taken) * kFormatSampleWindow);
  for (std::uint64_t i = 0; i < taken; ++i) {
    // The first and the last window always, the rest evenly between.
    const std::uint64_t index = taken == 1 ? 0 : i * (windows - 1) / (taken - 1);
    std::uint8_t window[kFormatSampleWindow];
    std::size_t got = 0;
    while (got < sizeof window) {
      const ssize_t n = ::pread(file.get(), window + got, sizeof window - got,
                                static_cast<off_t>(index * kFormatSampleWindow + got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int code = errno;
        sample.clear();
        return IoStatus::FromErrno("read", path, code);
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    sample.insert(sample.end(), window, window + got);
    if (got < sizeof window) break;  // the end of the file: only the last window may be short
  }
  return IoStatus::Ok();
}

IoStatus DecideSubcodeFileFormat(const std::filesystem::path& path, FormatDecision& decision) {
  decision = FormatDecision::Undecidable;
  std::uint64_t fileSize = 0;
  std::vector<std::uint8_t> sample;
  if (IoStatus s = ReadFormatSample(path, fileSize, sample); !s) return s;
  decision = DecideSubcodeFormat(path.extension().string(), fileSize, sample);
  return IoStatus::Ok();
}

}  // namespace mosaicer
