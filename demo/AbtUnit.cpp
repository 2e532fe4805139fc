#include "demo/AbtUnit.h"

#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "demo/UrlLabel.h"
#include "platform/qt/QtDrawing.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {

namespace {

const char* const kDocumentationURL = "https://tweenery.example.invalid/docs/";

const char* const kIntroduction =
    "Tweenery\n"
    "========\n"
    "\n"
    "Tweenery animates a transition from one picture to another. The TTweenery\n"
    "component holds a From picture and a To picture and composes every frame\n"
    "of the transition between them; a timer or a worker thread plays the\n"
    "frames one after another.\n"
    "\n"
    "This program shows the component at work: pick an operation and a\n"
    "direction, set the interval, the steps and the delta, and press Play.\n"
    "With \"Reverse on done\" checked a finished transition waits a second and\n"
    "plays back, so the two pictures go back and forth.\n";

const char* const kSettingsAndKeys =
    "Settings\n"
    "--------\n"
    "Interval     milliseconds between two frames\n"
    "Steps        how far each frame moves the transition on\n"
    "Delta        band, slat, block or roll size, for the operations that use it\n"
    "Modifier     the direction: left, right, up or down\n"
    "Reverse      plays the reverse form of the operation\n"
    "UseThreads   a worker thread drives the frames instead of a timer\n"
    "\n"
    "Keys\n"
    "----\n"
    "Enter, Esc   close this box\n"
    "Tab          moves to the next control, Shift+Tab to the one before\n"
    "Arrow keys   move within the operation and modifier choices\n"
    "Space        presses the focused button or toggles the focused check box\n";

const char* const kTerms =
    "Terms of use\n"
    "------------\n"
    "Tweenery may be used, copied, changed and passed on by anyone, as source\n"
    "or as a program, for any purpose and free of charge. It comes as it is,\n"
    "without any promise that it suits a purpose or is free of faults.\n";

QString Heading(const QString& Title) { return Title + "\n" + QString(Title.size(), QLatin1Char('-')) + "\n"; }

// The component's own About lines, as a new component reports them.
QString ComponentLines() {
  TTweenery probe(nullptr);
  QString out;
  for (int i = 0; i < probe.About()->Count(); ++i) out += QString::fromStdString(probe.About()->Strings(i)) + "\n";
  return out;
}

// The operations by name, four to a line, in the order of the
// enumeration.
QString OperationLines() {
  TTweenery probe(nullptr);
  const TPropInfo* operation = FindProperty(probe.PublishedProperties(), "Operation");
  const std::vector<std::string>& names = operation->EnumNames;
  QString out = Heading(QStringLiteral("The %1 operations").arg(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    const QString name = QString::fromStdString(names[i]).mid(2);  // without "to"
    out += i % 4 == 3 || i + 1 == names.size() ? name + "\n" : name.leftJustified(18);
  }
  return out;
}

QFont MemoFont() {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(13);
  return font;
}

}  // namespace

QString AboutText() {
  return QString::fromLatin1(kIntroduction) + "\n" + Heading(QStringLiteral("The component")) + ComponentLines() +
         "\n" + OperationLines() + "\n" + QString::fromLatin1(kSettingsAndKeys) + "\n" + QString::fromLatin1(kTerms);
}

TAboutForm::TAboutForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringLiteral("About TTweenery"));
  setFont(DialogFont());
  setFixedSize(624, 343);
  CreatePanel();
  CreateLinks();
  CreateButton();
}

// A raised inner bevel inside a lowered outer one: an etched frame, with the
// text filling what lies inside it.
void TAboutForm::CreatePanel() {
  FPanel1 = new QFrame(this);
  FPanel1->setObjectName(QStringLiteral("Panel1"));
  FPanel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  FPanel1->setLineWidth(1);
  FPanel1->setMidLineWidth(0);
  FPanel1->setGeometry(8, 8, 609, 297);

  FMemo1 = new QPlainTextEdit(FPanel1);
  FMemo1->setObjectName(QStringLiteral("Memo1"));
  FMemo1->setReadOnly(true);
  FMemo1->setFont(MemoFont());
  FMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  FMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemo1->setPlainText(AboutText());
  // Enter in the text still closes the box.
  FMemo1->installEventFilter(this);

  auto* layout = new QVBoxLayout(FPanel1);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FMemo1);
}

void TAboutForm::CreateLinks() {
  FUrlLabel1 = new TUrlLabel(this);
  FUrlLabel1->setObjectName(QStringLiteral("UrlLabel1"));
  FUrlLabel1->setText(QStringLiteral("Tweenery documentation"));
  FUrlLabel1->SetURL(QString::fromLatin1(kDocumentationURL));
  FUrlLabel1->move(8, 320);
  FUrlLabel1->adjustSize();

  FUrlLabel2 = new TUrlLabel(this);
  FUrlLabel2->setObjectName(QStringLiteral("UrlLabel2"));
  FUrlLabel2->setText(QStringLiteral("Program folder"));
  FUrlLabel2->SetURL(QUrl::fromLocalFile(QCoreApplication::applicationDirPath()).toString());
  FUrlLabel2->move(272, 320);
  FUrlLabel2->adjustSize();
}

void TAboutForm::CreateButton() {
  FOKButton = new QPushButton(QStringLiteral("OK"), this);
  FOKButton->setObjectName(QStringLiteral("OKButton"));
  FOKButton->setGeometry(536, 312, 73, 25);
  FOKButton->setDefault(true);
  FOKButton->setFocus();
  connect(FOKButton, &QPushButton::clicked, this, &QDialog::accept);
}

// The button is also the cancel button, so Escape presses it rather than
// rejecting the box.
void TAboutForm::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
    FOKButton->click();
    return;
  }
  QDialog::keyPressEvent(Event);
}

bool TAboutForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FMemo1 && Event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(Event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      FOKButton->click();
      return true;
    }
  }
  return QDialog::eventFilter(Watched, Event);
}

}  // namespace tweenery
