#include "shell/qt/help_window.h"

#include <QHBoxLayout>
#include <QStringList>
#include <QVBoxLayout>

#include "shell/qt/viewer_font.h"

namespace rastella {

QString UsageText() {
  // The spelling is the program's own and stays as it is.
  const QStringList lines = {
      QString(),
      QStringLiteral("   Usage:  Select an image file from the green list"),
      QStringLiteral("                    then use one of the functions below."),
      QString(),
      QStringLiteral("    View"),
      QStringLiteral("      Loads and shows the selected image."),
      QStringLiteral("      For 32-bit RGBA images, the effect of transparency"),
      QStringLiteral("      and the Alpha channel are shown separately."),
      QString(),
      QStringLiteral("    Save ALPHA"),
      QStringLiteral("      The alpha channel, if present, is saved as a grayscale TGA file,"),
      QStringLiteral("      named ALPHA-<original_name>.TGA"),
      QString(),
      QStringLiteral("    Save TGA"),
      QStringLiteral("      The loaded image is saved as a TGA file"),
      QStringLiteral("      named TGA-<original_name>.TGA"),
      QStringLiteral("      The file format is 24-bit for RGB of 32-bit for RGBA."),
      QString(),
      QStringLiteral("    Save ZTF"),
      QStringLiteral("      The loaded image is saved as an ZTF file"),
      QStringLiteral("      named ZTF-<original_name>.TGA"),
      QStringLiteral("      The image data are saved filtered PNG style"),
      QStringLiteral("      either as 24-bit RGB alone or with added 8-bit Alpha channel."),
      QString(),
      QStringLiteral("    Images larger than 256x256 are shown truncated."),
      QStringLiteral("    Maximum size of image is 1025x1024 pixels 32-bit RGBA."),
  };
  return lines.join(QStringLiteral("\r\n"));
}

HelpWindow::HelpWindow() : Label1_(new QLabel(this)), Command1_(new QPushButton(QStringLiteral("OK"), this)) {
  setObjectName(QStringLiteral("helpForm"));
  setWindowTitle(QStringLiteral("Form2"));

  Label1_->setObjectName(QStringLiteral("Label1"));
  Label1_->setFont(ViewerFont(false));
  Label1_->setTextFormat(Qt::PlainText);
  Label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1_->setMargin(10);
  Label1_->setAutoFillBackground(true);
  QPalette palette = Label1_->palette();
  palette.setColor(QPalette::Window, QColor(255, 224, 192));
  palette.setColor(QPalette::WindowText, Qt::black);
  Label1_->setPalette(palette);

  Command1_->setObjectName(QStringLiteral("Command1"));
  Command1_->setDefault(true);
  Command1_->setMinimumWidth(84);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(Command1_);
  buttonRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(Label1_, 1);
  layout->addLayout(buttonRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Command1_, &QPushButton::clicked, this, &QWidget::close);
  ResetControls();
}

void HelpWindow::ResetControls() { SetCaption(Label1_, QString()); }

void HelpWindow::Form_Load() { SetCaption(Label1_, UsageText()); }

}  // namespace rastella
