#include "player/disk_out.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/disk_full.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::uint32_t Field32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint8_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

std::uint16_t Field16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                    static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

TEST(TDiskOut, OneSecondOfCdAudioHasItsExactHeader) {
  constexpr std::uint32_t kSecondBytes = 176400;
  TempDir dir;
  const std::string file = dir.File("second.wav");
  std::vector<std::uint8_t> audio(kSecondBytes);
  for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<std::uint8_t>(i * 7);
  TDiskOut out;
  ASSERT_TRUE(out.SetDevice(file));
  ASSERT_TRUE(out.Open());
  // Written in uneven pieces, as a caller's steps may come.
  ASSERT_TRUE(out.Write(audio.data(), 1000));
  ASSERT_TRUE(out.Write(audio.data() + 1000, kSecondBytes - 1000));
  ASSERT_TRUE(out.Close());

  const std::string bytes = ReadFile(file);
  ASSERT_EQ(bytes.size(), kWaveHeaderSize + kSecondBytes);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(Field32(bytes, 4), kSecondBytes + 36);
  EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Field32(bytes, 16), 16u);
  EXPECT_EQ(Field16(bytes, 20), 1u);
  EXPECT_EQ(Field16(bytes, 22), 2u);
  EXPECT_EQ(Field32(bytes, 24), 44100u);
  EXPECT_EQ(Field32(bytes, 28), 176400u);
  EXPECT_EQ(Field16(bytes, 32), 4u);
  EXPECT_EQ(Field16(bytes, 34), 16u);
  EXPECT_EQ(bytes.substr(36, 4), "data");
  EXPECT_EQ(Field32(bytes, 40), kSecondBytes);
  EXPECT_EQ(std::memcmp(bytes.data() + kWaveHeaderSize, audio.data(), kSecondBytes), 0);
}

TEST(TDiskOut, FormatGoesIntoTheHeader) {
  TempDir dir;
  const std::string file = dir.File("mono.wav");
  TDiskOut out;
  ASSERT_TRUE(out.SetFormat(1, 8, 22050));
  ASSERT_TRUE(out.SetDevice(file));
  ASSERT_TRUE(out.Open());
  EXPECT_FALSE(out.SetFormat(2, 16, 44100));
  EXPECT_FALSE(out.SetDevice(dir.File("other.wav")));
  EXPECT_FALSE(out.ConfigBuffers(1, 1));
  ASSERT_TRUE(out.Close());
  const std::string bytes = ReadFile(file);
  EXPECT_EQ(Field32(bytes, 28), 22050u);
  EXPECT_EQ(Field16(bytes, 32), 1u);
}

TEST(TDiskOut, AFullDiskFailsAndLeavesTheOldFile) {
  TempDir dir;
  const std::string file = dir.Write("old.wav", "old");
  TDiskOut out;
  ASSERT_TRUE(out.SetDevice(file));
  testing::DiskFullAfter full(100 * 1024);
  ASSERT_TRUE(out.Open());
  const std::string block(64 * 1024, '\1');
  bool written = true;
  for (int i = 0; i < 8 && written; ++i)
    written = out.Write(block.data(), static_cast<std::uint32_t>(block.size()));
  EXPECT_FALSE(written && out.Close());
  EXPECT_NE(out.Error().find("File too large"), std::string::npos) << out.Error();
  EXPECT_EQ(ReadFile(file), "old");
}

TEST(TDiskOut, DestroyingAnOpenOutputCompletesTheHeader) {
  TempDir dir;
  const std::string file = dir.File("dropped.wav");
  {
    TDiskOut out;
    ASSERT_TRUE(out.SetDevice(file));
    ASSERT_TRUE(out.Open());
    const std::uint8_t frame[4] = {1, 2, 3, 4};
    ASSERT_TRUE(out.Write(frame, sizeof frame));
  }
  const std::string bytes = ReadFile(file);
  ASSERT_EQ(bytes.size(), kWaveHeaderSize + 4);
  EXPECT_EQ(Field32(bytes, 4), 40u);
  EXPECT_EQ(Field32(bytes, 40), 4u);
}

}  // namespace
}  // namespace mosaicer
