// What the windows show of a chosen song and which songs their file dialogs
// offer, in either language.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "child.h"
#include "scripted_dialogs.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"
#include "utility/ui/util_frm.h"

namespace mosaicer {
namespace {

using testing::Child;

TEST(SongBox, TheSongsLengthAndConversionShowUnderTheSongBox) {
  testing::TempDir dir;
  // One second each: CD audio, and 48 kHz mono.
  const std::string cd = dir.Write("cd.wav", testing::CdWave(std::string(176400, '\0')));
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 48000, 16)) +
                                          testing::Chunk("data", std::string(96000, '\0'))));
  struct Case {
    Language language;
    std::string file;
    const char* shown;
  };
  const Case cases[] = {
      {Language::English, cd, "Length 0:01 (75 sectors)"},
      {Language::English, mono,
       "Length 0:01 (75 sectors)\nConverted: 48000 Hz 16-bit mono \u2192 44100 Hz 16-bit stereo"},
      {Language::Japanese, mono,
       "長さ 0:01 (75セクタ)\n変換: 48000 Hz 16-bit モノラル \u2192 44100 Hz 16-bit ステレオ"},
  };
  for (const Case& c : cases) {
    testing::LanguageScope scope(c.language);
    testing::ScriptedDialogs dialogs;
    TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});
    QLabel* length = Child<QLabel>(window, "WavLengthLbl");
    EXPECT_TRUE(length->isHidden());  // no song yet
    dialogs.files.push_back(c.file);
    Child<QAction>(window, "FileOpenWav")->trigger();
    EXPECT_FALSE(length->isHidden());
    EXPECT_EQ(length->text().toStdString(), c.shown);
  }
}

TEST(SongBox, TheUtilityOffersTheSameSongsAsTheMainWindow) {
  testing::TempDir dir;
  for (const Language language : {Language::English, Language::Japanese}) {
    testing::LanguageScope scope(language);
    testing::ScriptedDialogs dialogs;
    TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});
    dialogs.files.push_back(std::nullopt);
    Child<QAction>(window, "FileOpenWav")->trigger();
    TUtilFrm utility(dialogs);
    dialogs.files.push_back(std::nullopt);
    Child<QPushButton>(utility, "WavBrowseBtn")->click();
    ASSERT_EQ(dialogs.filters.size(), 2u);
    EXPECT_EQ(dialogs.filters[0], dialogs.filters[1]);
    const std::string songs = language == Language::English
                                  ? "Songs (*.wav *.flac *.ogg *.opus *.mp3)|"
                                  : "曲 (*.wav *.flac *.ogg *.opus *.mp3)|";
    EXPECT_EQ(dialogs.filters[0].rfind(songs, 0), 0u) << dialogs.filters[0];
  }
}

}  // namespace
}  // namespace mosaicer
