#include "effects/tlo_file.h"

#include <gtest/gtest.h>

#include "effects/tile_order.h"
#include "platform/cp932.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::TempDir;

std::string Header(std::string_view numTiles, std::string_view version = "100") {
  return "[Info]\r\nTloVersion=" + std::string(version) +
         "\r\nTitleJ=\r\nAuthorJ=\r\nEditedByJ=\r\nCommentJ=\r\nTitleE=\r\nAuthorE=\r\n"
         "EditedByE=\r\nCommentE=\r\nNumTiles=" +
         std::string(numTiles) + "\r\n";
}

TEST(TloFormat, TwoTileEffectHasTheExactLayout) {
  TTloFile header;
  const TileOrder order = {{0, 0}, {1, 0}};
  EXPECT_EQ(FormatTloFile(header, order),
            "[Info]\r\nTloVersion=100\r\nTitleJ=\r\nAuthorJ=\r\nEditedByJ=\r\nCommentJ=\r\n"
            "TitleE=\r\nAuthorE=\r\nEditedByE=\r\nCommentE=\r\nNumTiles=2\r\n"
            "\r\n[0]\r\nRow=0\r\nCol=0\r\n"
            "\r\n[1]\r\nRow=0\r\nCol=1\r\n");
}

TEST(TloFormat, JapaneseHeaderRoundTripsThroughCp932) {
  TempDir dir;
  TTloFile header;
  header.TitleJ = "渦巻き=左回り";
  header.AuthorJ = "山田";
  header.EditedByJ = "佐藤,鈴木";
  header.CommentJ = "中央から\n外へ";  // a line break cannot stay in a one-line field
  header.TitleE = "Spiral";
  header.CommentE = "centre out";
  const std::string file = dir.File("spiral.tlo");
  ASSERT_TRUE(WriteTloFile(file, header, DefaultTileOrder()));

  const std::string bytes = testing::ReadFile(file);
  EXPECT_NE(bytes.find("TitleJ=" + Utf8ToCp932("渦巻き=左回り") + "\r\n"), std::string::npos);

  TTloFile back(file);
  ASSERT_TRUE(back.Valid);
  EXPECT_EQ(back.FileName, file);
  EXPECT_EQ(back.TitleJ, "渦巻き=左回り");
  EXPECT_EQ(back.AuthorJ, "山田");
  EXPECT_EQ(back.EditedByJ, "佐藤,鈴木");
  EXPECT_EQ(back.CommentJ, "中央から 外へ");
  EXPECT_EQ(back.TitleE, "Spiral");
  EXPECT_EQ(back.CommentE, "centre out");
  EXPECT_EQ(ReadTileOrder(file), DefaultTileOrder());
}

TEST(TloHeader, AnyNonZeroVersionIsValid) {
  TempDir dir;
  EXPECT_TRUE(TTloFile(dir.Write("seven.tlo", Header("0", "7"))).Valid);
  for (const char* bad : {"0", "x", ""}) {
    TTloFile f(dir.Write("bad.tlo", Header("0", bad)));
    EXPECT_FALSE(f.Valid) << bad;
    EXPECT_TRUE(f.FileName.empty());
  }
  EXPECT_FALSE(TTloFile(dir.Write("nokey.tlo", "[Info]\r\nTitleJ=x\r\n")).Valid);
  TTloFile missing(dir.File("missing.tlo"));
  EXPECT_FALSE(missing.Valid);
  EXPECT_TRUE(missing.TitleJ.empty());
}

TEST(TileOrderRead, ClampsOutOfRangeValues) {
  TempDir dir;
  const std::string file = dir.Write(
      "clamp.tlo", Header("4") +
                       "\r\n[0]\r\nRow=-1\r\nCol=75\r\n\r\n[1]\r\nRow=17\r\nCol=49\r\n"
                       "\r\n[2]\r\nRow=65553\r\nCol=65536\r\n\r\n[3]\r\nrow=3\r\ncol=x\r\n");
  const TileOrder order = ReadTileOrder(file);
  ASSERT_EQ(order.size(), 4u);
  EXPECT_EQ(order[0], (TileOrderEntry{49, 17}));
  EXPECT_EQ(order[1], (TileOrderEntry{49, 17}));
  EXPECT_EQ(order[2], (TileOrderEntry{0, 17}));  // low 16 bits: 17 and 0
  EXPECT_EQ(order[3], (TileOrderEntry{0, 3}));
}

TEST(TileOrderRead, MissingAndMisnamedSectionsGiveTileZero) {
  TempDir dir;
  const std::string file = dir.Write(
      "gaps.tlo", Header("3") + "\r\n[00]\r\nRow=5\r\nCol=5\r\n\r\n[2]\r\nRow=2\r\nCol=9\r\n");
  const TileOrder order = ReadTileOrder(file);
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0], (TileOrderEntry{0, 0}));  // "[00]" is not step 0
  EXPECT_EQ(order[1], (TileOrderEntry{0, 0}));
  EXPECT_EQ(order[2], (TileOrderEntry{9, 2}));
}

TEST(TileOrderRead, CountsThatAreNotUsable) {
  TempDir dir;
  EXPECT_TRUE(ReadTileOrder(dir.Write("zero.tlo", Header("0"))).empty());
  EXPECT_TRUE(ReadTileOrder(dir.Write("neg.tlo", Header("-5"))).empty());
  EXPECT_TRUE(ReadTileOrder(dir.Write("nan.tlo", Header("many"))).empty());
  EXPECT_TRUE(ReadTileOrder(dir.Write("none.tlo", "[Info]\r\nTloVersion=100\r\n")).empty());
  // A huge count is refused before anything is allocated.
  std::string why;
  EXPECT_TRUE(ReadTileOrder(dir.Write("huge.tlo", Header("2147483647")), &why).empty());
  EXPECT_NE(why.find("2147483647"), std::string::npos);
  EXPECT_EQ(ReadTileOrder(dir.Write("max.tlo", Header("65535"))).size(), 65535u);
}

TEST(TileOrderRead, MissingFileGivesTheDefaultOrderAndUnreadableOneNothing) {
  TempDir dir;
  EXPECT_EQ(ReadTileOrder(dir.File("gone.tlo")), DefaultTileOrder());
  std::string why;
  EXPECT_TRUE(ReadTileOrder(dir.path().string(), &why).empty());  // a folder
  EXPECT_FALSE(why.empty());
}

TEST(TileOrderRead, DefaultOrderCoversTheInnerTilesRowByRow) {
  const TileOrder order = DefaultTileOrder();
  ASSERT_EQ(order.size(), 768u);
  EXPECT_EQ(order.front(), (TileOrderEntry{1, 1}));
  EXPECT_EQ(order[47], (TileOrderEntry{48, 1}));
  EXPECT_EQ(order[48], (TileOrderEntry{1, 2}));
  EXPECT_EQ(order.back(), (TileOrderEntry{48, 16}));
}

TEST(TileOrderRead, FullScreenEffectRoundTrips) {
  TempDir dir;
  TileOrder order;
  for (int c = 49; c >= 0; --c)
    for (int r = 0; r < 18; ++r)
      order.push_back({static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(r)});
  const std::string file = dir.File("all.tlo");
  ASSERT_TRUE(WriteTloFile(file, TTloFile{}, order));
  EXPECT_EQ(ReadTileOrder(file), order);
}

}  // namespace
}  // namespace mosaicer
