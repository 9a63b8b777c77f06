#include "app/picture_box.h"

#include <QPainter>

#include "core/subcode_pack.h"

namespace mosaicer {
namespace {
// One line more than the screen, as the box has always been.
constexpr int kBoxWidth = kScreenWidth;
constexpr int kBoxHeight = kScreenHeight + 1;
}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setObjectName("BmpImg");
  // Fills the scroll box, so the hatch shows around the picture too.
  setMinimumSize(kBoxWidth, kBoxHeight);
}

void PictureBox::SetImage(const QImage& image) {
  image_ = image;
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.fillRect(rect(), QBrush(Qt::black, Qt::DiagCrossPattern));
  if (!image_.isNull()) painter.drawImage(0, 0, image_);
}

}  // namespace mosaicer
