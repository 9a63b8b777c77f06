#include "core/format_decision.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "support/language_scope.h"
#include "support/pack_stream.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using Bytes = std::string;

// Graphics packs as an MP3+G file carries them: known instructions, random
// data, with or without parity; every third pack empty.
Bytes PackStream(int sectors, bool parity, unsigned seed) {
  static constexpr std::uint8_t kInstructions[] = {kLoadTileNor, kLoadTileXor, kMemoryPreset,
                                                   kLoadClutLo, kScrollPreset};
  TSubCodeErrorCorrect ecc;
  std::mt19937 rng(seed);
  Bytes bytes(static_cast<std::size_t>(sectors) * kSubcodeBytesPerSector, '\0');
  for (std::size_t p = 0; p < bytes.size() / kPackSize; ++p) {
    if (p % 3 == 2) continue;
    auto* pack = reinterpret_cast<std::uint8_t*>(bytes.data() + p * kPackSize);
    pack[kCommandIndex] = kCommandGraphics;
    pack[kInstructionIndex] = kInstructions[rng() % std::size(kInstructions)];
    for (std::size_t i = kDataIndex; i < kDataIndex + kDataSize; ++i)
      pack[i] = static_cast<std::uint8_t>(rng() & kSymbolMask);
    if (parity) {
      ecc.ComputeQ(pack);
      ecc.ComputeP(pack);
    }
  }
  return bytes;
}

// A CDG file: each sector's subcode from `subcode` after a sector of noisy
// audio, or of silence.
Bytes CdgFile(const Bytes& subcode, bool silent = false) {
  Bytes bytes = testing::CdgOf(subcode);
  for (std::size_t at = 0; silent && at < bytes.size(); at += kCdgSectorSize)
    std::fill_n(bytes.begin() + at, kAudioBytesPerSector, '\0');
  return bytes;
}

using testing::AudioBytes;  // noise

