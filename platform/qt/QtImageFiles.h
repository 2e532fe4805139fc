/// @file
/// Pictures through Qt: what QImageReader reads (PNG, GIF's first frame,
/// WebP and TIFF with their plug-ins, ...) and QImages, as the platform's
/// bitmaps, within the platform's size limits.
#pragma once

#include <QIODevice>
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {

/// A copy of Image as a bitmap (the RGB32 layout), every pixel opaque: alpha
/// is dropped, as Qt's conversion to RGB32 drops it. An empty bitmap for a
/// null image. Raises EOutOfResources for more pixels than TBitmap::MaxPixels
/// before anything is allocated.
std::unique_ptr<TBitmap> QImageToBitmap(const QImage& Image);

/// The file formats QImageReader reads in this process, lower case ("png",
/// "gif", and "webp" or "tiff" where their plug-ins are installed).
std::vector<std::string> QtImageFormats();

/// Reads FileName through QImageReader into Picture (the first frame of an
/// animation). On failure Picture is empty, the result false and Reason
/// "too large" (more pixels than PictureLimit(), seen from the header before
/// anything is decoded) or "not a picture" with Qt's reason in parentheses.
/// Nothing raised inside leaves it.
bool ReadQtImageFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture, std::string& Reason);

/// As ReadQtImageFile, from an open device (a resource, bytes in memory).
bool ReadQtImage(QIODevice& Device, std::unique_ptr<TBitmap>& Picture, std::string& Reason);

}  // namespace tweenery
