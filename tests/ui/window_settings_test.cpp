// Every window's part of the settings file in one table: what a missing
// file gives is taken back as it is, what the file holds comes back when the
// window writes its settings, and values a window cannot take are brought
// within its limits. Each text lists the keys to check, in the file's own form.
#include "ui_test.h"

#include <sstream>

#include "app/about_box.h"
#include "app/gen_setting_dlg.h"
#include "effects/ui/tlo_frm.h"
#include "effects/ui/tlo_view_frm.h"
#include "image/ui/bmp_frm.h"
#include "platform/file_util.h"
#include "platform/ini_file.h"
#include "player/player_settings.h"
#include "player/ui/cdg_display.h"
#include "player/ui/play_frm.h"
#include "ripper/ui/rip_frm.h"
#include "utility/ui/util_frm.h"

namespace mosaicer {
namespace {

// Every key of `expected` holds its value in `written`.
void ExpectHolds(const IniFile& written, const std::string& expected) {
  std::istringstream lines(expected);
  std::string line, section;
  while (std::getline(lines, line)) {
    if (line.starts_with('[')) {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const std::size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    EXPECT_EQ(written.ReadString(section, key), line.substr(equals + 1)) << section << "/" << key;
  }
}

struct SettingsCase {
  std::string saved;         // read, and written back as it is
  std::string outOfRange{};  // read ...
  std::string limited{};     // ... and written back as this
};

template <typename Window>
void Check(Window& window, const SettingsCase& c) {
  SCOPED_TRACE(window.objectName().toStdString());
  const auto roundTrip = [&window](const std::string& in) {
    window.ReadSettings(IniFile(in));
    IniFile out;
    window.WriteSettings(out);
    return out;
  };
  const std::string defaults = roundTrip("").Text();
  EXPECT_EQ(roundTrip(defaults).Text(), defaults);
  ExpectHolds(roundTrip(c.saved), c.saved);
  if (!c.outOfRange.empty()) ExpectHolds(roundTrip(c.outOfRange), c.limited);
}

TEST(WindowSettings, DefaultsRoundTripsAndLimits) {
  testing::ScriptedDialogs dialogs;
  testing::TempDir dir;

  TAboutBox about(dialogs);
  Check(about, {"[AboutDlg]\nTop=230\nLeft=340\n"});

  TGenSettingDlg general(dialogs);
  Check(general, {"[GenSettingDlg]\nTop=210\nLeft=320\nLanguage=en\n"});

  TTloViewFrm viewer;
  Check(viewer,
        {"[TloViewForm]\nTop=120\nLeft=130\nWidth=520\nHeight=420\n[TloView]\nInterval=250\n",
         "[TloViewForm]\nWidth=100\nHeight=600\n[TloView]\nInterval=5000\n",
         "[TloViewForm]\nWidth=470\nHeight=420\n[TloView]\nInterval=1000\n"});

  TTloFrm editor(dialogs, viewer);
  Check(editor, {"[TloForm]\nTop=50\nLeft=60\nWidth=700\nHeight=500\nRowHeight=20\n"
                 "[Tlo]\nAuthorJ=山田\nAuthorE=Yamada\n",
                 "[TloForm]\nWidth=100\nHeight=100\n", "[TloForm]\nWidth=500\nHeight=380\n"});

  TBmpFrm wizard(dialogs);
  Check(wizard, {"[BmpForm]\nTop=40\nLeft=50\nWidth=600\nHeight=560\n[Path]\nPalDir=/pal\n"
                 "[Palette]\nMcMode=0\nRgbBit=5\nRemIdx=3\nDlgColor0=112233\n"
                 "[Reduce]\nErrDiff=0\nErrDiffK=25\n[Select]\nRectColor=255\nFit=fill\n"});
  // What the file held is on view.
  EXPECT_EQ(Child<QComboBox>(wizard, "PalModeCmb")->currentText(),
            QStringLiteral("RGB独立3次元"));
  EXPECT_EQ(Child<QSpinBox>(wizard, "PalBitUd")->value(), 5);
  EXPECT_EQ(Child<QSpinBox>(wizard, "PalIdxUd")->value(), 3);
  EXPECT_FALSE(Child<QCheckBox>(wizard, "ErrCk")->isChecked());
  EXPECT_EQ(Child<QSpinBox>(wizard, "ErrKUd")->value(), 25);
  EXPECT_EQ(Child<BmpSwatch>(wizard, "RectColPanel")->Colour(), QColor(255, 0, 0));
  wizard.ReadSettings(IniFile("[Select]\nFit=stretch\n"));  // no such placement: crop
  IniFile placed;
  wizard.WriteSettings(placed);
  ExpectHolds(placed, "[Select]\nFit=crop\n");

  TUtilFrm utility(dialogs);
  Check(utility, {"[UtilForm]\nTop=30\nLeft=40\nWidth=600\nHeight=170\n"
                  "[Utility]\nSameName=0\nNoWave=1\n",
                  "[UtilForm]\nHeight=400\n", "[UtilForm]\nHeight=170\n"});
  // Ticked by the settings as if clicked: the WAV field is out of use.
  utility.ReadSettings(IniFile("[Utility]\nNoWave=1\n"));
  EXPECT_FALSE(Child<QLineEdit>(utility, "WavPathEdit")->isEnabled());

  TCdgDisplay display;
  TPlayFrm player(dialogs, display);
  // The display and its decoder follow the boxes from the start, whether
  // or not reading changes a box.
  player.ReadSettings(IniFile());
  EXPECT_TRUE(display.Sizeable());
  EXPECT_TRUE(display.Decoder().EasyScroll());
  Check(player, {"[PlayForm]\nTop=120\nLeft=140\nWidth=640\nHeight=240\n[Path]\nCdgBmpDir=/shots\n"
                 "[Play]\nReadAtOnce=30\nOnMemory=1\nRepeat=1\n[Cdg]\nSizeable=0\nEasyScroll=0\n"
                 "[CdgForm]\nTop=50\nLeft=700\nWidth=311\nHeight=227\n",
                 // Not sizeable, the display keeps its own size.
                 "[PlayForm]\nHeight=300\n[Cdg]\nSizeable=0\n[CdgForm]\nWidth=500\nHeight=400\n",
                 "[PlayForm]\nHeight=240\n[CdgForm]\nWidth=311\nHeight=227\n"});
  player.ReadSettings(IniFile("[Cdg]\nSizeable=0\nEasyScroll=0\n"));
  EXPECT_FALSE(display.Sizeable());
  EXPECT_FALSE(display.Decoder().EasyScroll());
  player.ReadSettings(IniFile());
  // Snapshots go beside the program unless the file says otherwise.
  EXPECT_EQ(Child<QLineEdit>(player, "BmpPathEdit")->text().toStdString(),
            DefaultBmpFolder(ProgramPath()).string());
  // The stereo mode is the box's choice from when the window is shown.
  player.ReadSettings(IniFile("[Play]\nStereoMode=2\n"));
  player.show();
  IniFile out;
  player.WriteSettings(out);
  EXPECT_EQ(out.ReadInteger("Play", "StereoMode", -1), 2);
  player.reject();

  TRipFrm ripper(dialogs, dir.path().string(), DriveSearchSetup{});
  Check(ripper, {"[RipForm]\nTop=50\nLeft=60\nWidth=520\nHeight=460\nRwsOnly=1\n"});
}

}  // namespace
}  // namespace mosaicer