// These files are shorter than a sample: the sample is the whole file.
FormatDecision Decide(const char* extension, const Bytes& file) {
  return DecideSubcodeFormat(extension, file.size(),
                             {reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
}

TEST(FormatDecision, ContentDecidesWhenTheSizeFitsBothLayouts) {
  // 765 sectors of 96 bytes are exactly 30 of 2448.
  const Bytes rws = testing::PresetStream(765);
  ASSERT_EQ(rws.size() % kCdgSectorSize, 0u);
  const Bytes mp3g = PackStream(765, false, 1);
  const Bytes tone = CdgFile(PackStream(30, true, 2));
  const Bytes toneNoParity = CdgFile(PackStream(30, false, 3));
  const Bytes silent = CdgFile(PackStream(30, false, 4), true);
  ASSERT_EQ(tone.size(), rws.size());
  const std::tuple<const char*, const char*, const Bytes&, FormatDecision> cases[] = {
      {"rws named .cdg", ".cdg", rws, FormatDecision::Rws},
      {"rws with no extension", "", rws, FormatDecision::Rws},
      {"mp3+g packs without parity", ".cdg", mp3g, FormatDecision::Rws},
      {"cdg with sound", ".cdg", tone, FormatDecision::Cdg},
      {"cdg with sound, no parity", ".CDG", toneNoParity, FormatDecision::Cdg},
      {"cdg with silent audio", ".bin", silent, FormatDecision::Cdg},
      {"cdg named .rws", ".rws", tone, FormatDecision::Rws},
  };
  for (const auto& [name, extension, file, expected] : cases)
    EXPECT_EQ(Decide(extension, file), expected) << name;
}

TEST(FormatDecision, SizeFittingOneLayoutNeedsContentThatFitsIt) {
  const Bytes cdg31 = CdgFile(PackStream(31, true, 5));  // 31 × 2448: not whole RWS sectors
  ASSERT_NE(cdg31.size() % kSubcodeBytesPerSector, 0u);
  const Bytes mp3g = PackStream(300, false, 6);  // 28 800 bytes: not whole CDG sectors
  ASSERT_NE(mp3g.size() % kCdgSectorSize, 0u);
  const std::tuple<const char*, Bytes, FormatDecision> cases[] = {
      {"cdg of an odd sector count", cdg31, FormatDecision::Cdg},
      {"mp3+g packs", mp3g, FormatDecision::Rws},
      {"random, cdg size", AudioBytes(31 * kCdgSectorSize, 7), FormatDecision::Undecidable},
      {"random, rws size", AudioBytes(300 * kSubcodeBytesPerSector, 8),
       FormatDecision::Undecidable},
      {"zeros, rws size", Bytes(300 * kSubcodeBytesPerSector, '\0'), FormatDecision::Rws},
      {"zeros, cdg size", Bytes(31 * kCdgSectorSize, '\0'), FormatDecision::Cdg},
      {"size fits neither", Bytes(kCdgSectorSize + 1, '\0'), FormatDecision::Undecidable},
      // Nothing to go by.
      {"random, both sizes", AudioBytes(30 * kCdgSectorSize, 9), FormatDecision::Undecidable},
      {"zeros, both sizes", Bytes(30 * kCdgSectorSize, '\0'), FormatDecision::Undecidable},
      {"0x09 bytes, both sizes", Bytes(30 * kCdgSectorSize, '\x09'), FormatDecision::Undecidable},
  };
  for (const auto& [name, file, expected] : cases)
    EXPECT_EQ(Decide(".cdg", file), expected) << name;
}

TEST(FormatDecision, SubcodeAtTheWrongPlaceOfTheSectorIsNotCdg) {
  // Subcode first, then audio: where CDG keeps subcode there is sound.
  const Bytes right = CdgFile(PackStream(31, true, 10));
  Bytes moved = right;
  for (std::size_t s = 0; s + kCdgSectorSize <= right.size(); s += kCdgSectorSize)
    std::rotate(moved.begin() + s, moved.begin() + s + kAudioBytesPerSector,
                moved.begin() + s + kCdgSectorSize);
  EXPECT_EQ(Decide(".cdg", right), FormatDecision::Cdg);
  EXPECT_EQ(Decide(".cdg", moved), FormatDecision::Undecidable);

  // A few damaged packs do not hide the layout; a quarter of them do.
  Bytes damaged = CdgFile(PackStream(31, false, 11));
  for (std::size_t s = 0; s < 31; s += 5) damaged[s * kCdgSectorSize + kAudioBytesPerSector] = 0x3F;
  EXPECT_EQ(Decide(".cdg", damaged), FormatDecision::Cdg);
  for (std::size_t s = 0; s < 31; ++s)
    for (std::size_t p = 0; p < 2; ++p)
      damaged[s * kCdgSectorSize + kAudioBytesPerSector + p * kPackSize] = 0x3F;
  EXPECT_EQ(Decide(".cdg", damaged), FormatDecision::Undecidable);
}

TEST(FormatDecisionFile, ReadsASpreadSampleAndNamesTheFileOnFailure) {
  // The reasons are checked in English words.
  testing::LanguageScope english(Language::English);
  testing::TempDir dir;
  // Long enough that the sample skips most windows.
  const Bytes longRws = testing::PresetStream(51 * 200);
  const Bytes longCdg = CdgFile(PackStream(2 * 100, true, 13));
  FormatDecision decision = FormatDecision::Empty;
  ASSERT_TRUE(DecideSubcodeFileFormat(dir.Write("long.cdg", longRws), decision));
  EXPECT_EQ(decision, FormatDecision::Rws);
  ASSERT_TRUE(DecideSubcodeFileFormat(dir.Write("song.bin", longCdg), decision));
  EXPECT_EQ(decision, FormatDecision::Cdg);
  ASSERT_TRUE(DecideSubcodeFileFormat(dir.Write("empty.cdg", ""), decision));
  EXPECT_EQ(decision, FormatDecision::Empty);

  std::uint64_t size = 0;
  std::vector<std::uint8_t> sample;  // of pack bytes, below 0x80 as chars too
  ASSERT_TRUE(ReadFormatSample(dir.File("long.cdg"), size, sample));
  EXPECT_EQ(size, longRws.size());
  // Windows spread from the first to the last.
  ASSERT_EQ(sample.size(), kFormatSampleWindows * kFormatSampleWindow);
  EXPECT_TRUE(std::equal(sample.begin(), sample.begin() + kFormatSampleWindow, longRws.begin()));
  EXPECT_TRUE(std::equal(sample.end() - kFormatSampleWindow, sample.end(),
                         longRws.end() - kFormatSampleWindow));

  for (const auto& [path, says] :
       {std::pair<std::string, const char*>{dir.File("gone.cdg"), "not found"},
        {dir.path().string(), "folder"},
        {"/dev/zero", "not a regular file"}}) {
    const IoStatus failed = DecideSubcodeFileFormat(path, decision);
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.error().find(path), std::string::npos) << failed.error();
    EXPECT_NE(failed.error().find(says), std::string::npos) << failed.error();
  }
}

}  // namespace
}  // namespace mosaicer
