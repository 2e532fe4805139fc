// Answers the file dialog that an image-file editor opens, as a user
// would: the tests of the Designer plugin and of forms in Designer's core.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>

// Types the file name into the dialog's name field and confirms.
inline void ChooseFile(QFileDialog* Dialog, const QString& FileName) {
  auto* edit = Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(edit);
  edit->setText(FileName);
  static_cast<QDialog*>(Dialog)->accept();
}

// Answers the next file dialog once it is up: Respond gets the dialog and
// may accept or reject it; what the dialog showed is kept for the test.
class TDialogScript : public QObject {
 public:
  std::function<void(QFileDialog*)> Respond;
  QString Directory;
  QString Title;
  QStringList Filters;
  bool Seen = false;

  void Arm() {
    QTimer::singleShot(std::chrono::milliseconds(50), this, [this] { Poll(); });
  }

  static TDialogScript* Choosing(const QString& FileName, QObject* Parent) {
    auto* script = new TDialogScript;
    script->setParent(Parent);
    script->Respond = [FileName](QFileDialog* Dialog) { ChooseFile(Dialog, FileName); };
    script->Arm();
    return script;
  }

 private:
  void Poll() {
    QFileDialog* dialog = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(top); d && d->isVisible()) dialog = d;
    if (!dialog) {
      QTimer::singleShot(std::chrono::milliseconds(20), this, [this] { Poll(); });
      return;
    }
    Seen = true;
    Directory = dialog->directory().absolutePath();
    Title = dialog->windowTitle();
    Filters = dialog->nameFilters();
    Respond(dialog);
  }
};
