#pragma once
// frmAbout, "About MyApp": the tool's title and the versions of the program
// and of the ZTF algorithm.

#include <QLabel>
#include <QPushButton>

#include "shell/qt/form_window.h"

namespace rastella {

class AboutWindow final : public FormWindow {
  Q_OBJECT

 public:
  AboutWindow();

 protected:
  void Form_Load() override;
  void ResetControls() override;

 private:
  QLabel* lblTitle_;
  QLabel* lblVersion_;
  QLabel* lblDescription_;
  QLabel* lblDisclaimer_;
  QPushButton* cmdOK_;
};

}  // namespace rastella
