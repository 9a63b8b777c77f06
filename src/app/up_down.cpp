#include "app/up_down.h"

#include <QLineEdit>

namespace mosaicer {
namespace {
// Wide enough for the arrows only.
constexpr int kArrowsWidth = 18;
}  // namespace

UpDown::UpDown(QWidget* parent) : QAbstractSpinBox(parent) {
  setFixedWidth(kArrowsWidth);
  setFocusPolicy(Qt::NoFocus);
  lineEdit()->setReadOnly(true);
}

void UpDown::stepBy(int steps) {
  for (; steps > 0; --steps) emit up();
  for (; steps < 0; ++steps) emit down();
}

}  // namespace mosaicer
