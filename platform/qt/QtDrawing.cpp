#include "platform/qt/QtDrawing.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPainter>

namespace tweenery {

QImage BitmapImage(TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return QImage();
  return QImage(reinterpret_cast<uchar*>(Bitmap->Bits()), Bitmap->Width(), Bitmap->Height(),
                static_cast<qsizetype>(Bitmap->Width()) * 4, QImage::Format_RGB32);
}

void ImageToBitmap(const QImage& Image, TBitmap& Out) {
  if (Image.isNull()) {
    Out.SetSize(0, 0);
    return;
  }
  const QImage rgb = Image.convertToFormat(QImage::Format_RGB32);
  Out.SetSize(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* from = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    std::uint32_t* to = Out.ScanLine(y);
    for (int x = 0; x < rgb.width(); ++x) to[x] = from[x] | 0xFF000000u;
  }
}

QColor ToQColor(TColor Color) {
  const std::uint32_t c = static_cast<std::uint32_t>(ColorToRGB(Color));
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

TColor FromQColor(const QColor& Color) {
  const QColor rgb = Color.toRgb();
  return static_cast<TColor>(rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16));
}

QString StripAccelerator(const QString& Caption, int* AcceleratorIndex) {
  QString text;
  int accelerator = -1;
  for (qsizetype i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == u'&' && i + 1 < Caption.size()) {
      ++i;
      if (Caption[i] != u'&' && accelerator < 0) accelerator = static_cast<int>(text.size());
    }
    text += Caption[i];
  }
  if (AcceleratorIndex) *AcceleratorIndex = accelerator;
  return text;
}

QChar AcceleratorChar(const QString& Caption) {
  int index = -1;
  const QString text = StripAccelerator(Caption, &index);
  return index < 0 ? QChar() : text[index].toLower();
}

void DrawCaption(TBitmap* Target, const TRect& R, const QString& Caption, const QFont& Font,
                 TColor Color) {
  QImage image = BitmapImage(Target);
  if (image.isNull() || R.Right <= R.Left || R.Bottom <= R.Top) return;
  int accelerator = -1;
  const QString text = StripAccelerator(Caption, &accelerator);
  QPainter painter(&image);
  const QRect box(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
  painter.setClipRect(box);
  painter.setFont(Font);
  painter.setPen(ToQColor(Color));
  const QFontMetrics metrics(Font);
  const int textWidth = metrics.horizontalAdvance(text);
  const int x = R.Left + (box.width() - textWidth) / 2;
  const int baseline = R.Top + metrics.ascent();
  painter.drawText(x, baseline, text);
  if (accelerator >= 0) {
    // The underline spans the accelerator character's advance, one pixel
    // below the baseline, as the classic desktop draws it.
    const int from = x + metrics.horizontalAdvance(text.left(accelerator));
    const int width = metrics.horizontalAdvance(text.mid(accelerator, 1));
    const int y = baseline + std::max(1, metrics.underlinePos());
    painter.fillRect(QRect(from, y, width, std::max(1, metrics.lineWidth())), ToQColor(Color));
  }
  painter.end();
  Target->Modified();
}

QFont DialogFont() {
  // The condensed face is about as wide as the classic dialog font, so the
  // captions laid out for it fit their controls.
  QFont font(QStringLiteral("DejaVu Sans Condensed"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

TCustomControl::TCustomControl(QWidget* Parent) : QWidget(Parent) {
  // The control paints every pixel of its rectangle itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TCustomControl::PaintToSurface() {
  if (FSurface.Width() != width() || FSurface.Height() != height()) FSurface.SetSize(width(), height());
  if (FSurface.Empty()) return;
  Paint();
}

void TCustomControl::paintEvent(QPaintEvent*) {
  PaintToSurface();
  if (FSurface.Empty()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, BitmapImage(&FSurface));
}

void TCustomControl::changeEvent(QEvent* Event) {
  if (Event->type() == QEvent::EnabledChange || Event->type() == QEvent::PaletteChange) update();
  QWidget::changeEvent(Event);
}

void TCustomControl::focusInEvent(QFocusEvent* Event) {
  update();
  QWidget::focusInEvent(Event);
}

void TCustomControl::focusOutEvent(QFocusEvent* Event) {
  update();
  QWidget::focusOutEvent(Event);
}

void TCustomControl::resizeEvent(QResizeEvent* Event) {
  update();
  QWidget::resizeEvent(Event);
}

}  // namespace tweenery
