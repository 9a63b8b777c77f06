#include "effects/effect_grid.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/ini_file.h"
#include "platform/language.h"

namespace mosaicer {
namespace {

constexpr const char* kInfo = "Info";

std::string Position(TilePos pos, PositionStyle style) {
  const int offset = style == PositionStyle::Grid ? 1 : 0;
  return "(" + std::to_string(pos.Col + offset) + "," + std::to_string(pos.Row + offset) + ")";
}

bool OnScreen(std::int64_t col, std::int64_t row) {
  return col >= 0 && col < EffectGrid::kColumns && row >= 0 && row < EffectGrid::kRows;
}

}  // namespace

std::string StepCheckMessage(const StepCheck& check, PositionStyle style) {
  switch (check.result) {
    case StepCheck::Result::Duplicate:
      return Format(
          Tr("Step %1 is at both %2 and %3."),
          {std::to_string(check.step), Position(check.at, style), Position(check.first, style)});
    case StepCheck::Result::Gap:
      return Format(Tr("Step %1 is missing."), {std::to_string(check.step)});
    case StepCheck::Result::Ok:
    case StepCheck::Result::Empty:
      break;
  }
  return {};
}

std::string CannotWriteEffectMessage(const std::string& file) {
  return Format(Tr("Cannot write \"%1\"."), {file});
}

std::string CannotReadEffectMessage(const std::string& file) {
  return Format(Tr("Cannot read \"%1\"."), {file});
}

void EffectGrid::SetCell(int col, int row, int number) {
  cells_[Index(col, row)] = std::max(number, 0);
}

int EffectGrid::ParseStep(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return 0;
  int value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    // Anything past kMaxStep is out of range whatever follows; stop growing.
    value = std::min(value * 10 + (text[i] - '0'), kMaxStep + 1);
  }
  return !negative && value >= 1 && value <= kMaxStep ? value : 0;
}

int EffectGrid::TypeCell(int col, int row, std::string_view text) {
  SetCell(col, row, ParseStep(text));
  return Cell(col, row);
}

StepCheck EffectGrid::CheckSteps() const {
  std::array<std::optional<TilePos>, kMaxStep + 1> claimed;
  StepCheck check;
  for (int col = 0; col < kColumns; ++col)
    for (int row = 0; row < kRows; ++row) {
      const int n = Cell(col, row);
      if (n < 1 || n > kMaxStep) continue;
      if (claimed[n]) {
        check.result = StepCheck::Result::Duplicate;
        check.step = n;
        check.at = {col, row};
        check.first = *claimed[n];
        return check;
      }
      claimed[n] = TilePos{col, row};
      check.highest = std::max(check.highest, n);
    }
  if (check.highest == 0) return check;  // Empty
  for (int n = 1; n <= check.highest; ++n)
    if (!claimed[n]) {
      check.result = StepCheck::Result::Gap;
      check.step = n;
      return check;
    }
  check.result = StepCheck::Result::Ok;
  return check;
}

void EffectGrid::SetTexts(EffectLanguage language, EffectTexts texts) {
  texts_[Slot(language)] = std::move(texts);
}

void EffectGrid::SetOwnName(EffectLanguage language, std::string name) {
  texts_[Slot(language)].OwnName = std::move(name);
}

WriteCheck EffectGrid::CheckWrite(bool test) const {
  if (!test && Texts(EffectLanguage::Japanese).Title.empty() &&
      Texts(EffectLanguage::English).Title.empty())
    return {false, kTitleMissingMessage};
  const StepCheck steps = CheckSteps();
  if (steps.result != StepCheck::Result::Ok)
    return {false, StepCheckMessage(steps, PositionStyle::Tile)};
  return {true, {}};
}

EffectCredits EffectGrid::WrittenCredits(const EffectCredits& file, const std::string& user) {
  EffectCredits written = file;
  if (file.Author.empty()) {
    written.Author = user;
  } else if (file.Author != user) {
    // An empty name would be "found" anywhere; it never counts as listed.
    const bool listed = !user.empty() && written.EditedBy.find(user) != std::string::npos;
    if (written.EditedBy.empty()) {
      written.EditedBy = user;
    } else if (!listed) {
      written.EditedBy += "," + user;
    }
  }
  return written;
}

