// Pictures through Qt's image readers.
#include "platform/qt/QtImageFiles.h"

#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QList>
#include <cstdint>

#include "platform/ImageCodecs.h"
#include "platform/qt/QtDrawing.h"

namespace tweenery {

namespace {

std::int64_t Pixels(const QSize& Size) { return std::int64_t{Size.width()} * Size.height(); }

// Qt refuses images above an allocation limit of its own (256 MiB by
// default), below the platform's; for one read it is lifted to the
// platform's, which was checked from the header already.
class TAllocationLimitLift {
 public:
  TAllocationLimitLift() : FSaved(QImageReader::allocationLimit()) {
    const std::int64_t needed = PictureLimit() * 4 / (1 << 20) + 1;
    if (FSaved != 0 && FSaved < needed) QImageReader::setAllocationLimit(static_cast<int>(needed));
  }
  ~TAllocationLimitLift() { QImageReader::setAllocationLimit(FSaved); }
  TAllocationLimitLift(const TAllocationLimitLift&) = delete;
  TAllocationLimitLift& operator=(const TAllocationLimitLift&) = delete;

 private:
  int FSaved;
};

}  // namespace

std::unique_ptr<TBitmap> QImageToBitmap(const QImage& Image) {
  auto bitmap = std::make_unique<TBitmap>();
  if (Image.isNull()) return bitmap;
  if (Pixels(Image.size()) > TBitmap::MaxPixels) throw EOutOfResources("Bitmap too large");
  if (Image.format() != QImage::Format_RGB32 && Image.convertToFormat(QImage::Format_RGB32).isNull())
    throw EOutOfResources("Out of memory for bitmap pixels");
  ImageToBitmap(Image, *bitmap);
  bitmap->Modified();
  return bitmap;
}

std::vector<std::string> QtImageFormats() {
  std::vector<std::string> formats;
  for (const QByteArray& format : QImageReader::supportedImageFormats())
    formats.push_back(format.toLower().toStdString());
  return formats;
}

bool ReadQtImageFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture, std::string& Reason) {
  QFile file(QString::fromStdString(FileName));
  if (!file.open(QIODevice::ReadOnly)) {
    Picture.reset();
    Reason = "not a picture (" + file.errorString().toLower().toStdString() + ")";
    return false;
  }
  return ReadQtImage(file, Picture, Reason);
}

bool ReadQtImage(QIODevice& Device, std::unique_ptr<TBitmap>& Picture, std::string& Reason) {
  Picture.reset();
  Reason.clear();
  try {
    QImageReader reader(&Device);
    if (!reader.canRead()) {
      Reason = "not a picture";
      return false;
    }
    const QSize size = reader.size();
    if (size.isValid() && Pixels(size) > PictureLimit()) {
      Reason = "too large";
      return false;
    }
    QImage image;
    {
      const TAllocationLimitLift lift;
      image = reader.read();
    }
    if (image.isNull()) {
      Reason = "not a picture (" + reader.errorString().toLower().toStdString() + ")";
      return false;
    }
    if (Pixels(image.size()) > PictureLimit()) {
      Reason = "too large";
      return false;
    }
    Picture = QImageToBitmap(image);
    return true;
  } catch (const EOutOfResources&) {
    Reason = "too large";
  } catch (...) {
    Reason = "not a picture";
  }
  Picture.reset();
  return false;
}

}  // namespace tweenery
