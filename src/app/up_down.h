// An up-down control without a value of its own: its arrows (and the arrow
// keys and wheel over it) only say "up" or "down", and the window decides
// what moves.
#pragma once

#include <QAbstractSpinBox>

namespace mosaicer {

class UpDown : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit UpDown(QWidget* parent = nullptr);
  void stepBy(int steps) override;

 signals:
  void up();
  void down();

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

}  // namespace mosaicer
