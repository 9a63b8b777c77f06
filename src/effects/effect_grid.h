// The effect editor's model: the step number of each of the 50 x 18 screen
// tiles, the bilingual title, comment and own name, and the author and
// editors of the file last opened. It holds every rule the editor window
// applies — which typed text a cell keeps, the checks made before saving and
// before touch mode, numbering by clicks, who is written as author and
// editors, and how an opened file fills the grid — so the window only wires
// controls to it. Tiles are addressed by column 0..49 and row 0..17.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/subcode_pack.h"
#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "platform/language.h"

namespace mosaicer {

class IniFile;

struct TilePos {
  int Col = 0;
  int Row = 0;

  friend bool operator==(const TilePos&, const TilePos&) = default;
};

enum class EffectLanguage { Japanese = 0, English = 1 };

// What the three edit boxes show for one language.
struct EffectTexts {
  std::string Title;
  std::string OwnName;  // the user's own name, kept in the settings
  std::string Comment;

  friend bool operator==(const EffectTexts&, const EffectTexts&) = default;
};

// The outcome of checking that the numbers run from 1 without repeats or
// gaps.
struct StepCheck {
  enum class Result { Ok, Empty, Duplicate, Gap };
  Result result = Result::Empty;
  int step = 0;     // Duplicate: the number used twice; Gap: the first one missing
  TilePos at;       // Duplicate: the cell met second, scanning column by column
  TilePos first;    // Duplicate: the cell that claimed the number first
  int highest = 0;  // the highest number claimed (so far, for a Duplicate)
};

// How a duplicate's cells are named in its message: by tile column and row
// (what the headers read), or by 1-based grid index (touch mode's message).
enum class PositionStyle { Tile, Grid };

inline constexpr TrText kTitleMissingMessage{N_("Enter the effect's title.")};
// The message for a Duplicate or a Gap; empty for Ok and Empty.
std::string StepCheckMessage(const StepCheck& check, PositionStyle style);
std::string CannotWriteEffectMessage(const std::string& file);
std::string CannotReadEffectMessage(const std::string& file);
inline constexpr TrText kCannotMakeTempFileMessage{N_("Cannot make a temporary file.")};

// Whether saving (or testing) may go on; when not, `message` is what to
// show with a beep, or empty for a silent refusal (nothing numbered).
struct WriteCheck {
  bool ok = false;
  std::string message;
};

// The author and editors list written for one language.
struct EffectCredits {
  std::string Author;
  std::string EditedBy;

  friend bool operator==(const EffectCredits&, const EffectCredits&) = default;
};

class EffectGrid {
 public:
  static constexpr int kColumns = kTileColumns;
  static constexpr int kRows = kTileRows;
  static constexpr int kMaxStep = kTileCount;  // 900

  // The number in a cell; 0 for an empty one. A file with more steps than
  // tiles can leave numbers above kMaxStep, which the checks treat as empty.
  int Cell(int col, int row) const { return cells_[Index(col, row)]; }
  void SetCell(int col, int row, int number);

  // The number `text` stands for when it is a decimal integer 1..900, else 0.
  static int ParseStep(std::string_view text);
  // The typing rule: the cell keeps the number only when the text is one of
  // 1..900 and is emptied otherwise. Returns what the cell holds now.
  int TypeCell(int col, int row, std::string_view text);

  // Scans column by column, and within a column row by row.
  StepCheck CheckSteps() const;

  const EffectTexts& Texts(EffectLanguage language) const { return texts_[Slot(language)]; }
  void SetTexts(EffectLanguage language, EffectTexts texts);
  void SetOwnName(EffectLanguage language, std::string name);
  // The author and editors list of the file last opened (empty for a new
  // effect); saving does not change them.
  const EffectCredits& FileCredits(EffectLanguage language) const {
    return fileCredits_[Slot(language)];
  }

  // The checks made before a file is chosen: a title in either language
  // (unless testing) and clean numbering.
  WriteCheck CheckWrite(bool test) const;
  // Who is written, given the opened file's credits and the user's own name.
  static EffectCredits WrittenCredits(const EffectCredits& file, const std::string& user);
  // The header and the order that saving writes; the order is empty unless
  // the numbering checks clean.
  TTloFile Header() const;
  TileOrder Order() const;
  // Writes Header() and Order() into `fileName`, replacing it. Fails when the
  // numbering does not check clean or the file cannot be written.
  IoStatus Write(const std::string& fileName) const;

  // Touch mode: entered only when the numbering has no repeat or gap (an
  // empty grid is fine); the counter starts at the highest number.
  StepCheck EnterTouchMode();
  void LeaveTouchMode() { touchMode_ = false; }
  bool TouchMode() const { return touchMode_; }
  int TouchCounter() const { return touchCounter_; }
  // A click in touch mode: an empty cell gets the next number, the cell
  // holding the last number is emptied again, any other is left alone. True
  // when the cell changed.
  bool Touch(int col, int row);

  // Empties every cell, the counter, both titles and comments and the
  // opened file's credits; the own names stay.
  void Clear();
  // Leaves touch mode, clears, and fills the grid and texts from an effect
  // file. Steps outside the screen are dropped and a later step for the same
  // tile replaces an earlier one. False (and nothing changed) when the file
  // cannot be read; `error` then says why.
  bool Open(const std::string& fileName, std::string* error = nullptr);
  // The same for an effect already parsed into `ini`, whose step sections
  // it consumes.
  bool Open(IniFile& ini, std::string* error = nullptr);

 private:
  static int Index(int col, int row) { return col * kRows + row; }
  static int Slot(EffectLanguage language) { return static_cast<int>(language); }

  std::array<int, kTileCount> cells_{};  // column-major, as the checks scan
  std::array<EffectTexts, 2> texts_;
  std::array<EffectCredits, 2> fileCredits_;
  bool touchMode_ = false;
  int touchCounter_ = 0;
};

}  // namespace mosaicer
