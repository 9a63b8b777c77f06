#include "image/ui/bmp_frm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <utility>

#include "app/bitmap_image.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/window_placement.h"
#include "authoring/messages.h"
#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

using Model = TBmpWizardModel;

constexpr const char* kSection = "BmpForm";
constexpr int kMinWidth = 560;
constexpr int kMinHeight = 530;
constexpr int kSwatchSide = 22;
constexpr int kSwatchesPerRow = 8;
constexpr int kFirstBorderPanel = 18;  // Panel18..Panel33
constexpr int kSelectedBevel = 2;
constexpr int kBevel = 1;

// FitCmb's entries, in order.
constexpr std::array<PictureFit, 3> kFits{PictureFit::Crop, PictureFit::Fit, PictureFit::Fill};

int FitIndex(PictureFit fit) {
  return static_cast<int>(std::find(kFits.begin(), kFits.end(), fit) - kFits.begin());
}

QColor ToQt(Rgb c) { return QColor(c.r, c.g, c.b); }

Rgb ToRgb(std::uint32_t colour) {
  const QColor c = ToQColor(colour);
  return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
             static_cast<std::uint8_t>(c.blue())};
}

std::uint32_t ColourValue(Rgb c) { return FromQColor(ToQt(c)); }

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The swatch press needs a clock that never jumps; the model only compares
// differences.
std::chrono::milliseconds MonotonicNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

QFrame* Panel(const char* name, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  return panel;
}

QLabel* Label(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  // The steps move only when a button is pressed, never on Return.
  button->setAutoDefault(false);
  return button;
}

QSpinBox* UpDown(int min, int max, const char* name, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(min, max);
  return box;
}

}  // namespace

// ---------------------------------------------------------------------------

BmpSwatch::BmpSwatch(int number, QWidget* parent) : QFrame(parent), number_(number) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(kBevel);
  setFixedSize(kSwatchSide, kSwatchSide);
}

void BmpSwatch::SetColour(const QColor& colour) {
  colour_ = colour;
  update();
}

void BmpSwatch::SetSelected(bool selected) { setLineWidth(selected ? kSelectedBevel : kBevel); }

void BmpSwatch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colour_);
  drawFrame(&painter);
}

void BmpSwatch::mousePressEvent(QMouseEvent*) { emit pressed(this); }

void BmpSwatch::mouseReleaseEvent(QMouseEvent* event) {
  emit released(this, event->position().toPoint());
}

// A quick second press arrives as a double-click; the wizard times presses
// itself, so it is still a press.
void BmpSwatch::mouseDoubleClickEvent(QMouseEvent*) {
  emit pressed(this);
  emit doubleClicked(this);
}

// ---------------------------------------------------------------------------

BmpPictureView::BmpPictureView(QWidget* parent) : QWidget(parent) {}

void BmpPictureView::SetImage(const QImage& image) {
  image_ = image;
  frame_.reset();
  setFixedSize(image_.isNull() ? QSize(0, 0) : image_.size());
  update();
}

void BmpPictureView::SetFrame(const QRect& rect, const QColor& colour) {
  frame_ = rect;
  frameColour_ = colour;
  update();
}

void BmpPictureView::DrawFrame(QPainter& painter) const {
  if (!frame_) return;
  const QRect& r = *frame_;
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), frameColour_);
  painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), frameColour_);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), frameColour_);
  painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), frameColour_);
}

QImage BmpPictureView::Displayed() const {
  QImage shown = image_.copy();
  if (!shown.isNull()) {
    QPainter painter(&shown);
    DrawFrame(painter);
  }
  return shown;
}

void BmpPictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
  DrawFrame(painter);
}

void BmpPictureView::mousePressEvent(QMouseEvent* event) {
  held_ = true;
  emit pressed(event->position().toPoint());
}

void BmpPictureView::mouseMoveEvent(QMouseEvent* event) {
  if (held_) emit dragged(event->position().toPoint());
}

void BmpPictureView::mouseReleaseEvent(QMouseEvent*) { held_ = false; }

// ---------------------------------------------------------------------------

