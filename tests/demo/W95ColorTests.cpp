// The colour button, its palette popup and the popup's dialog button, driven
// with real mouse and key events at the popup's cell coordinates; pixels are
// read from each control's own surface.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "demo/W95Color.h"
#include "platform/Services.h"

using namespace tweenery;

namespace {

constexpr TColor kFace = 0xC0C0C0, kShadow = 0x808080, kHighlight = 0xFFFFFF, kFrame = 0x000000;

TColor PixelAt(TCustomControl* Control, int X, int Y) {
  Control->PaintToSurface();
  return PixelToColor(Control->Surface()->ScanLine(Y)[X]);
}

TColor PixelAt(TBitmap& Bitmap, int X, int Y) { return PixelToColor(Bitmap.ScanLine(Y)[X]); }

// Centre of a cell in popup coordinates.
QPoint CellCentre(int Index) {
  const TRect r = TPopUpColorBox::CellRect(Index);
  return QPoint(r.Left + 8, r.Top + 8);
}

}  // namespace

class W95ColorTests : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QWidget> FHost;
  TWin95ColorButton* FButton = nullptr;

  // A window with one colour button at (10, 10), its top-left corner at Origin.
  void Place(QPoint Origin = QPoint(100, 100)) {
    FHost = std::make_unique<QWidget>();
    FHost->setGeometry(Origin.x(), Origin.y(), 200, 100);
    FButton = new TWin95ColorButton(FHost.get());
    FButton->move(10, 10);
    FHost->show();
    QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
  }

  TPopUpColorBox* Drop(TColor Color) {
    FButton->SetColor(Color);
    QTest::mouseClick(FButton, Qt::LeftButton, {}, QPoint(5, 5));
    return PopUpColorBox();
  }

  // A plain move of the pointer over the popup, as the window system sends it.
  static void Hover(TPopUpColorBox* Popup, QPoint P) { QTest::mouseMove(Popup->windowHandle(), P); }

  static bool ClosedAndFreed(QPointer<TPopUpColorBox> Popup) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Popup.isNull() && PopUpColorBox() == nullptr;
  }

 private slots:
  void init() {
    ResetServiceHooks();
    TWin95ColorButton::SetScreenSizeOverride(QSize(1024, 768));
    Place();
  }

  void cleanup() {
    FHost.reset();
    TWin95ColorButton::SetScreenSizeOverride(std::nullopt);
  }

  void drawingRoutinesInsetAndCorner() {
    TBitmap bitmap(10, 10);
    TRect r = Rect(1, 1, 9, 9);
    DrawBevel(bitmap.Canvas(), r, clWhite, clGray, 2);
    QCOMPARE(r, Rect(3, 3, 7, 7));
    QCOMPARE(PixelAt(bitmap, 1, 1), clWhite);
    QCOMPARE(PixelAt(bitmap, 8, 1), clGray);  // top-right corner is the dark side's
    QCOMPARE(PixelAt(bitmap, 1, 8), clGray);  // so is the bottom-left one
    QCOMPARE(PixelAt(bitmap, 3, 3), clBlack);  // inside untouched

    const TRect whole = Rect(0, 0, 10, 10);
    QCOMPARE(DrawButtonFrame(bitmap.Canvas(), whole, 1, true), whole);
    QCOMPARE(PixelAt(bitmap, 0, 0), kShadow);
    QCOMPARE(PixelAt(bitmap, 9, 9), kHighlight);
    QCOMPARE(PixelAt(bitmap, 1, 1), kFrame);
    QCOMPARE(PixelAt(bitmap, 5, 5), kFace);
  }

  void buttonProperties() {
    QCOMPARE(FButton->size(), QSize(46, 24));
    QCOMPARE(FButton->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(FButton->ButtonCaption(), QStringLiteral("&More..."));
    QCOMPARE(FButton->Color(), clWhite);
    QSignalSpy changes(FButton, &TWin95ColorButton::colorChange);
    FButton->SetColor(clWhite);
    QCOMPARE(changes.count(), 0);
    FButton->SetColor(clRed);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(FButton->Color(), clRed);

    TStringList colours;
    colours.Add("ColorA=123456");
    FButton->SetColorDlgCustomColors(&colours);
    colours.Add("ColorB=654321");
    QCOMPARE(FButton->ColorDlgCustomColors()->Count(), 1);

    PaletteColors[3] = clBlack;
    TWin95ColorButton another;
    QCOMPARE(PaletteColors[3], static_cast<TColor>(0xFF0000));
  }

  void buttonPixels() {
    FButton->SetColor(0x3366CC);
    // Frame, swatch edge and colour, separator.
    QCOMPARE(PixelAt(FButton, 0, 0), kHighlight);
    QCOMPARE(PixelAt(FButton, 45, 23), kFrame);
    QCOMPARE(PixelAt(FButton, 44, 22), kShadow);
    for (const QPoint p : {QPoint(5, 5), QPoint(31, 5), QPoint(5, 17), QPoint(31, 17), QPoint(18, 5)})
      QCOMPARE(PixelAt(FButton, p.x(), p.y()), clBlack);
    QCOMPARE(PixelAt(FButton, 6, 6), 0x3366CC);
    QCOMPARE(PixelAt(FButton, 30, 16), 0x3366CC);
    QCOMPARE(PixelAt(FButton, 34, 5), kShadow);
    QCOMPARE(PixelAt(FButton, 35, 17), kHighlight);
    QCOMPARE(PixelAt(FButton, 34, 18), kFace);
    // Arrow: rows of 5, 3 and 1 pixels pointing down.
    auto blackRun = [&](int Y) {
      QString run;
      for (int x = 35; x <= 43; ++x) run += PixelAt(FButton, x, Y) == clBlack ? u'#' : u'.';
      return run;
    };
    QCOMPARE(blackRun(10), QStringLiteral("........."));
    QCOMPARE(blackRun(11), QStringLiteral("..#####.."));
    QCOMPARE(blackRun(12), QStringLiteral("...###..."));
    QCOMPARE(blackRun(13), QStringLiteral("....#...."));
    QCOMPARE(blackRun(14), QStringLiteral("........."));
    // The focus rectangle inverts every other pixel of its outline.
    FButton->clearFocus();
    QCOMPARE(PixelAt(FButton, 2, 2), kFace);
    FButton->setFocus();
    QCOMPARE(PixelAt(FButton, 2, 2), static_cast<TColor>(0x3F3F3F));
    QCOMPARE(PixelAt(FButton, 3, 2), kFace);
  }

  void paletteColourMarksItsCell() {
    TPopUpColorBox* popup = Drop(clRed);  // palette cell 1
    QVERIFY(popup);
    QCOMPARE(popup->objectName(), QStringLiteral("PopUpColorBox"));
    QCOMPARE(popup->parentWidget(), FButton);
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->size(), QSize(PopupWidth, PopupHeight));
    QCOMPARE(popup->MarkedIndex(), 1);
    QCOMPARE(popup->HotIndex(), TPopUpColorBox::NoCell);
    QVERIFY(!popup->CustomShown());
    QCOMPARE(popup->DialogButton()->geometry(), QRect(3, 101, 53, 22));
    // Marked cell 1 at (4, 22): black, white, black frames around its colour.
    QCOMPARE(PixelAt(popup, 3, 30), clBlack);
    QCOMPARE(PixelAt(popup, 4, 30), clWhite);
    QCOMPARE(PixelAt(popup, 5, 30), clBlack);
    QCOMPARE(PixelAt(popup, 6, 30), clRed);
    // A plain cell (2, green, at (4, 40)): sunken double bevel around its colour.
    const QList<QPair<int, TColor>> plainRow{{3, kFace},  {4, kShadow}, {5, kFrame},     {6, clLime},
                                             {17, clLime}, {18, kFace}, {19, kHighlight}, {20, kFace}};
    for (const auto& [x, colour] : plainRow) QCOMPARE(PixelAt(popup, x, 48), colour);
    // No custom cell; border and separator.
    QCOMPARE(PixelAt(popup, 66, 114), kFace);
    QCOMPARE(PixelAt(popup, 77, 127), kFrame);
    QCOMPARE(PixelAt(popup, 76, 126), kShadow);
    QCOMPARE(PixelAt(popup, 4, 96), kShadow);
    QCOMPARE(PixelAt(popup, 73, 97), kHighlight);
    QCOMPARE(PixelAt(popup, 74, 96), kFace);
  }

  void customColourShowsAndMarksCustomCell() {
    TPopUpColorBox* popup = Drop(0x123456);
    QVERIFY(popup->CustomShown());
    QCOMPARE(popup->MarkedIndex(), TPopUpColorBox::CustomCell);
    QCOMPARE(popup->CurrentColor(), 0x123456);
    QCOMPARE(PixelAt(popup, 57, 114), clBlack);
    QCOMPARE(PixelAt(popup, 58, 114), clWhite);
    QCOMPARE(PixelAt(popup, 59, 114), clBlack);
    QCOMPARE(PixelAt(popup, 60, 114), 0x123456);
    // Hovering a palette cell moves the marking there; the custom cell stays shown.
    Hover(popup, CellCentre(0));
    QCOMPARE(popup->MarkedIndex(), 0);
    QCOMPARE(PixelAt(popup, 3, 12), clBlack);
    QCOMPARE(PixelAt(popup, 57, 114), kFace);
    QCOMPARE(PixelAt(popup, 60, 114), 0x123456);
  }

  void hotTrackingFollowsTheColumnAndRowRule() {
    TPopUpColorBox* popup = Drop(clWhite);  // cell 0 marked
    const struct { QPoint P; int Hot; } moves[] = {
        {{20, 20}, 0},  {{21, 20}, 5},  {{39, 21}, 6},  {{40, 39}, 11}, {{56, 40}, 12},
        {{57, 56}, 17}, {{74, 57}, 18}, {{74, 75}, 18}, {{74, 76}, 19}, {{3, 92}, 4},
        {{2, 50}, 4},   {{40, 93}, 4},  {{66, 114}, 4},  // outside the grid; no custom cell
    };
    for (const auto& move : moves) {
      Hover(popup, move.P);
      QCOMPARE(popup->HotIndex(), move.Hot);
      QCOMPARE(popup->MarkedIndex(), move.Hot);
    }
    // The previous cell was drawn plain again; the new one is marked.
    QCOMPARE(PixelAt(popup, 58, 84), kShadow);
    QCOMPARE(PixelAt(popup, 3, 84), clBlack);
  }

  void choosingColours() {
    QSignalSpy changes(FButton, &TWin95ColorButton::colorChange);
    // Pressing on one cell and releasing on another chooses nothing.
    QPointer<TPopUpColorBox> popup = Drop(clRed);
    changes.clear();
    Hover(popup, CellCentre(0));
    QTest::mousePress(popup, Qt::LeftButton, {}, CellCentre(0));
    QCOMPARE(popup->PressedIndex(), 0);
    QTest::mouseMove(popup, CellCentre(5));
    QCOMPARE(popup->HotIndex(), 5);
    QTest::mouseRelease(popup, Qt::LeftButton, {}, CellCentre(5));
    QVERIFY(!ClosedAndFreed(popup));
    QVERIFY(popup->isVisible());
    QCOMPARE(FButton->Color(), clRed);
    // A click on the hot cell picks its colour and closes.
    QTest::mouseClick(popup, Qt::LeftButton, {}, CellCentre(5));
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(FButton->Color(), clBlack);
    QCOMPARE(changes.count(), 1);

    // Re-clicking the marked cell closes without a change.
    popup = Drop(clBlack);
    Hover(popup, CellCentre(5));
    QCOMPARE(popup->HotIndex(), 5);
    QTest::mouseClick(popup, Qt::LeftButton, {}, CellCentre(5));
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(changes.count(), 1);

    // A click before any move chooses nothing.
    popup = Drop(clBlack);
    QTest::mouseClick(popup, Qt::LeftButton, {}, CellCentre(7));
    QVERIFY(!ClosedAndFreed(popup));
    QCOMPARE(FButton->Color(), clBlack);
    popup->close();
    QVERIFY(ClosedAndFreed(popup));
  }

  void choosingTheCustomCell() {
    QSignalSpy changes(FButton, &TWin95ColorButton::colorChange);
    // Straight onto the marked custom cell: clicking it keeps the colour and closes.
    QPointer<TPopUpColorBox> popup = Drop(0x123456);
    changes.clear();
    Hover(popup, CellCentre(TPopUpColorBox::CustomCell));
    QCOMPARE(popup->HotIndex(), TPopUpColorBox::CustomCell);
    QTest::mouseClick(popup, Qt::LeftButton, {}, CellCentre(TPopUpColorBox::CustomCell));
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(changes.count(), 0);
    // Through a palette cell and back: the custom cell is marked again and picked.
    popup = Drop(0x123456);
    Hover(popup, CellCentre(9));
    Hover(popup, CellCentre(TPopUpColorBox::CustomCell));
    QCOMPARE(popup->MarkedIndex(), TPopUpColorBox::CustomCell);
    QCOMPARE(PixelAt(popup, 57, 114), clBlack);
    QCOMPARE(PixelAt(popup, 3, 84), kFace);
    QTest::mouseClick(popup, Qt::LeftButton, {}, CellCentre(TPopUpColorBox::CustomCell));
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(FButton->Color(), 0x123456);
    QCOMPARE(changes.count(), 0);
  }

  void placement() {
    const QSize screen(800, 600);
    const int H = 24;
    auto origin = [&](QPoint TopLeft) {
      return PopupOrigin(TopLeft + QPoint(1, H - 2), TopLeft, H, screen);
    };
    QCOMPARE(origin({750, 500}), QPoint(722, 372));  // too low and too far right
    QCOMPARE(origin({-5, 500}), QPoint(0, 372));     // too low and off left
    QCOMPARE(origin({300, 460}), QPoint(300, 332));  // too low
    QCOMPARE(origin({300, 446}), QPoint(300, 470));  // just fits below
    QCOMPARE(origin({760, 100}), QPoint(722, 124));  // too far right
    QCOMPARE(origin({-2, 100}), QPoint(0, 124));     // off left
    QCOMPARE(origin({-1, 100}), QPoint(-1, 124));    // the anchor is still on screen
    QCOMPARE(origin({300, 100}), QPoint(300, 124));  // below the button

    // A button near the bottom-right corner drops the popup above itself,
    // right-aligned to the screen edge.
    TWin95ColorButton::SetScreenSizeOverride(screen);
    Place(QPoint(740, 520));
    const QPoint topLeft = FButton->mapToGlobal(QPoint(0, 0));
    QCOMPARE(topLeft, QPoint(750, 530));
    TPopUpColorBox* popup = Drop(clWhite);
    QCOMPARE(popup->geometry(), QRect(722, 402, PopupWidth, PopupHeight));
  }

  void closingWithoutChoosing() {
    QSignalSpy changes(FButton, &TWin95ColorButton::colorChange);
    // Escape reaches the popup before its focused dialog button.
    QPointer<TPopUpColorBox> popup = Drop(clRed);
    changes.clear();
    QCOMPARE(QApplication::focusWidget(), popup->DialogButton());
    QTest::keyClick(popup->DialogButton(), Qt::Key_Escape);
    QVERIFY(ClosedAndFreed(popup));
    // A press in another window.
    QWidget other;
    other.setGeometry(600, 400, 100, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    popup = Drop(clRed);
    QVERIFY(popup->isVisible());
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(FButton->Color(), clRed);
    QCOMPARE(changes.count(), 0);
  }

  void keyboardDropsThePopup() {
    QSignalSpy clicks(FButton, &TWin95ButtonControl::clicked);
    FButton->setFocus();
    QTest::keyPress(FButton, Qt::Key_Space);
    QVERIFY(FButton->Pressed());
    QCOMPARE(PixelAt(FButton, 0, 0), kShadow);
    QCOMPARE(PixelAt(FButton, 6, 6), clBlack);  // swatch moved by (1, 1)
    // Held, the key repeats its press and release; neither lets go.
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(FButton, &repeatRelease);
    QApplication::sendEvent(FButton, &repeatPress);
    QVERIFY(FButton->Pressed());
    QVERIFY(!PopUpColorBox());
    QTest::keyRelease(FButton, Qt::Key_Space);
    QVERIFY(!FButton->Pressed());
    QPointer<TPopUpColorBox> popup = PopUpColorBox();
    QVERIFY(popup && popup->isVisible());
    QCOMPARE(clicks.count(), 1);
    popup->close();
    QVERIFY(ClosedAndFreed(popup));

    FButton->setFocus();
    QTest::keyPress(FButton, Qt::Key_Return);
    QVERIFY(PopUpColorBox());
    QCOMPARE(clicks.count(), 2);
  }

  void mouseTracking() {
    QTest::mousePress(FButton, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(FButton->hasFocus());
    QVERIFY(FButton->Pressed() && FButton->Tracking());
    QTest::mouseMove(FButton, QPoint(46, 5));
    QVERIFY(!FButton->Pressed());
    QTest::mouseMove(FButton, QPoint(45, 24));  // the bottom edge still counts
    QVERIFY(FButton->Pressed());
    QTest::mouseMove(FButton, QPoint(60, 60));
    QTest::mouseRelease(FButton, Qt::LeftButton, {}, QPoint(60, 60));
    QVERIFY(!FButton->Tracking() && !FButton->Pressed());
    QVERIFY(!PopUpColorBox());  // released outside: no click
    QTest::mouseClick(FButton, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!FButton->Pressed() && !PopUpColorBox());
  }

  void disabledButton() {
    FButton->SetColor(clRed);
    FButton->setEnabled(false);
    QCOMPARE(PixelAt(FButton, 10, 10), kFace);
    QCOMPARE(PixelAt(FButton, 5, 5), clBlack);
    QTest::keyPress(FButton, Qt::Key_Space);
    QVERIFY(!FButton->Pressed());
    QTest::keyRelease(FButton, Qt::Key_Space);
    QTest::keyClick(FButton, Qt::Key_Return);
    QTest::mouseClick(FButton, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!FButton->Pressed() && !PopUpColorBox());
  }

  void colourDialog() {
    FButton->SetColorDlgOptions(cdFullOpen | cdSolidColor);
    TStringList colours;
    colours.Add("ColorA=123456");
    FButton->SetColorDlgCustomColors(&colours);
    QSignalSpy changes(FButton, &TWin95ColorButton::colorChange);

    // Confirmed: the dialog's colour becomes the button's.
    QPointer<TPopUpColorBox> popup = Drop(clRed);
    changes.clear();
    HeadlessServices().ColorAnswers.push_back(0x00AA00);
    QSignalSpy dialogClicks(popup->DialogButton(), &TWin95ButtonControl::clicked);
    QTest::mouseClick(popup->DialogButton(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(dialogClicks.count(), 1);
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(HeadlessServices().ColorRequests.size(), std::size_t{1});
    const TColorDialogRequest& request = HeadlessServices().ColorRequests[0];
    QCOMPARE(request.Options, unsigned{cdFullOpen | cdSolidColor});
    QCOMPARE(request.CustomColors, std::vector<std::string>{"ColorA=123456"});
    QCOMPARE(request.Color, clRed);
    QVERIFY(request.Ctl3D);
    QCOMPARE(FButton->Color(), 0x00AA00);
    QCOMPARE(changes.count(), 1);

    // Cancelled, through the accelerator: the colour stays.
    popup = Drop(0x00AA00);
    QTest::keyClick(popup->DialogButton(), Qt::Key_M);
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(HeadlessServices().ColorRequests.size(), std::size_t{2});
    QCOMPARE(FButton->Color(), 0x00AA00);
    QCOMPARE(changes.count(), 1);

    // The user's custom colours come back on confirmation; the popup is
    // hidden while the dialog runs.
    ServiceHooks().ColorDialog = [](TColorDialogRequest& Request) {
      if (PopUpColorBox()->isVisible() || PopUpColorBox()->CloseOnDeactivate()) return false;
      Request.CustomColors.push_back("ColorB=ABCDEF");
      Request.Color = clBlue;
      return true;
    };
    popup = Drop(0x00AA00);
    QTest::keyClick(popup->DialogButton(), Qt::Key_M, Qt::AltModifier);
    QVERIFY(ClosedAndFreed(popup));
    QCOMPARE(FButton->Color(), clBlue);
    QCOMPARE(FButton->ColorDlgCustomColors()->Count(), 2);
    QCOMPARE(FButton->ColorDlgCustomColors()->Strings(1), std::string("ColorB=ABCDEF"));
  }

  void dialogButtonOnItsOwn() {
    QWidget parent;
    QFont font = parent.font();
    font.setPixelSize(13);
    parent.setFont(font);
    auto* button = new TWin95Button(&parent);
    QCOMPARE(button->size(), QSize(40, 20));
    QCOMPARE(button->font().pixelSize(), 13);
    button->SetCaption(QStringLiteral("&Go"));
    button->resize(60, 22);
    QSignalSpy clicks(button, &TWin95ButtonControl::clicked);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(button, Qt::Key_G);
    QTest::keyClick(button, Qt::Key_X);
    QCOMPARE(clicks.count(), 2);
    button->setEnabled(false);
    QVERIFY(!button->DialogChar(u'g'));
    // The caption is centred across the face.
    button->setEnabled(true);
    button->clearFocus();
    int left = 60, right = -1;
    for (int y = 3; y < 19; ++y)
      for (int x = 3; x < 57; ++x)
        if (PixelAt(button, x, y) != kFace) left = std::min(left, x), right = std::max(right, x);
    QVERIFY(right > left + 8);
    QVERIFY(std::abs((left + right + 1) - 60) <= 2);
  }
};

QTEST_MAIN(W95ColorTests)
#include "W95ColorTests.moc"
