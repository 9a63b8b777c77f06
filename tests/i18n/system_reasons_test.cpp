// The reasons a file could not be used, and the readers' refusals, are shown
// in the chosen language, wherever they come from.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "media/audio_reader.h"
#include "media/picture_reader.h"
#include "platform/io_status.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::LanguageScope;

bool HasJapanese(const std::string& text) {
  // Every kana and kanji is three bytes in UTF-8 with a lead byte E3..E9.
  for (unsigned char c : text)
    if (c >= 0xE3 && c <= 0xE9) return true;
  return false;
}

TEST(SystemReasons, CommonReasonsAreOursInBothLanguagesTheRestTheSystems) {
  const int ours[] = {ENOENT, EACCES, EPERM, ENOSPC,       EDQUOT, EISDIR, ENOTDIR,
                      EROFS,  EEXIST, EIO,   ENAMETOOLONG, EMFILE, ENFILE};
  for (const int code : ours) {
    SCOPED_TRACE(code);
    std::string english, japanese;
    {
      LanguageScope scope(Language::English);
      english = ErrnoReason(code);
    }
    {
      LanguageScope scope(Language::Japanese);
      japanese = ErrnoReason(code);
    }
    EXPECT_FALSE(english.empty());
    EXPECT_FALSE(HasJapanese(english)) << english;
    EXPECT_TRUE(HasJapanese(japanese)) << japanese;
  }
  LanguageScope scope(Language::Japanese);
  EXPECT_EQ(ErrnoReason(EFBIG), std::strerror(EFBIG));
}

TEST(SystemReasons, AFailedFileOperationIsOneSentenceInTheChosenLanguage) {
  {
    LanguageScope scope(Language::English);
    EXPECT_EQ(IoStatus::FromErrno("write", "out.cdg", ENOSPC).error(),
              "cannot write \"out.cdg\": No space left on the disk");
  }
  LanguageScope scope(Language::Japanese);
  EXPECT_EQ(IoStatus::FromErrno("read", "曲.wav", ENOENT).error(),
            "\"曲.wav\"を読み込めません: ファイルまたはフォルダがありません");
}

TEST(SystemReasons, TheReadersRefuseInTheChosenLanguage) {
  testing::TempDir dir;
  const std::string text = dir.Write("notes.png", "no picture, no song");
  for (const Language language : {Language::English, Language::Japanese}) {
    LanguageScope scope(language);
    const std::string picture = ReadPicture(text).error;
    const std::string song = OpenAudio(text).error;
    for (const std::string& refusal : {picture, song}) {
      EXPECT_NE(refusal.find("\"" + text + "\""), std::string::npos) << refusal;
      EXPECT_EQ(HasJapanese(refusal), language == Language::Japanese) << refusal;
    }
  }
}

}  // namespace
}  // namespace mosaicer