TBmpFrm::TBmpFrm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      TabControl1_(new QTabWidget(this)),
      PrevBtn_(Button(Tq("&Back"), "PrevBtn", this)),
      NextBtn_(Button(Tq("&Next"), "NextBtn", this)),
      PalPanel_(Panel("PalPanel", this)),
      ReducePanel_(Panel("ReducePanel", this)),
      RectPanel_(Panel("RectPanel", this)),
      PalImg_(new BmpPictureView(this)),
      ReduceImg_(new BmpPictureView(this)),
      RectImg_(new BmpPictureView(this)),
      PrevImg_(new BmpPictureView(this)) {
  setObjectName("BmpFrm");
  setWindowTitle(Tq("Load Picture"));
  setModal(true);
  TabControl1_->setObjectName("TabControl1");
  PalImg_->setObjectName("PalImg");
  ReduceImg_->setObjectName("ReduceImg");
  RectImg_->setObjectName("RectImg");
  PrevImg_->setObjectName("PrevImg");

  TabControl1_->addTab(Scrolled(PalImg_, "PalScroll"), Tq("Palette"));
  TabControl1_->addTab(Scrolled(ReduceImg_, "ReduceScroll"), Tq("Colors"));
  TabControl1_->addTab(Scrolled(RectImg_, "RectScroll"), Tq("Area"));
  TabControl1_->addTab(Scrolled(PrevImg_, "PrevScroll"), Tq("Preview"));
  // Only the wizard's own buttons move between steps: any other change of
  // tab (mouse, wheel, Ctrl+Tab) is taken back at once.
  TabControl1_->tabBar()->setFocusPolicy(Qt::NoFocus);
  connect(TabControl1_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index != model_.CurrentStep()) TabControl1_->setCurrentIndex(model_.CurrentStep());
  });

  BuildPalPanel();
  BuildReducePanel();
  BuildRectPanel();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(PrevBtn_);
  buttons->addWidget(NextBtn_);
  // The pages scroll on a small screen; the buttons stay in view below them.
  auto* layout = new QVBoxLayout(ScrollingBody(*this));
  layout->addWidget(TabControl1_, 1);
  layout->addWidget(PalPanel_);
  layout->addWidget(ReducePanel_);
  layout->addWidget(RectPanel_);
  buttons->setContentsMargins(layout->contentsMargins());
  static_cast<QVBoxLayout*>(this->layout())->addLayout(buttons);

  FitSizeLimits(*this, QSize(kMinWidth, kMinHeight), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  resize(QSize(kMinWidth, kMinHeight).boundedTo(AvailableScreenSize(*this)));

  connect(NextBtn_, &QPushButton::clicked, this, [this] { NextBtnClick(); });
  connect(PrevBtn_, &QPushButton::clicked, this, [this] { PrevBtnClick(); });

  ShowOptions();
  ShowComponents(Rgb{});
  ShowStep();
}

TBmpFrm::~TBmpFrm() { EndSwatchDrag(); }

QScrollArea* TBmpFrm::Scrolled(BmpPictureView* view, const char* name) {
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(name);
  scroll->setWidget(view);
  scroll->setFocusPolicy(Qt::NoFocus);
  return scroll;
}

