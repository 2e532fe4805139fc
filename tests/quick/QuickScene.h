// A QML scene for the item's tests: a folder holding its pictures and its
// QML file, shown in a QQuickView the size of the root TweeneryItem, whose
// window grab is what a user sees.
#pragma once

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "TestPictures.h"
#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery::test {

class TQuickScene {
 public:
  TQuickScene() {
    FView.engine()->addImportPath(QStringLiteral(TWEENERY_QML_IMPORT_DIR));
    FView.setResizeMode(QQuickView::SizeViewToRootObject);
  }

  QString Path(const QString& Name) const { return FFolder.filePath(Name); }
  void SaveBitmap(const QString& Name, const TBitmap& Picture) const {
    WriteFileBytes(Path(Name).toStdString(), EncodeWindowsBitmap(Picture));
  }
  void SaveBytes(const QString& Name, const QByteArray& Bytes) const {
    QFile file(Path(Name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
  }

  // Shows Body, a QML item (TweeneryItem { ... }) that may name the
  // folder's files by relative URLs; its errors are counted in the root's
  // errorCount and the last one kept in lastError. Null when it fails.
  QQuickItem* Show(const QString& Body) {
    const QString text = QStringLiteral("import QtQuick\nimport Tweenery\n") + Body;
    SaveBytes(QStringLiteral("scene.qml"), text.toUtf8());
    FView.setSource(QUrl::fromLocalFile(Path(QStringLiteral("scene.qml"))));
    if (FView.status() != QQuickView::Ready) {
      for (const QQmlError& e : FView.errors()) qWarning() << e.toString();
      return nullptr;
    }
    FView.show();
    if (!QTest::qWaitForWindowExposed(&FView)) return nullptr;
    return FView.rootObject();
  }

  // The root of a scene that counts its errors.
  static QString Counting(const QString& Properties) {
    return QStringLiteral(
               "TweeneryItem {\n"
               "  property int errorCount: 0\n"
               "  property string lastError\n"
               "  onErrorOccurred: (message) => { lastError = message; ++errorCount }\n") +
           Properties + QStringLiteral("\n}\n");
  }

  // The window at the root item's size.
  QImage Grab() {
    if (const QQuickItem* root = FView.rootObject(); root && FView.size() != root->size().toSize()) {
      QSignalSpy drawn(&FView, &QQuickWindow::frameSwapped);
      FView.resize(root->size().toSize());
      // The hardware scene graph grabs at the size it last drew at.
      static_cast<void>(QTest::qWaitFor([&] { return FView.size() == root->size().toSize() && drawn.count(); }, 2000));
    }
    return FView.grabWindow().convertToFormat(QImage::Format_RGB32);
  }
  QQuickView& View() { return FView; }

 private:
  QTemporaryDir FFolder;
  QQuickView FView;
};

// The scene graph the tests draw with: "opengl" for the hardware one (which
// needs a display), the software one otherwise.
inline void UseSceneGraph(const QByteArray& Name) {
  QQuickWindow::setGraphicsApi(Name == "opengl" ? QSGRendererInterface::OpenGL : QSGRendererInterface::Software);
}

// The first pixel where Shown differs from Want, as text; empty when they
// are alike in size and every pixel.
inline QString Mismatch(const QImage& Shown, const TBitmap& Want) {
  if (Shown.width() != Want.Width() || Shown.height() != Want.Height())
    return QStringLiteral("%1 x %2 shown, %3 x %4 wanted")
        .arg(Shown.width()).arg(Shown.height()).arg(Want.Width()).arg(Want.Height());
  for (int y = 0; y < Want.Height(); ++y)
    for (int x = 0; x < Want.Width(); ++x)
      if ((Shown.pixel(x, y) | 0xFF000000u) != PixelAt(Want, x, y))
        return QStringLiteral("(%1, %2): %3 shown, %4 wanted")
            .arg(x).arg(y)
            .arg(QString::fromStdString(DescribePixel(Shown.pixel(x, y))),
                 QString::fromStdString(DescribePixel(PixelAt(Want, x, y))));
  return {};
}

}  // namespace tweenery::test
