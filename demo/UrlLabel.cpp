#include "demo/UrlLabel.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

#include "platform/Services.h"
#include "platform/qt/QtDrawing.h"

namespace tweenery {

TUrlLabel::TUrlLabel(QWidget* Parent) : QLabel(Parent), FPopupMenu(new QMenu(this)) {
  // A caption is shown as written, never as markup.
  setTextFormat(Qt::PlainText);
  QFont linkFont = font();
  linkFont.setUnderline(true);
  setFont(linkFont);
  SetTextColor(ToQColor(clBlue));
  setCursor(Qt::PointingHandCursor);
  QAction* copy = FPopupMenu->addAction(QStringLiteral("Copy"));
  copy->setObjectName(QStringLiteral("CopyItem"));
  connect(copy, &QAction::triggered, this, &TUrlLabel::CopyItemClick);
}

void TUrlLabel::SetURL(const QString& Value) {
  FURL = Value;
  setToolTip(Target());
}

QString TUrlLabel::Target() const {
  return FURL.trimmed().isEmpty() ? text().trimmed() : FURL.trimmed();
}

void TUrlLabel::CopyItemClick() { SetClipboardText(text().toStdString()); }

void TUrlLabel::Click() {
  emit clicked();
  // The shell's failure is not reported: a link that cannot be followed
  // simply does nothing, as on any desktop.
  const QString target = Target();
  if (!target.isEmpty()) ShellOpen(target.toStdString());
}

QColor TUrlLabel::TextColor() const { return palette().color(foregroundRole()); }

void TUrlLabel::SetTextColor(const QColor& Color) {
  QPalette colours = palette();
  colours.setColor(foregroundRole(), Color);
  setPalette(colours);
}

void TUrlLabel::Hold() {
  if (FHeld) return;
  FSavedColor = TextColor();
  SetTextColor(ToQColor(FActiveColor));
  FHeld = true;
}

void TUrlLabel::Release() {
  if (!FHeld) return;
  SetTextColor(FSavedColor);
  FHeld = false;
}

// The hint always names what a click would open, even after the caption
// changed.
bool TUrlLabel::event(QEvent* Event) {
  if (Event->type() == QEvent::ToolTip) setToolTip(Target());
  return QLabel::event(Event);
}

void TUrlLabel::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() == Qt::LeftButton) {
    Hold();
    FClickArmed = true;
  }
  QLabel::mousePressEvent(Event);
}

// The second press of a double click colours the link but does not open it
// a second time.
void TUrlLabel::mouseDoubleClickEvent(QMouseEvent* Event) {
  // Not passed on: the base would treat it as a fresh press.
  if (Event->button() == Qt::LeftButton) Hold();
  Event->accept();
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton) {
    QLabel::mouseReleaseEvent(Event);
    return;
  }
  Release();
  const bool click = FClickArmed && rect().contains(Event->position().toPoint());
  FClickArmed = false;
  QLabel::mouseReleaseEvent(Event);
  if (click) Click();
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* Event) {
  FPopupMenu->popup(Event->globalPos());
  Event->accept();
}

}  // namespace tweenery
