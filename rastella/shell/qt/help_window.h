#pragma once
// helpForm, "Form2": the usage text of the main window's buttons.

#include <QLabel>
#include <QPushButton>
#include <QString>

#include "shell/qt/form_window.h"

namespace rastella {

// The usage text: 26 lines joined with CR LF, without a line end after the
// last line.
QString UsageText();

class HelpWindow final : public FormWindow {
  Q_OBJECT

 public:
  HelpWindow();

 protected:
  void Form_Load() override;
  void ResetControls() override;

 private:
  QLabel* Label1_;
  QPushButton* Command1_;
};

}  // namespace rastella