TTloFile EffectGrid::Header() const {
  const EffectTexts& j = Texts(EffectLanguage::Japanese);
  const EffectTexts& e = Texts(EffectLanguage::English);
  const EffectCredits creditsJ = WrittenCredits(FileCredits(EffectLanguage::Japanese), j.OwnName);
  const EffectCredits creditsE = WrittenCredits(FileCredits(EffectLanguage::English), e.OwnName);
  TTloFile header;
  header.TitleJ = j.Title;
  header.AuthorJ = creditsJ.Author;
  header.EditedByJ = creditsJ.EditedBy;
  header.CommentJ = j.Comment;
  header.TitleE = e.Title;
  header.AuthorE = creditsE.Author;
  header.EditedByE = creditsE.EditedBy;
  header.CommentE = e.Comment;
  return header;
}

TileOrder EffectGrid::Order() const {
  const StepCheck check = CheckSteps();
  if (check.result != StepCheck::Result::Ok) return {};
  TileOrder order(static_cast<std::size_t>(check.highest));
  for (int col = 0; col < kColumns; ++col)
    for (int row = 0; row < kRows; ++row) {
      const int n = Cell(col, row);
      if (n >= 1 && n <= check.highest)
        order[static_cast<std::size_t>(n - 1)] = {static_cast<std::uint16_t>(col),
                                                  static_cast<std::uint16_t>(row)};
    }
  return order;
}

IoStatus EffectGrid::Write(const std::string& fileName) const {
  const TileOrder order = Order();
  if (order.empty()) return IoStatus::Failed("no tile is numbered; nothing was saved");
  return WriteTloFile(fileName, Header(), order);
}

StepCheck EffectGrid::EnterTouchMode() {
  const StepCheck check = CheckSteps();
  if (check.result == StepCheck::Result::Ok || check.result == StepCheck::Result::Empty) {
    touchMode_ = true;
    touchCounter_ = check.highest;
  }
  return check;
}

bool EffectGrid::Touch(int col, int row) {
  if (!touchMode_) return false;
  const int n = Cell(col, row);
  if (n < 1) {
    SetCell(col, row, ++touchCounter_);
    return true;
  }
  if (n == touchCounter_) {
    SetCell(col, row, 0);
    --touchCounter_;
    return true;
  }
  return false;
}

void EffectGrid::Clear() {
  cells_.fill(0);
  touchCounter_ = 0;
  for (EffectTexts& texts : texts_) {
    texts.Title.clear();
    texts.Comment.clear();
  }
  fileCredits_ = {};
}

bool EffectGrid::Open(const std::string& fileName, std::string* error) {
  IniFile ini;
  std::string why;
  if (!LoadTloText(fileName, ini, &why)) {
    if (error) *error = why;
    return false;
  }
  return Open(ini, error);
}

bool EffectGrid::Open(IniFile& ini, std::string* error) {
  const std::int64_t steps = ini.ReadInteger(kInfo, "NumTiles", 0);
  if (steps > kMaxTileSteps) {
    if (error) *error = "the tile count " + std::to_string(steps) + " is too large";
    return false;
  }

  LeaveTouchMode();
  Clear();
  EffectTexts& j = texts_[Slot(EffectLanguage::Japanese)];
  EffectTexts& e = texts_[Slot(EffectLanguage::English)];
  j.Title = ini.ReadString(kInfo, "TitleJ");
  e.Title = ini.ReadString(kInfo, "TitleE");
  j.Comment = ini.ReadString(kInfo, "CommentJ");
  e.Comment = ini.ReadString(kInfo, "CommentE");
  fileCredits_[Slot(EffectLanguage::Japanese)] = {ini.ReadString(kInfo, "AuthorJ"),
                                                  ini.ReadString(kInfo, "EditedByJ")};
  fileCredits_[Slot(EffectLanguage::English)] = {ini.ReadString(kInfo, "AuthorE"),
                                                 ini.ReadString(kInfo, "EditedByE")};
  ini.ForgetSection(kInfo);

  // Each step's section is forgotten once read, keeping every look-up short.
  for (std::int64_t i = 0; i < steps; ++i) {
    const std::string section = std::to_string(i);
    const std::int64_t col = ini.ReadInteger(section, "Col", 0);
    const std::int64_t row = ini.ReadInteger(section, "Row", 0);
    ini.ForgetSection(section);
    if (OnScreen(col, row))
      SetCell(static_cast<int>(col), static_cast<int>(row), static_cast<int>(i + 1));
  }
  return true;
}

}  // namespace mosaicer
