#include "shell/qt/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "shell/window_operations.h"

namespace rastella {

namespace {

QRgb ToRgb(ColorValue color) { return qRgb(RedOf(color), GreenOf(color), BlueOf(color)); }

}  // namespace

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), surface_(kPictureSize, kPictureSize, QImage::Format_RGB32), background_(kStartBackground) {
  setFixedSize(kPictureSize, kPictureSize);
  setFocusPolicy(Qt::StrongFocus);
  // paintEvent covers every pixel, so Qt need not erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  surface_.fill(ToRgb(background_));
}

void PictureBox::SetBackground(ColorValue color) {
  background_ = color;
  Clear();
}

void PictureBox::Clear() {
  surface_.fill(ToRgb(background_));
  ScheduleRepaint();
}

void PictureBox::SetPixel(int x, int y, ColorValue color) {
  if (x < 0 || y < 0 || x >= kPictureSize || y >= kPictureSize) {
    return;
  }
  reinterpret_cast<QRgb*>(surface_.scanLine(y))[x] = ToRgb(color);
  ScheduleRepaint();
}

void PictureBox::ScheduleRepaint() {
  if (!repaintScheduled_) {
    repaintScheduled_ = true;
    update();
  }
}

void PictureBox::paintEvent(QPaintEvent* event) {
  repaintScheduled_ = false;
  QPainter painter(this);
  painter.drawImage(event->rect(), surface_, event->rect());
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
