/// @file
/// Pictures named by URLs, as QML names them: local files and Qt resources.
#pragma once

#include <QString>
#include <QUrl>
#include <memory>

#include "platform/Classes.h"
#include "platform/Graphics.h"

namespace tweenery {

/// A picture that cannot be had; the message names the file and the reason.
class EPictureUnreadable : public Exception {
 public:
  using Exception::Exception;
};

/// The file a URL names: a local path for file: URLs and plain paths,
/// ":/path" for qrc: URLs and resource paths; empty for any other scheme.
QString UrlFileName(const QUrl& Url);

/// The picture at Url. Windows bitmaps and JPEG pictures are decoded by the
/// platform's decoders, every other format by QImageReader; no picture may
/// have more pixels than PictureLimit(). Raises EPictureUnreadable: missing,
/// a folder, empty, too large, not a picture, malformed...
std::unique_ptr<TBitmap> ReadUrlPicture(const QUrl& Url);

}  // namespace tweenery