void TBmpFrm::BuildPalPanel() {
  QWidget* p = PalPanel_;
  auto* colours = new QGridLayout;
  colours->setSpacing(2);
  for (int i = 0; i < Model::kSwatchCount; ++i) {
    auto* swatch = new BmpSwatch(i, p);
    swatch->setObjectName(QStringLiteral("Panel%1").arg(i));
    swatches_[static_cast<std::size_t>(i)] = swatch;
    if (i == Model::kPickedSwatch)
      colours->addWidget(swatch, 0, kSwatchesPerRow + 1);
    else
      colours->addWidget(swatch, i / kSwatchesPerRow, i % kSwatchesPerRow);
    connect(swatch, &BmpSwatch::pressed, this, [this](BmpSwatch* s) { SwatchPress(s); });
    connect(swatch, &BmpSwatch::released, this,
            [this](BmpSwatch* s, QPoint at) { SwatchRelease(s, at); });
  }
  colours->setColumnMinimumWidth(kSwatchesPerRow, kSwatchSide / 2);
  PalRLbl_ = Label({}, "PalRLbl", p);
  PalGLbl_ = Label({}, "PalGLbl", p);
  PalBLbl_ = Label({}, "PalBLbl", p);
  auto* components = new QVBoxLayout;
  components->addWidget(PalRLbl_);
  components->addWidget(PalGLbl_);
  components->addWidget(PalBLbl_);

  PalModeCmb_ = new QComboBox(p);
  PalModeCmb_->setObjectName("PalModeCmb");
  PalModeCmb_->addItems({Tq("RGB apart (3D)"), Tq("RRGGBB (1D)"), Tq("RGBRGB (1D)")});
  PalBitUd_ = UpDown(kMinWizardBits, kMaxWizardBits, "PalBitUd", p);
  PalIdxUd_ = UpDown(0, kMaxKeep, "PalIdxUd", p);
  GetPalBtn_ = Button(Tq("Make"), "GetPalBtn", p);
  PalSaveBtn_ = Button(Tq("Save"), "PalSaveBtn", p);
  PalLoadBtn_ = Button(Tq("Load"), "PalLoadBtn", p);
  NoReduceCk_ = new QCheckBox(Tq("Keep the colors (16-color pictures only)"), p);
  NoReduceCk_->setObjectName("NoReduceCk");

  auto* generate = new QGridLayout;
  generate->addWidget(Label(Tq("Method"), "PalModeLbl", p), 0, 0);
  generate->addWidget(PalModeCmb_, 0, 1);
  generate->addWidget(Label(Tq("Bits"), "PalBitLbl", p), 0, 2);
  generate->addWidget(PalBitUd_, 0, 3);
  generate->addWidget(Label(Tq("Colors kept"), "PalIdxLbl", p), 0, 4);
  generate->addWidget(PalIdxUd_, 0, 5);
  generate->addWidget(GetPalBtn_, 0, 6);
  generate->addWidget(Label(Tq("Palette file"), "PalFileLbl", p), 1, 0);
  generate->addWidget(PalSaveBtn_, 1, 1);
  generate->addWidget(PalLoadBtn_, 1, 2, 1, 2);
  generate->addWidget(NoReduceCk_, 1, 4, 1, 3);

  auto* top = new QHBoxLayout;
  top->addLayout(colours);
  top->addSpacing(kSwatchSide);
  top->addLayout(components);
  top->addStretch();
  auto* layout = new QVBoxLayout(p);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(top);
  layout->addLayout(generate);

  for (const auto& [label, field] : {std::pair{"PalModeLbl", static_cast<QWidget*>(PalModeCmb_)},
                                     std::pair{"PalBitLbl", static_cast<QWidget*>(PalBitUd_)},
                                     std::pair{"PalIdxLbl", static_cast<QWidget*>(PalIdxUd_)}})
    p->findChild<QLabel*>(label)->setBuddy(field);
  connect(PalModeCmb_, &QComboBox::currentIndexChanged, this,
          [this](int i) { model_.SetMethodPosition(i); });
  connect(PalBitUd_, &QSpinBox::valueChanged, this, [this](int v) { model_.SetBits(v); });
  connect(PalIdxUd_, &QSpinBox::valueChanged, this, [this](int v) { model_.SetKeep(v); });
  connect(NoReduceCk_, &QCheckBox::toggled, this, [this](bool on) { model_.SetNoReduce(on); });
  connect(GetPalBtn_, &QPushButton::clicked, this, [this] { GetPalBtnClick(); });
  connect(PalSaveBtn_, &QPushButton::clicked, this, [this] { PalSaveBtnClick(); });
  connect(PalLoadBtn_, &QPushButton::clicked, this, [this] { PalLoadBtnClick(); });
  connect(PalImg_, &BmpPictureView::pressed, this, [this](QPoint at) { PalImgPress(at); });
}

