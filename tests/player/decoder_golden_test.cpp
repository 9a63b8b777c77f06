// Golden frames of the decoder on a stream that uses every instruction
// (tests/data/every_instruction.rws, made by make_every_instruction.py). The
// inner areas of the frames without fine scroll offsets were checked pixel
// by pixel against FFmpeg's CD+G decoder (scripts/check_decoder_with_ffmpeg.sh)
// before their checksums were pinned here; any change to what the decoder
// draws shows as a changed checksum.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/subcode_pack.h"
#include "player/cdg_canvas.h"
#include "player/cdg_decoder.h"

namespace mosaicer {
namespace {

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

// After `sectors`, the checksums of the 300 x 216 snapshot and of the
// 600 x 432 one with the scroll offsets applied.
struct Golden {
  std::uint64_t sectors, plain, scaled;
};

TEST(DecoderGolden, EveryInstructionGivesThePinnedFrames) {
  std::ifstream in(MOSAICER_TEST_DATA "/every_instruction.rws", std::ios::binary);
  const std::string stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(!stream.empty() && stream.size() % kSubcodeBytesPerSector == 0);

  // The sectors are those of every_instruction.txt: after the presets and
  // colour tables, the normal tiles, the XOR tiles, scroll presets and
  // copies with coarse moves, a fine offset by copy and by preset (memory
  // unchanged, the scaled frame moves), transparency with a new colour table,
  // and a repeated memory preset.
  const Golden golden[] = {
      {1, 0x3d817cae85c11906, 0xff0095a1b22fdac0},
      {76, 0x604516a59d84e89b, 0x4d5a9c28ed99d924},
      {172, 0x0cb31f421f6dff7a, 0xf0599fc127ff08dc},
      {174, 0x626d9ce5a2b0fa01, 0x47df032918a92058},
      {176, 0xfc204ad1ba5c039f, 0x2d1612bbf1b1429c},
      {177, 0xfc204ad1ba5c039f, 0xb360b0f3b2550c10},
      {178, 0x61bcbb2409371712, 0xf7409cd1e46fa1dc},
      {189, 0x514e00ab6f8e73ac, 0x71ec9de92acddfa0},
      {190, 0x5f2e5195ebba47d4, 0x711c9750fb03df90},
  };
  RgbCanvas screen(kScreenWidth, kScreenHeight);
  TNkCdgDecoder decoder;
  ASSERT_TRUE(decoder.Attach(&screen));
  std::uint64_t done = 0;
  for (const Golden& g : golden) {
    SCOPED_TRACE(g.sectors);
    for (; done < g.sectors; ++done)
      ASSERT_TRUE(decoder.Decode(reinterpret_cast<const std::uint8_t*>(stream.data()) + done * kSubcodeBytesPerSector, kPacksPerSector));
    std::ostringstream plain, scaled;
    ASSERT_TRUE(decoder.SaveBitmap(plain));
    ASSERT_TRUE(decoder.SaveBitmapScaled(600, 432, scaled));
    EXPECT_EQ(Fnv1a(plain.str()), g.plain) << std::hex << "0x" << Fnv1a(plain.str());
    EXPECT_EQ(Fnv1a(scaled.str()), g.scaled) << std::hex << "0x" << Fnv1a(scaled.str());
  }
}

}  // namespace
}  // namespace mosaicer
