// The demonstration program's about box: a framed, read-only text about
// Tweenery, two link labels and an "OK" button. Enter and Escape both close
// it with the Accepted result, as the button is both default and cancel.
#pragma once

#include <QDialog>

class QFrame;
class QKeyEvent;
class QPlainTextEdit;
class QPushButton;

namespace tweenery {

class TUrlLabel;

class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutForm(QWidget* Parent = nullptr);

  QPlainTextEdit* Memo() const { return FMemo1; }
  TUrlLabel* DocumentationLink() const { return FUrlLabel1; }
  TUrlLabel* FolderLink() const { return FUrlLabel2; }
  QPushButton* OKButton() const { return FOKButton; }

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreatePanel();
  void CreateLinks();
  void CreateButton();

  QFrame* FPanel1 = nullptr;
  QPlainTextEdit* FMemo1 = nullptr;
  TUrlLabel* FUrlLabel1 = nullptr;
  TUrlLabel* FUrlLabel2 = nullptr;
  QPushButton* FOKButton = nullptr;
};

// The about text: what Tweenery is, the component's own About lines, its
// operations, the settings and keys of the demonstration and the terms of use.
QString AboutText();

}  // namespace tweenery
