// A text label that looks and acts like a hyperlink: blue, underlined, the
// hand cursor; a click opens its target through the desktop shell, and its
// right-click menu copies the caption.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

#include "platform/Graphics.h"

class QMenu;

namespace tweenery {

class TUrlLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TUrlLabel(QWidget* Parent = nullptr);

  const QString& URL() const { return FURL; }
  void SetURL(const QString& Value);
  // The text colour while the left button is held on the label.
  TColor ActiveColor() const { return FActiveColor; }
  void SetActiveColor(TColor Value) { FActiveColor = Value; }

  // What a click opens: URL when it is not blank, else the caption.
  QString Target() const;
  QMenu* PopupMenu() const { return FPopupMenu; }

 signals:
  void clicked();

 public slots:
  void CopyItemClick();

 protected:
  // Raises clicked(), then asks the shell to open the target, if any.
  virtual void Click();

  bool event(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void contextMenuEvent(QContextMenuEvent* Event) override;

 private:
  QColor TextColor() const;
  void SetTextColor(const QColor& Color);
  void Hold();
  void Release();

  QString FURL;
  TColor FActiveColor = clPurple;
  QColor FSavedColor;
  bool FHeld = false;
  bool FClickArmed = false;
  QMenu* FPopupMenu;
};

}  // namespace tweenery
