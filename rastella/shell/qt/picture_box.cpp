#include "shell/qt/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace rastella {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setFixedSize(kPictureSize, kPictureSize);
  setFocusPolicy(Qt::StrongFocus);
  // paintEvent covers every pixel, so Qt need not erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PictureBox::Surface() const {
  // The surface keeps its pixels as Format_RGB32 does: the image reads them
  // in place.
  return QImage(reinterpret_cast<const uchar*>(surface_.Pixels()), kPictureSize, kPictureSize,
                PictureSurface::kBytesPerRow, QImage::Format_RGB32);
}

void PictureBox::SetBackground(ColorValue color) {
  surface_.SetPictureBackground(color);
  ScheduleRepaint();
}

void PictureBox::Clear() {
  surface_.ClearPicture();
  ScheduleRepaint();
}

void PictureBox::SetPixel(int x, int y, ColorValue color) {
  surface_.SetPixel(x, y, color);
  ScheduleRepaint();
}

void PictureBox::SetPixelRow(int x, int y, std::span<const ColorValue> colors) {
  surface_.SetPixelRow(x, y, colors);
  ScheduleRepaint();
}

void PictureBox::ScheduleRepaint() {
  if (surface_.TakeChanged() && !repaintScheduled_) {
    repaintScheduled_ = true;
    update();
  }
}

void PictureBox::paintEvent(QPaintEvent* event) {
  repaintScheduled_ = false;
  QPainter painter(this);
  painter.drawImage(event->rect(), Surface(), event->rect());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) {
    emit clicked();
  }
}

}  // namespace rastella
