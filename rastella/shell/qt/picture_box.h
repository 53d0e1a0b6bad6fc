#pragma once
// Picture1: the 518 x 518 drawing area of the main window.  The pixels live
// in an off-screen surface, so the drawing survives the window being
// covered, and a View of a large image costs one repaint instead of one per
// pixel.

#include <QImage>
#include <QWidget>
#include <span>

#include "display/picture_surface.h"

namespace rastella {

class PictureBox final : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // The drawing area as it is shown: an image over the surface's pixels,
  // which follows later drawing (copy() keeps a picture of this moment).
  QImage Surface() const;
  ColorValue Background() const { return surface_.PictureBackground(); }

  // Also clears the drawing area to the new colour.
  void SetBackground(ColorValue color);
  // Every pixel becomes the background colour.
  void Clear();
  // Pixels outside the drawing area are dropped.
  void SetPixel(int x, int y, ColorValue color);
  void SetPixelRow(int x, int y, std::span<const ColorValue> colors);

 signals:
  // A left button press and release, both on the picture.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Asks for one repaint, when the surface changed, however many pixels
  // change before it happens.
  void ScheduleRepaint();

  PictureSurface surface_;
  bool repaintScheduled_ = false;
  bool pressed_ = false;
};

}  // namespace rastella