void TBmpFrm::BuildReducePanel() {
  QWidget* p = ReducePanel_;
  ErrCk_ = new QCheckBox(Tq("Dither"), p);
  ErrCk_->setObjectName("ErrCk");
  ErrKUd_ = UpDown(kMinStrength, kMaxStrength, "ErrKUd", p);
  ErrKUd_->setSuffix(QStringLiteral(" %"));
  auto* layout = new QHBoxLayout(p);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ErrCk_);
  layout->addSpacing(kSwatchSide);
  layout->addWidget(Label(Tq("Strength"), "ErrKLbl", p));
  layout->addWidget(ErrKUd_);
  layout->addStretch();
  p->findChild<QLabel*>("ErrKLbl")->setBuddy(ErrKUd_);
  connect(ErrCk_, &QCheckBox::toggled, this, [this](bool on) { model_.SetErrorDiffusion(on); });
  connect(ErrKUd_, &QSpinBox::valueChanged, this,
          [this](int v) { model_.SetDiffusionStrength(v); });
}

void TBmpFrm::BuildRectPanel() {
  QWidget* p = RectPanel_;
  XLbl_ = Label({}, "XLbl", p);
  YLbl_ = Label({}, "YLbl", p);
  LBtn_ = Button(QStringLiteral("←"), "LBtn", p);
  RBtn_ = Button(QStringLiteral("→"), "RBtn", p);
  UBtn_ = Button(QStringLiteral("↑"), "UBtn", p);
  DBtn_ = Button(QStringLiteral("↓"), "DBtn", p);
  auto* arrows = new QGridLayout;
  arrows->setSpacing(0);
  arrows->addWidget(UBtn_, 0, 1);
  arrows->addWidget(LBtn_, 1, 0);
  arrows->addWidget(RBtn_, 1, 2);
  arrows->addWidget(DBtn_, 2, 1);
  for (QPushButton* b : {LBtn_, RBtn_, UBtn_, DBtn_}) {
    b->setFixedSize(2 * kSwatchSide, kSwatchSide + kSwatchSide / 2);
    b->setFocusPolicy(Qt::NoFocus);
  }

  RectColPanel_ = new BmpSwatch(-1, p);
  RectColPanel_->setObjectName("RectColPanel");
  connect(RectColPanel_, &BmpSwatch::doubleClicked, this, [this] { RectColPanelDblClick(); });

  auto* border = new QGridLayout;
  border->setSpacing(2);
  for (int i = 0; i < Model::kBorderSwatchCount; ++i) {
    auto* swatch = new BmpSwatch(i, p);
    swatch->setObjectName(QStringLiteral("Panel%1").arg(kFirstBorderPanel + i));
    borderSwatches_[static_cast<std::size_t>(i)] = swatch;
    border->addWidget(swatch, i / kSwatchesPerRow, i % kSwatchesPerRow);
    connect(swatch, &BmpSwatch::pressed, this, [this](BmpSwatch* s) {
      model_.SelectBorder(s->Number());
      PaintBorderSwatches();
      // Under fit the area around the picture shows the border colour.
      if (model_.Options().fit == PictureFit::Fit && model_.CurrentStep() == Model::kRangeStep)
        ShowRange();
    });
  }

  FitCmb_ = new QComboBox(p);
  FitCmb_->setObjectName("FitCmb");
  FitCmb_->addItems({Tq("Crop at 1:1"), Tq("Fit whole picture"), Tq("Fill the area")});
  QLabel* fitLabel = Label(Tq("Placement"), "FitLbl", p);
  fitLabel->setBuddy(FitCmb_);
  connect(FitCmb_, &QComboBox::currentIndexChanged, this, [this](int i) { FitCmbChange(i); });

  auto* labels = new QVBoxLayout;
  labels->addWidget(XLbl_);
  labels->addWidget(YLbl_);
  auto* frame = new QHBoxLayout;
  frame->addWidget(Label(Tq("Frame color"), "RectColLbl", p));
  frame->addWidget(RectColPanel_);
  frame->addStretch();
  labels->addLayout(frame);
  labels->addWidget(fitLabel);
  labels->addWidget(FitCmb_);
  auto* borderBox = new QVBoxLayout;
  borderBox->addWidget(Label(Tq("Border color"), "BorderLbl", p));
  borderBox->addLayout(border);

  auto* layout = new QHBoxLayout(p);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(arrows);
  layout->addSpacing(kSwatchSide);
  layout->addLayout(labels);
  layout->addSpacing(kSwatchSide);
  layout->addLayout(borderBox);
  layout->addStretch();

  // GoLeft, GoRight, GoUp, GoDown: the buttons and the bare arrow keys.
  struct Move {
    const char* name;
    Qt::Key key;
    QPushButton* button;
    int dx, dy;
  };
  const std::array<Move, 4> moves{{{"GoLeft", Qt::Key_Left, LBtn_, -1, 0},
                                   {"GoRight", Qt::Key_Right, RBtn_, 1, 0},
                                   {"GoUp", Qt::Key_Up, UBtn_, 0, -1},
                                   {"GoDown", Qt::Key_Down, DBtn_, 0, 1}}};
  for (std::size_t i = 0; i < moves.size(); ++i) {
    const Move& m = moves[i];
    auto* action = new QAction(this);
    action->setObjectName(m.name);
    action->setShortcut(QKeySequence(m.key));
    addAction(action);
    goActions_[i] = action;
    connect(action, &QAction::triggered, this, [this, m] { Go(m.dx, m.dy); });
    connect(m.button, &QPushButton::clicked, action, &QAction::trigger);
  }

  connect(RectImg_, &BmpPictureView::pressed, this, [this](QPoint at) { RectImgMove(at); });
  connect(RectImg_, &BmpPictureView::dragged, this, [this](QPoint at) { RectImgMove(at); });
}

