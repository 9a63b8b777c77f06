#include "player/disk_out.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/disk_full.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using namespace testing;

TEST(TDiskOut, OneSecondOfCdAudioHasItsExactHeader) {
  TempDir dir;
  const std::string file = dir.File("second.wav");
  const std::string audio = AudioBytes(176400);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(audio.data());
  TDiskOut out;
  ASSERT_TRUE(out.SetDevice(file));
  ASSERT_TRUE(out.Open());
  // Written in uneven pieces, as a caller's steps may come.
  ASSERT_TRUE(out.Write(bytes, 1000));
  ASSERT_TRUE(out.Write(bytes + 1000, 176400 - 1000));
  ASSERT_TRUE(out.Close());
  EXPECT_EQ(ReadFile(file), CdWave(audio));
}

TEST(TDiskOut, FormatGoesIntoTheHeaderIsFixedWhileOpenAndADroppedOutputIsCompleted) {
  TempDir dir;
  const std::string file = dir.File("mono.wav");
  {
    TDiskOut out;
    ASSERT_TRUE(out.SetFormat(1, 8, 22050));
    ASSERT_TRUE(out.SetDevice(file) && out.Open());
    EXPECT_FALSE(out.SetFormat(2, 16, 44100));
    EXPECT_FALSE(out.SetDevice(dir.File("other.wav")));
    EXPECT_FALSE(out.ConfigBuffers(1, 1));
    const std::uint8_t frame[4] = {1, 2, 3, 4};
    ASSERT_TRUE(out.Write(frame, sizeof frame));
  }  // destroyed while open
  EXPECT_EQ(ReadFile(file), Riff(Chunk("fmt ", PcmFormat(1, 22050, 8)) + Chunk("data", "\1\2\3\4")));
}

TEST(TDiskOut, AFullDiskFailsAndLeavesTheOldFile) {
  TempDir dir;
  const std::string file = dir.Write("old.wav", "old");
  TDiskOut out;
  ASSERT_TRUE(out.SetDevice(file));
  DiskFullAfter full(100 * 1024);
  ASSERT_TRUE(out.Open());
  const std::string block(64 * 1024, '\1');
  bool written = true;
  for (int i = 0; i < 8 && written; ++i)
    written = out.Write(block.data(), static_cast<std::uint32_t>(block.size()));
  EXPECT_FALSE(written && out.Close());
  EXPECT_NE(out.Error().find("File too large"), std::string::npos) << out.Error();
  EXPECT_EQ(ReadFile(file), "old");
}

}  // namespace
}  // namespace mosaicer
