#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mosaicer {
namespace {

TEST(IniFileRead, SectionsAndKeysIgnoreCaseAndTheFirstOneCounts) {
  IniFile ini("[Options]\r\nLimit=12\r\nlimit=99\r\n[OPTIONS]\r\nOther=1\r\n[path]\r\nBmp=/a\r\n");
  EXPECT_EQ(ini.ReadInteger("options", "LIMIT"), 12);
  EXPECT_FALSE(ini.HasKey("Options", "Other"));  // only in the second [OPTIONS]
  EXPECT_EQ(ini.ReadString("PATH", "bmp"), "/a");
  EXPECT_EQ(ini.ReadString("Path", "missing", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadString("Nowhere", "Bmp", "x"), "x");
}

TEST(IniFileRead, ValueIsEverythingAfterTheFirstEquals) {
  IniFile ini("[Info]\nTitleJ= a=b = c \n  Key  =v\nNoEquals\n;Comment=1\nEmpty=\n");
  EXPECT_EQ(ini.ReadString("Info", "TitleJ"), " a=b = c ");
  EXPECT_EQ(ini.ReadString("Info", "Key"), "v");
  EXPECT_FALSE(ini.HasKey("Info", "NoEquals"));
  EXPECT_FALSE(ini.HasKey("Info", ";Comment"));
  EXPECT_TRUE(ini.HasKey("Info", "Empty"));
  EXPECT_EQ(ini.ReadString("Info", "Empty", "d"), "");
}

TEST(IniFileRead, IntegersReadTheirLeadingDigits) {
  IniFile ini("[N]\na=42\nb=-7\nc=abc\nd=12abc\ne= +3\nf=99999999999999999999999\ng=\n");
  EXPECT_EQ(ini.ReadInteger("N", "a", 5), 42);
  EXPECT_EQ(ini.ReadInteger("N", "b", 5), -7);
  EXPECT_EQ(ini.ReadInteger("N", "c", 5), 0);  // present but no number
  EXPECT_EQ(ini.ReadInteger("N", "d", 5), 12);
  EXPECT_EQ(ini.ReadInteger("N", "e", 5), 3);
  EXPECT_EQ(ini.ReadInteger("N", "f", 5), INT64_MAX);
  EXPECT_EQ(ini.ReadInteger("N", "g", 5), 0);
  EXPECT_EQ(ini.ReadInteger("N", "missing", 5), 5);
}

TEST(IniFileWrite, ChangesOneLineOrAddsOneAfterTheSectionsLastLine) {
  IniFile changed("; settings\r\n[Form]\r\nLeft=10\r\n\r\n[Path]\r\nBmp=/x\r\n");
  changed.WriteString("form", "LEFT", "20");
  EXPECT_EQ(changed.Text(), "; settings\r\n[Form]\r\nLEFT=20\r\n\r\n[Path]\r\nBmp=/x\r\n");
  IniFile ini("[Form]\nLeft=10\n\n[Path]\nBmp=/x\n");
  ini.WriteInteger("Form", "Top", 5);
  ini.WriteString("Path", "Wav", "/w");
  EXPECT_EQ(ini.Text(), "[Form]\nLeft=10\nTop=5\n\n[Path]\nBmp=/x\nWav=/w\n");
  EXPECT_EQ(ini.ReadInteger("Form", "Top"), 5);
  EXPECT_EQ(ini.ReadString("Path", "Bmp"), "/x");  // indices stay right after inserting
}

TEST(IniFileWrite, NewSectionIsAppendedWithTheFilesLineEnding) {
  IniFile ini("[A]\r\nx=1");  // last line without an ending
  ini.WriteBool("B", "On", true);
  EXPECT_EQ(ini.Text(), "[A]\r\nx=1\r\n\r\n[B]\r\nOn=1\r\n");
  // A carriage return without a line feed ends no line.
  IniFile cr("[A]\r\nx=1\r");
  cr.WriteString("A", "y", "2");
  EXPECT_EQ(IniFile(cr.Text()).ReadInteger("A", "y"), 2);
  IniFile empty;
  empty.WriteString("S", "k", "v");
  EXPECT_EQ(empty.Text(), "[S]\nk=v\n");
  // Forgotten sections are not found.
  IniFile forgot("[0]\nCol=1\n[1]\nCol=2\n");
  forgot.ForgetSection("0");
  EXPECT_FALSE(forgot.HasSection("0"));
  EXPECT_EQ(forgot.ReadInteger("1", "Col"), 2);
  EXPECT_EQ(forgot.SectionNames(), std::vector<std::string>{"1"});
}

TEST(IniFileFiles, SaveAndLoadRoundTrip) {
  const auto path = std::filesystem::temp_directory_path() / "mosaicer_ini_test.ini";
  IniFile ini;
  ini.WriteString("Path", "Folder", "/home/ユーザー/曲");
  ASSERT_TRUE(ini.Save(path.string()));
  IniFile back;
  ASSERT_TRUE(back.Load(path.string()));
  EXPECT_EQ(back.ReadString("path", "folder"), "/home/ユーザー/曲");
  std::filesystem::remove(path);
  EXPECT_FALSE(back.Load(path.string()));
  EXPECT_FALSE(back.HasSection("Path"));
}

}  // namespace
}  // namespace mosaicer