// ---------------------------------------------------------------------------

bool TBmpFrm::SetPicture(Bitmap* picture, LogPalette* palette, int* border) {
  if (picture == nullptr || palette == nullptr || border == nullptr) return false;
  if (!model_.SetPicture(picture)) return false;
  picture_ = picture;
  palette_ = palette;
  border_ = border;

  NoReduceCk_->setEnabled(model_.NoReduceEnabled());
  NoReduceCk_->setChecked(model_.NoReduce());
  // The steps work on the picture as it is placed in the area.
  const QImage source = ToQImage(*model_.Source());
  PalImg_->SetImage(source);
  ReduceImg_->SetImage(source);
  RectImg_->SetImage({});
  PrevImg_->SetImage({});
  PaintSwatches();
  PaintBorderSwatches();
  ShowStep();
  return true;
}

void TBmpFrm::ShowOptions() {
  const BmpWizardOptions& o = model_.Options();
  PalModeCmb_->setCurrentIndex(o.methodPosition);
  PalBitUd_->setValue(o.bits);
  PalIdxUd_->setValue(o.keep);
  ErrCk_->setChecked(o.errorDiffusion);
  ErrKUd_->setValue(o.diffusionStrength);
  RectColPanel_->SetColour(ToQColor(o.frameColour));
  FitCmb_->setCurrentIndex(FitIndex(o.fit));
}

void TBmpFrm::ReadSettings(const IniFile& ini) {
  const BmpWizardSettings s = ReadBmpWizardSettings(ini);
  const WindowGeometry& g = s.geometry;
  ReadPlacement(*this, ini, kSection, Placement{g.top, g.left, g.width, g.height});
  model_.SetOptions(s.options);
  customColours_ = s.customColours;

  ShowOptions();
}

void TBmpFrm::WriteSettings(IniFile& ini) const {
  BmpWizardSettings s;
  s.geometry = WindowGeometry{y(), x(), width(), height()};
  s.options = model_.Options();
  s.customColours = customColours_;
  WriteBmpWizardSettings(ini, s);
}

void TBmpFrm::done(int result) {
  EndSwatchDrag();
  model_.Close();
  picture_ = nullptr;
  palette_ = nullptr;
  border_ = nullptr;
  QDialog::done(result);
}

// ---------------------------------------------------------------------------

