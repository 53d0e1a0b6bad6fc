#include "shell/qt/help_window.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "shell/qt/viewer_font.h"
#include "shell/window_design.h"

namespace rastella {

QString UsageText() { return QString::fromStdString(design::UsageText()); }

HelpWindow::HelpWindow() : Label1_(new QLabel(this)), Command1_(new QPushButton(QStringLiteral("OK"), this)) {
  setObjectName(QStringLiteral("helpForm"));
  setWindowTitle(QString::fromLatin1(design::kHelpCaption));

  Label1_->setObjectName(QStringLiteral("Label1"));
  Label1_->setFont(ViewerFont(false));
  Label1_->setTextFormat(Qt::PlainText);
  Label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1_->setMargin(10);
  Label1_->setAutoFillBackground(true);
  QPalette palette = Label1_->palette();
  const ColorValue background = design::kHelpTextColor;
  palette.setColor(QPalette::Window, QColor(RedOf(background), GreenOf(background), BlueOf(background)));
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
