#include "app/dialogs.h"

#include <gtest/gtest.h>

#include <QColor>

namespace mosaicer {
namespace {

TEST(CustomColours, LinesRoundTripAndOddTextIsRefused) {
  EXPECT_EQ(CustomColourLineFor(0, 0x00FF8000), "ColorA=FF8000");
  EXPECT_EQ(CustomColourLineFor(15, 0x000001), "ColorP=000001");
  for (int i : {0, 7, 15}) {
    const auto parsed = ParseCustomColourLine(CustomColourLineFor(i, 0x123456));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->first, i);
    EXPECT_EQ(parsed->second, 0x123456u);
  }
  EXPECT_EQ(ParseCustomColourLine("ColorB=ffffff")->second, 0xFFFFFFu);
  for (const char* bad : {"", "Color", "ColorA=", "ColorQ=000000", "Color@=000000", "ColourA=00",
                          "ColorA=12G456", "ColorA=1000000", "ColorA:123456"})
    EXPECT_FALSE(ParseCustomColourLine(bad)) << bad;
}

TEST(FileFilters, PairsBecomeQtFilters) {
  EXPECT_EQ(QtFilter("Bitmap Files (*.bmp)|*.bmp|All Files|*.*"),
            "Bitmap Files (*.bmp);;All Files (*)");
  EXPECT_EQ(QtFilter("Palette Files (*.pal)|*.pal"), "Palette Files (*.pal)");
}

}  // namespace
}  // namespace mosaicer
