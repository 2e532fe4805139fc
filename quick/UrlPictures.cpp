#include "quick/UrlPictures.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <new>

#include "platform/ImageCodecs.h"
#include "platform/qt/QtImageFiles.h"

namespace tweenery {

namespace {

[[noreturn]] void Refuse(const QString& FileName, const std::string& Reason) {
  throw EPictureUnreadable("cannot read '" + FileName.toStdString() + "': " + Reason);
}

// Why the file cannot be read, or "" when it can be tried.
std::string FileProblem(const QFileInfo& Info) {
  if (!Info.exists()) return "no such file";
  if (Info.isDir()) return "is a folder, not a picture";
  if (!Info.isFile()) return "is not a regular file";
  if (!Info.isReadable()) return "permission denied";
  if (Info.size() == 0) return "the file is empty";
  return "";
}

// The whole file. A local file goes through the platform, which reads only
// regular files and refuses one too large for any picture before reading
// it; a resource lies in memory already.
std::vector<std::uint8_t> FileBytes(const QString& FileName) {
  if (!FileName.startsWith(QLatin1Char(':'))) return ReadFileBytes(FileName.toStdString());
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly)) Refuse(FileName, file.errorString().toStdString());
  if (static_cast<std::uint64_t>(file.size()) > MaxPictureFileBytes(PictureLimit()))
    Refuse(FileName, "the file is too large for a picture");
  const QByteArray bytes = file.readAll();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// Any format Qt's image plug-ins read, its size checked before its pixels
// are decoded.
std::unique_ptr<TBitmap> DecodeWithQt(const std::vector<std::uint8_t>& Bytes, const QString& FileName) {
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(Bytes.data()),
                                            static_cast<qsizetype>(Bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  std::unique_ptr<TBitmap> picture;
  std::string reason;
  if (!ReadQtImage(buffer, picture, reason)) Refuse(FileName, reason);
  return picture;
}

}  // namespace

QString UrlFileName(const QUrl& Url) {
  if (Url.isLocalFile()) return Url.toLocalFile();
  if (Url.scheme() == QLatin1String("qrc")) return QLatin1Char(':') + Url.path();
  if (Url.scheme().isEmpty()) return Url.path();  // a plain path, ":/..." for a resource
  return QString();
}

std::unique_ptr<TBitmap> ReadUrlPicture(const QUrl& Url) {
  const QString fileName = UrlFileName(Url);
  if (fileName.isEmpty())
    throw EPictureUnreadable("cannot read '" + Url.toString().toStdString() +
                             "': only local files and qrc resources are read");
  const std::string problem = FileProblem(QFileInfo(fileName));
  if (!problem.empty()) Refuse(fileName, problem);
  auto picture = std::make_unique<TBitmap>();
  try {
    const std::vector<std::uint8_t> bytes = FileBytes(fileName);
    if (!DecodeOwnPicture(bytes.data(), bytes.size(), *picture)) picture = DecodeWithQt(bytes, fileName);
  } catch (const EPictureUnreadable&) {
    throw;
  } catch (const Exception& e) {
    Refuse(fileName, e.Message());
  } catch (const std::bad_alloc&) {
    Refuse(fileName, "not enough memory for the picture");
  }
  if (picture->Empty()) Refuse(fileName, "the picture has no pixels");
  return picture;
}

}  // namespace tweenery
