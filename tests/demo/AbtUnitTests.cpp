// The link label and the about box, driven by real mouse and key events.
// The desktop services stay headless, so what the label opens or copies is
// read from their log.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "demo/AbtUnit.h"
#include "demo/UrlLabel.h"
#include "platform/Services.h"
#include "platform/qt/QtDrawing.h"

using namespace tweenery;

namespace {

QColor TextColour(const QLabel& Label) { return Label.palette().color(Label.foregroundRole()); }

}  // namespace

class AbtUnitTests : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TUrlLabel> FLabel;

  TUrlLabel& Label(const QString& Caption, const QString& URL = QString()) {
    FLabel = std::make_unique<TUrlLabel>();
    FLabel->setText(Caption);
    FLabel->SetURL(URL);
    FLabel->adjustSize();
    FLabel->show();
    return *FLabel;
  }
  static const std::vector<std::string>& Opened() { return HeadlessServices().Opened; }

 private slots:
  void init() { ResetServiceHooks(); }
  void cleanup() { FLabel.reset(); }

  void clickOpensTheTarget_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("no URL: the caption") << "file:///tmp/readme.txt" << "" << QStringList{"file:///tmp/readme.txt"};
    QTest::newRow("blank URL: the caption") << "file:///tmp/readme.txt" << "   " << QStringList{"file:///tmp/readme.txt"};
    QTest::newRow("URL over the caption") << "Documentation" << " https://docs.example.invalid/ "
                                          << QStringList{"https://docs.example.invalid/"};
    QTest::newRow("both blank: nothing") << "  " << " " << QStringList{};
  }
  void clickOpensTheTarget() {
    QFETCH(QString, caption);
    QFETCH(QString, url);
    QFETCH(QStringList, opened);
    TUrlLabel& label = Label(caption, url);
    QSignalSpy clicks(&label, &TUrlLabel::clicked);
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QStringList seen;
    for (const std::string& target : Opened()) seen << QString::fromStdString(target);
    QCOMPARE(seen, opened);
  }

  // Only a press and release over the label is a click; a double click
  // opens the link once, and other buttons never open it.
  void onlyALeftClickOnTheLabelOpens() {
    TUrlLabel& label = Label(QStringLiteral("Docs"), QStringLiteral("file:///tmp/docs"));
    QTest::mousePress(&label, Qt::LeftButton);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(label.width() + 5, 1));
    QTest::mouseClick(&label, Qt::RightButton);
    QTest::mouseClick(&label, Qt::MiddleButton);
    QVERIFY(Opened().empty());
    // What a double click delivers: press, release, double click, release.
    QTest::mouseClick(&label, Qt::LeftButton);
    QTest::mouseDClick(&label, Qt::LeftButton);
    QTest::mouseRelease(&label, Qt::LeftButton);
    QCOMPARE(Opened().size(), std::size_t{1});
  }

  void activeColourOnlyWhileHeld() {
    TUrlLabel& label = Label(QStringLiteral("Docs"));
    QCOMPARE(label.ActiveColor(), clPurple);
    QCOMPARE(TextColour(label), QColor(0, 0, 255));
    QVERIFY(label.font().underline());
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);

    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(TextColour(label), QColor(0x80, 0, 0x80));
    QTest::mouseRelease(&label, Qt::LeftButton);
    QCOMPARE(TextColour(label), QColor(0, 0, 255));

    // The colour before the press comes back, whatever it was.
    QPalette colours = label.palette();
    colours.setColor(label.foregroundRole(), Qt::darkGreen);
    label.setPalette(colours);
    label.SetActiveColor(clRed);
    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(TextColour(label), QColor(255, 0, 0));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(-3, -3));
    QCOMPARE(TextColour(label), QColor(Qt::darkGreen));

    QTest::mousePress(&label, Qt::RightButton);
    QCOMPARE(TextColour(label), QColor(Qt::darkGreen));
    QTest::mouseRelease(&label, Qt::RightButton);
  }

  // The right-click menu's one item copies the caption, not the link.
  void copyPutsTheCaptionOnTheClipboard() {
    TUrlLabel& label = Label(QStringLiteral("Tweenery documentation"), QStringLiteral("https://docs.example.invalid/"));
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, QPoint(2, 2), label.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&label, &menuRequest);
    QMenu* menu = label.PopupMenu();
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QCOMPARE(menu->actions().size(), 1);
    QAction* copy = menu->findChild<QAction*>(QStringLiteral("CopyItem"));
    QVERIFY(copy);
    QCOMPARE(copy->text(), QStringLiteral("Copy"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(copy).center());
    QCOMPARE(HeadlessServices().Clipboard, std::string("Tweenery documentation"));
    QVERIFY(Opened().empty());
  }

  void hintNamesTheTarget() {
    TUrlLabel& label = Label(QStringLiteral("file:///tmp/a"));
    QCOMPARE(label.toolTip(), QStringLiteral("file:///tmp/a"));
    label.setText(QStringLiteral("file:///tmp/b"));
    QHelpEvent hint(QEvent::ToolTip, QPoint(1, 1), label.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&label, &hint);
    QCOMPARE(label.toolTip(), QStringLiteral("file:///tmp/b"));
  }

  void aboutBoxLayout() {
    TAboutForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("About TTweenery"));
    QCOMPARE(form.size(), QSize(624, 343));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.findChild<QWidget*>("Panel1")->geometry(), QRect(8, 8, 609, 297));
    QCOMPARE(form.findChild<QWidget*>("UrlLabel1")->pos(), QPoint(8, 320));
    QCOMPARE(form.findChild<QWidget*>("UrlLabel2")->pos(), QPoint(272, 320));
    auto* ok = form.findChild<QPushButton*>("OKButton");
    QCOMPARE(ok->geometry(), QRect(536, 312, 73, 25));
    QVERIFY(ok->isDefault());
    auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->font().pixelSize(), 13);
    QVERIFY(memo->toPlainText().contains(QStringLiteral("Component: TTweenery")));
    QVERIFY(memo->toPlainText().contains(QStringLiteral("StripedIris")));
    for (TUrlLabel* link : {form.DocumentationLink(), form.FolderLink()}) {
      QVERIFY(!link->Target().isEmpty());
      QCOMPARE(link->toolTip(), link->Target());
    }
  }

  // Enter and Escape close the box as the OK button does, from the button
  // and from the text alike.
  void enterAndEscapeClose_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focus");
    for (const char* focus : {"OKButton", "Memo1"}) {
      QTest::newRow(qPrintable(QStringLiteral("Escape in %1").arg(focus))) << int(Qt::Key_Escape) << focus;
      QTest::newRow(qPrintable(QStringLiteral("Return in %1").arg(focus))) << int(Qt::Key_Return) << focus;
      QTest::newRow(qPrintable(QStringLiteral("Enter in %1").arg(focus))) << int(Qt::Key_Enter) << focus;
    }
  }
  void enterAndEscapeClose() {
    QFETCH(int, key);
    QFETCH(QString, focus);
    TAboutForm form;
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QWidget* target = form.findChild<QWidget*>(focus);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
  }

  void modalRunEndsWithAccepted() {
    TAboutForm form;
    QTimer::singleShot(0, &form, [&form] { QTest::keyClick(form.OKButton(), Qt::Key_Escape); });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QTimer::singleShot(0, &form, [&form] { QTest::mouseClick(form.OKButton(), Qt::LeftButton); });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(AbtUnitTests)
#include "AbtUnitTests.moc"