void TBmpFrm::NextBtnClick() {
  if (picture_ == nullptr) return;
  SetBusy(true);
  if (model_.Next()) {
    const TBmpWizardResult result = model_.Result();
    *picture_ = result.picture;
    *palette_ = result.palette;
    *border_ = result.border;
    SetBusy(false);
    accept();
    return;
  }
  switch (model_.CurrentStep()) {
    case Model::kRangeStep:
      ShowRange();
      break;
    case Model::kPreviewStep:
      PrevImg_->SetImage(ToQImage(model_.OutputPicture()));
      break;
    default:
      break;
  }
  PaintSwatches();
  PaintBorderSwatches();
  ShowStep();
  SetBusy(false);
}

void TBmpFrm::PrevBtnClick() {
  SetBusy(true);
  model_.Prev();
  ShowStep();
  SetBusy(false);
}

void TBmpFrm::ShowStep() {
  const int step = model_.CurrentStep();
  TabControl1_->setCurrentIndex(step);
  PalPanel_->setVisible(step == Model::kPaletteStep);
  ReducePanel_->setVisible(step == Model::kReduceStep);
  RectPanel_->setVisible(step == Model::kRangeStep);
  // The arrow keys belong to the other steps' controls there.
  for (QAction* action : goActions_) action->setEnabled(step == Model::kRangeStep);
}

void TBmpFrm::SetBusy(bool busy) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{PrevBtn_, NextBtn_, PalPanel_, ReducePanel_, RectPanel_})
    w->setEnabled(!busy);
}

// ---------------------------------------------------------------------------

void TBmpFrm::GetPalBtnClick() {
  GetPalBtn_->setEnabled(false);
  if (model_.GenerateFromSwatches()) PaintSwatches();
  GetPalBtn_->setEnabled(true);
}

void TBmpFrm::PalSaveBtnClick() {
  const auto file = dialogs_.SaveFile(this, Tr(kPalSaveTitle), model_.Options().paletteFolder,
                                      kPalFilter, ".pal");
  if (!file) return;
  if (!model_.SavePaletteFile(*file))
    dialogs_.Error(this, Tr("Cannot create the palette file.\n") + *file);
}

void TBmpFrm::PalLoadBtnClick() {
  const auto file =
      dialogs_.OpenFile(this, std::string(), model_.Options().paletteFolder, kPalFilter);
  if (!file) return;
  switch (model_.LoadPaletteFile(*file)) {
    case PalFileStatus::Loaded:
      PaintSwatches();
      break;
    case PalFileStatus::WrongVersion:  // not ours: ignored without a word
      break;
    case PalFileStatus::Unreadable:
      dialogs_.Error(this, Tr("Cannot read the palette file.\n") + *file);
      break;
  }
}

void TBmpFrm::PalImgPress(QPoint at) {
  if (!model_.PickColour(at.x(), at.y())) return;
  const Rgb picked = model_.Swatch(Model::kPickedSwatch);
  Swatch(Model::kPickedSwatch)->SetColour(ToQt(picked));
  ShowComponents(picked);
}

void TBmpFrm::SwatchPress(BmpSwatch* swatch) {
  const int number = swatch->Number();
  const auto press = model_.PressSwatch(
      number, MonotonicNow(), std::chrono::milliseconds(QApplication::doubleClickInterval()));
  if (press == TBmpWizardModel::SwatchPress::Drag) {
    PaintSwatches();
    ShowComponents(model_.Swatch(number));
    if (!dragCursor_) QApplication::setOverrideCursor(Qt::CrossCursor);
    dragCursor_ = true;
    return;
  }
  const auto chosen =
      dialogs_.ChooseColour(this, ColourValue(model_.Swatch(number)), customColours_);
  if (!chosen) return;
  model_.SetSwatchColour(number, ToRgb(*chosen));
  PaintSwatches();
}

void TBmpFrm::SwatchRelease(BmpSwatch* swatch, QPoint at) {
  if (!model_.Dragging()) return;
  // The drop target is the palette swatch under the point let go.
  int target = Model::kNoSwatch;
  for (QWidget* w = childAt(swatch->mapTo(this, at)); w != nullptr; w = w->parentWidget()) {
    const auto found = std::find(swatches_.begin(), swatches_.end(), w);
    if (found != swatches_.end()) {
      target = (*found)->Number();
      break;
    }
  }
  model_.DropSwatch(target);
  EndSwatchDrag();
  PaintSwatches();
}

