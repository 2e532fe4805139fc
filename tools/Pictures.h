// The pictures a run starts from: files of any supported format (chosen by
// their content, not their name), the two built-in pictures, and fitting a
// picture into a frame size.
#pragma once

#include <memory>
#include <string>

#include "platform/Graphics.h"

namespace tweenery {

// Adds PNG to the component's image loader table (once per process).
void RegisterToolImageLoaders();

// A Windows bitmap, JPEG or PNG picture. Raises EToolFailure naming the
// file and the reason: missing, a folder, empty, not a picture, truncated...
std::unique_ptr<TBitmap> ReadPicture(const std::string& FileName);

// The demo's two stored pictures (422 x 143): 0 is From, 1 is To.
std::unique_ptr<TBitmap> BuiltInPicture(int Index);

enum class TFit { Stretch, Contain, Cover };

// Source in a Width x Height picture: stretched; or scaled to fit inside,
// centred on Background (contain); or scaled to cover it, centred and cut
// (cover). A picture of the size already is copied as it is.
std::unique_ptr<TBitmap> FitPicture(const TBitmap& Source, int Width, int Height, TFit Fit, TColor Background);

}  // namespace tweenery
