#pragma once
// Picture1: the 518 x 518 drawing area of the main window.  The pixels live
// in an off-screen image, so the drawing survives the window being covered,
// and a View of a large image costs one repaint instead of one per pixel.

#include <QImage>
#include <QWidget>

#include "shell/image_state.h"

namespace rastella {

class PictureBox final : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // The drawing area as it is shown.
  const QImage& Surface() const { return surface_; }
  ColorValue Background() const { return background_; }

  // Also clears the drawing area to the new colour.
  void SetBackground(ColorValue color);
  // Every pixel becomes the background colour.
  void Clear();
  // Pixels outside the drawing area are dropped.
  void SetPixel(int x, int y, ColorValue color);

 signals:
  // A left button press and release, both on the picture.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Asks for one repaint however many pixels change before it happens.
  void ScheduleRepaint();

  QImage surface_;
  ColorValue background_;
  bool repaintScheduled_ = false;
  bool pressed_ = false;
};

}  // namespace rastella
