#pragma once
// A secondary window of the viewer with the life of a form: opening it loads
// it (its Form_Load runs) unless it is loaded already, and closing it, by
// its OK button or by the window manager, unloads it.  Unloading puts its
// controls back as they were designed, so the next load starts afresh.  The
// object itself lives on, held by the main window.

#include <QLabel>
#include <QString>
#include <QWidget>

namespace rastella {

class FormWindow : public QWidget {
  Q_OBJECT

 public:
  // Shows the window, loading it first when it is not loaded.  A window that
  // is shown already comes to the front without loading again.
  void Open();
  bool IsLoaded() const { return loaded_; }

 protected:
  FormWindow();

  virtual void Form_Load() = 0;
  // Puts every control back as it was designed.
  virtual void ResetControls() = 0;

  void closeEvent(QCloseEvent* event) override;

 private:
  bool loaded_ = false;
};

// Label captions use CR LF between lines; a QLabel breaks lines at LF only
// and would show the CR.  The caption keeps its CR LF, readable with
// Caption().
void SetCaption(QLabel* label, const QString& caption);
QString Caption(const QLabel* label);

}  // namespace rastella
