// The main window's picture: the prepared 300 x 216 picture on a black
// diagonal cross-hatch, which shows wherever no picture covers the box.
#pragma once

#include <QImage>
#include <QWidget>

namespace mosaicer {

class PictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);
  // A null image shows the hatch alone.
  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace mosaicer
