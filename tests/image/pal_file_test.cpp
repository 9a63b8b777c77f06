#include "image/pal_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::TempDir;

PaletteColours Ramp() {
  PaletteColours colours;
  for (int i = 0; i < 16; ++i)
    colours[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(0x10 + i),
                  static_cast<std::uint8_t>(0xF0 + i)};
  return colours;
}

TEST(PalFile, HasTheExactLayout) {
  const std::vector<std::uint8_t> bytes = FormatPalFile(Ramp(), 4);
  ASSERT_EQ(bytes.size(), 1028u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12),
            (std::vector<std::uint8_t>{0x00, 0x03, 0x04, 0x00, 0x00, 0x10, 0xF0, 0x01, 0x01, 0x11,
                                       0xF1, 0x01}));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 64, bytes.begin() + 68),
            (std::vector<std::uint8_t>{0x0F, 0x1F, 0xFF, 0x01}));
  for (std::size_t i = 68; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(PalFile, OtherVersionsAndShortFilesAreRefusedDifferently) {
  std::vector<std::uint8_t> bytes = FormatPalFile(Ramp(), 0);
  bytes[1] = 0x04;
  EXPECT_EQ(ParsePalFile(bytes).status, PalFileStatus::WrongVersion);

  // The 16 used entries are all a reader needs; without them it refuses.
  bytes = FormatPalFile(Ramp(), 0);
  bytes.resize(68);
  EXPECT_EQ(ParsePalFile(bytes).status, PalFileStatus::Loaded);
  bytes.resize(67);
  EXPECT_EQ(ParsePalFile(bytes).status, PalFileStatus::Unreadable);
  EXPECT_EQ(ParsePalFile({}).status, PalFileStatus::Unreadable);

  TempDir dir;
  EXPECT_EQ(ReadPalFile(dir.File("missing.pal")).status, PalFileStatus::Unreadable);
}

}  // namespace
}  // namespace mosaicer