void TBmpFrm::EndSwatchDrag() {
  if (dragCursor_) QApplication::restoreOverrideCursor();
  dragCursor_ = false;
}

void TBmpFrm::ShowComponents(Rgb colour) {
  const auto labels = ComponentLabels(colour);
  PalRLbl_->setText(Text(labels[0]));
  PalGLbl_->setText(Text(labels[1]));
  PalBLbl_->setText(Text(labels[2]));
}

void TBmpFrm::PaintSwatches() {
  for (int i = 0; i < Model::kSwatchCount; ++i) {
    BmpSwatch* swatch = Swatch(i);
    swatch->SetColour(ToQt(model_.Swatch(i)));
    swatch->SetSelected(i == model_.SelectedSwatch());
  }
}

void TBmpFrm::PaintBorderSwatches() {
  for (int i = 0; i < Model::kBorderSwatchCount; ++i) {
    BmpSwatch* swatch = BorderSwatch(i);
    swatch->SetColour(ToQt(model_.BorderSwatch(i)));
    swatch->SetSelected(i == model_.BorderIndex());
  }
}

// ---------------------------------------------------------------------------

void TBmpFrm::RectImgMove(QPoint at) {
  if (model_.CurrentStep() != Model::kRangeStep) return;
  model_.MoveSelection(at.x(), at.y());
  ShowSelection();
}

void TBmpFrm::Go(int dx, int dy) {
  if (model_.CurrentStep() != Model::kRangeStep) return;
  model_.MoveSelection(model_.SelectionX() + dx, model_.SelectionY() + dy);
  ShowSelection();
}

void TBmpFrm::RectColPanelDblClick() {
  const auto chosen = dialogs_.ChooseColour(this, model_.Options().frameColour, customColours_);
  if (!chosen) return;
  model_.SetFrameColour(*chosen);
  RectColPanel_->SetColour(ToQColor(model_.Options().frameColour));
  model_.MoveSelection(model_.SelectionX(), model_.SelectionY());
  ShowSelection();
}

// A new placement redoes the steps before the area: every picture shown so
// far is the newly placed one.
void TBmpFrm::FitCmbChange(int index) {
  if (index < 0 || index >= static_cast<int>(kFits.size())) return;
  const PictureFit fit = kFits[static_cast<std::size_t>(index)];
  if (fit == model_.Options().fit) return;
  SetBusy(true);
  const bool fitted = model_.SetFit(fit);
  SetBusy(false);
  if (!fitted) {
    FitCmb_->setCurrentIndex(FitIndex(model_.Options().fit));
    dialogs_.Error(this, PictureTooSmallMessage());
    return;
  }
  if (!model_.HasPicture()) return;
  const QImage source = ToQImage(*model_.Source());
  PalImg_->SetImage(source);
  ReduceImg_->SetImage(source);
  NoReduceCk_->setEnabled(model_.NoReduceEnabled());
  NoReduceCk_->setChecked(model_.NoReduce());
  PaintSwatches();
  PaintBorderSwatches();
  if (model_.CurrentStep() >= Model::kRangeStep) ShowRange();
  if (model_.CurrentStep() == Model::kPreviewStep)
    PrevImg_->SetImage(ToQImage(model_.OutputPicture()));
}

void TBmpFrm::ShowRange() {
  RectImg_->SetImage(ToQImage(model_.ShownRangePicture()));
  ShowSelection();
}

void TBmpFrm::ShowSelection() {
  XLbl_->setText(Text(model_.XLabel()));
  YLbl_->setText(Text(model_.YLabel()));
  const QRect selection(model_.SelectionX(), model_.SelectionY(), kVisibleWidth, kVisibleHeight);
  RectImg_->SetFrame(selection, ToQColor(model_.Options().frameColour));
}

}  // namespace mosaicer
