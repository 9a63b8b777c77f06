// The effect editor: a grid of the 50 x 18 screen tiles in which each tile
// gets the step at which it is painted, typed in or placed by clicks in
// touch mode, with a bilingual title, own name and comment. It saves the
// effect as a .tlo file, opens one back, and plays it in the effect viewer.
// The rules live in EffectGrid; this window holds the controls and keeps
// them and the model in step. Created once and reused: the grid and texts
// survive between showings.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "app/dialogs.h"
#include "effects/effect_grid.h"
#include "platform/ini_file.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableWidget;
class QTableWidgetItem;

namespace mosaicer {

class StepDelegate;
class TTloViewFrm;

class TTloFrm : public QDialog {
  Q_OBJECT

 public:
  TTloFrm(Dialogs& dialogs, TTloViewFrm& viewer, QWidget* parent = nullptr);

  // The effect folder both file dialogs start in; the main window hands a
  // copy before each showing.
  void SetTloDir(const std::string& folder) { tloDir_ = folder; }
  // The user's own effect folder: saving starts there instead when the
  // effect folder is read-only (the shared one an installation brings), and
  // after such a save it becomes the effect folder.
  void SetOwnTloDir(const std::string& folder) { ownTloDir_ = folder; }
  const std::string& TloDir() const { return tloDir_; }

  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  // Checks the grid and writes it: into a file chosen in the save dialog
  // (test = false, the name is ignored) or into `fileName` with no title
  // required (test = true). Every refusal beeps and says why, except for an
  // empty grid. True when the file was written.
  bool WriteEffect(bool test, const std::string& fileName = {});

  const EffectGrid& Grid() const { return grid_; }
  // True when the grid, titles or comments differ from what was last saved
  // or opened and hold something (an empty grid has nothing to lose).
  bool Unsaved();

  static constexpr const char* kTloFilter = "TLO Files (*.tlo)|*.tlo|All Files|*.*";
  static constexpr const char* kTloExtension = ".tlo";

 protected:
  // Escape and closing the window: the unsaved-work question first.
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What saving keeps: the cells, titles and comments.
  struct Content {
    std::vector<int> cells;
    EffectTexts texts[2];
    friend bool operator==(const Content&, const Content&) = default;
  };
  Content Current() const;
  // Asks whether to save unsaved work before it is replaced; false when the
  // user cancels or saving did not happen.
  bool MayDiscard();

  void SaveBtnClick();
  void OpenBtnClick();
  void TestBtnClick();
  void ClearBtnClick();
  void ModeBtnClick(bool down);
  void InfoTabChange(int index);
  void TileGridItemChanged(QTableWidgetItem* item);
  void TileGridPressed(int row, int column);

  // Edit boxes to and from the fields of the language on view.
  void StoreEditBoxes();
  void FillEditBoxes();
  // Shows the model's number in one tile cell, or in all of them.
  void ShowCell(int col, int row);
  void ShowAllCells();
  void SetCellEditing(bool on);
  // Widens the columns and heightens the rows to fill the grid's area; they
  // never shrink below 22 pixels and the row height of the settings, and
  // the grid scrolls when even those do not fit.
  void FitCells();
  void Refuse(const std::string& message);

  Dialogs& dialogs_;
  TTloViewFrm& viewer_;
  EffectGrid grid_;
  Content saved_;  // as last saved or opened
  std::string tloDir_;
  std::string ownTloDir_;
  EffectLanguage shown_ = EffectLanguage::Japanese;
  int rowHeight_;
  bool showing_ = false;  // cell texts being set from the model

  // 51 x 19 cells: row 0 and column 0 are the fixed headers (tile column and
  // row numbers, shown by the table's own header views so they stay in view
  // while scrolling); cell (c, r) is tile (c - 1, r - 1).
  QTableWidget* TileGrid_;
  StepDelegate* StepDelegate_;
  QTabBar* InfoTab_;
  QLabel* TitleLbl_;
  QLineEdit* TitleEdit_;
  QLabel* AuthorLbl_;
  QLineEdit* AuthorEdit_;
  QLabel* CommentLbl_;
  QLineEdit* CommentEdit_;
  QPushButton* SaveBtn_;
  QPushButton* OpenBtn_;
  QPushButton* TestBtn_;
  QPushButton* ClearBtn_;
  QPushButton* ModeBtn_;
};

}  // namespace mosaicer
