#include "shell/qt/about_window.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "shell/qt/viewer_font.h"
#include "shell/window_design.h"

namespace rastella {

namespace {

QLabel* MakeLabel(const char* name, const QFont& font, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QFrame* MakeSeparator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setObjectName(QStringLiteral("Line1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

AboutWindow::AboutWindow()
    : lblTitle_(MakeLabel("lblTitle", ViewerFont(true, 12), this)),
      lblVersion_(MakeLabel("lblVersion", ViewerFont(false), this)),
      lblDescription_(MakeLabel("lblDescription", ViewerFont(false), this)),
      lblDisclaimer_(MakeLabel("lblDisclaimer", ViewerFont(false), this)),
      cmdOK_(new QPushButton(QStringLiteral("OK"), this)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QString::fromLatin1(design::kAboutCaption));
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);
  cmdOK_->setMinimumWidth(84);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(lblDisclaimer_, 1);
  buttonRow->addWidget(cmdOK_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 12);
  layout->addWidget(lblTitle_);
  layout->addWidget(lblVersion_);
  layout->addWidget(MakeSeparator(this));
  layout->addWidget(lblDescription_);
  layout->addWidget(MakeSeparator(this));
  layout->addLayout(buttonRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(cmdOK_, &QPushButton::clicked, this, &QWidget::close);
  ResetControls();
}

void AboutWindow::ResetControls() {
  SetCaption(lblTitle_, QString::fromLatin1(design::kAboutTitle));
  SetCaption(lblVersion_, QString::fromLatin1(design::kAboutVersionAtDesign));
  SetCaption(lblDescription_, QString::fromLatin1(design::kAboutDescription));
  SetCaption(lblDisclaimer_, QString());
}

void AboutWindow::Form_Load() { SetCaption(lblVersion_, QString::fromLatin1(design::kAboutVersion)); }

}  // namespace rastella
