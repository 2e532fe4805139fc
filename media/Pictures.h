// The pictures a run starts from: files of any supported format (chosen by
// their content, not their name), the two built-in pictures, fitting a
// picture into a frame size, and the source that reads a run's pictures as
// the run reaches them.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {

// Adds PNG to the component's image loader table (once per process).
void RegisterToolImageLoaders();

// Has the memory of large pictures and frames go back to the system when
// they are freed (once per process). Otherwise the allocator raises its
// mapping threshold after the first large free, and from then on keeps
// freed pictures in each thread's heap: a long run would hold about the
// most it ever had in use on every thread.
void ReturnPictureMemoryWhenFreed();

// A Windows bitmap, JPEG, PNG or WebP picture (an animated WebP: its first
// frame). Raises EToolFailure naming the
// file and the reason: missing, a folder, empty, not a picture, truncated...
std::unique_ptr<TBitmap> ReadPicture(const std::string& FileName);

// The alpha of the picture ReadPicture reads, as grey pixels (0xFFAAAAAA):
// white where it is opaque, all white for formats without alpha. Its
// colour, composed onto black, is what ReadPicture gives: the two together
// are the picture with its alpha premultiplied.
std::unique_ptr<TBitmap> ReadPictureAlpha(const std::string& FileName);
// The colour to go with ReadPictureAlpha: each channel multiplied by the
// alpha as stored (ReadPicture composes in linear light).
std::unique_ptr<TBitmap> ReadPicturePremultiplied(const std::string& FileName);

// The demo's two stored pictures (422 x 143): 0 is From, 1 is To.
std::unique_ptr<TBitmap> BuiltInPicture(int Index);

enum class TFit { Stretch, Contain, Cover };

// Where a SourceWidth x SourceHeight picture lies in a Width x Height frame
// when fitted: the whole frame (stretch), inside it and centred (contain), or
// over it and centred, reaching past its edges (cover).
TRect FittedRect(int SourceWidth, int SourceHeight, int Width, int Height, TFit Fit);

// Source in a Width x Height picture: stretched; or scaled to fit inside,
// centred on Background (contain); or scaled to cover it, centred and cut
// (cover). A picture of the size already is copied as it is.
std::unique_ptr<TBitmap> FitPicture(const TBitmap& Source, int Width, int Height, TFit Fit, TColor Background);

// ReadPicture's picture fitted as FitPicture fits it, the same pixels; a
// JPEG is fitted while it is decoded, a band of rows at a time, so that a
// photograph is never held whole.
std::unique_ptr<TBitmap> ReadFittedPicture(const std::string& FileName, int Width, int Height, TFit Fit,
                                           TColor Background);

// Raises EToolFailure naming the first file that cannot be read at all
// (missing, a folder, empty), so that a long run does not fail at its last
// picture for want of a file; whether the content decodes is found when the
// picture is read.
void CheckPictureFiles(const std::vector<std::string>& Names);

// A run's pictures, fitted to one frame size and read when asked for: each
// file is decoded, fitted, and its original dropped before the next one is
// read. The source keeps only the two pictures asked for last (one
// transition's From and To), so a slideshow of any length holds about two
// fitted pictures; one asked for again after it was let go is read again.
// Whoever holds a picture keeps it alive. Not for several threads at once.
class TPictureSource {
 public:
  using TReader = std::function<std::unique_ptr<TBitmap>(const std::string& FileName)>;

  // Names: the files in order, read by Reader and then fitted; without a
  // Reader, by ReadFittedPicture. No names: the two built-in pictures.
  // Width and Height 0: the first picture's size (which reads it).
  TPictureSource(std::vector<std::string> Names, int Width, int Height, TFit Fit, TColor Background,
                 TReader Reader = {});

  std::size_t Count() const { return FNames.empty() ? 2 : FNames.size(); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Picture Index (from 0) at the frame size.
  std::shared_ptr<const TBitmap> Picture(std::size_t Index);

 private:
  std::unique_ptr<TBitmap> Original(std::size_t Index) const;
  std::shared_ptr<const TBitmap> Fitted(std::unique_ptr<TBitmap> Original) const;
  void MakeRoom();
  void Keep(std::size_t Index, std::shared_ptr<const TBitmap> Picture);

  static constexpr std::size_t kKept = 2;
  std::vector<std::string> FNames;
  int FWidth = 0, FHeight = 0;
  TFit FFit;
  TColor FBackground;
  TReader FReader;
  std::map<std::size_t, std::shared_ptr<const TBitmap>> FKept;
  std::vector<std::size_t> FKeptOrder;  // oldest first
};

}  // namespace tweenery
