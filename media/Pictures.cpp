#include "media/Pictures.h"

#include <sys/stat.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/ImageCodecs.h"
#include "media/Png.h"
#include "media/WebP.h"
#include "media/Errors.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {

// Generated at build time from demo/pictures.
extern const unsigned char kBuiltInFrom[];
extern const std::size_t kBuiltInFromSize;
extern const unsigned char kBuiltInTo[];
extern const std::size_t kBuiltInToSize;

// Pictures and frames from this size up are mapped on their own: a 256 x 256
// picture, well below any frame size worth a slideshow.
constexpr int kMappedPictureBytes = 256 * 1024;

void RegisterToolImageLoaders() {
  static const bool registered = [] {
    RegisterImageLoader("png", LoadPNGFile);
    return true;
  }();
  (void)registered;
}

void ReturnPictureMemoryWhenFreed() {
#if defined(__GLIBC__)
  // A fixed threshold also keeps the allocator from moving it.
  static const bool set = mallopt(M_MMAP_THRESHOLD, kMappedPictureBytes) == 1;
  (void)set;
#endif
}

namespace {

bool StartsWith(const std::vector<std::uint8_t>& Bytes, const char* Magic, std::size_t Length) {
  return Bytes.size() >= Length && std::memcmp(Bytes.data(), Magic, Length) == 0;
}

// Why the name cannot be read as a file, or "" when it can be tried.
std::string FileProblem(const std::string& FileName) {
  struct stat info {};
  if (stat(FileName.c_str(), &info) != 0) return errno == ENOENT ? "no such file" : std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return "is a folder, not a picture";
  if (!S_ISREG(info.st_mode)) return "is not a regular file";
  if (info.st_size == 0) return "the file is empty";
  return "";
}

void Decode(const std::vector<std::uint8_t>& Bytes, TBitmap& Out) {
  if (StartsWith(Bytes, "BM", 2)) return DecodeWindowsBitmap(Bytes.data(), Bytes.size(), Out);
  if (StartsWith(Bytes, "\xFF\xD8", 2)) return DecodeJPEG(Bytes.data(), Bytes.size(), Out);
  if (StartsWith(Bytes, "\x89PNG", 4)) return DecodePNG(Bytes.data(), Bytes.size(), Out);
  if (IsWebP(Bytes.data(), Bytes.size())) return DecodeWebP(Bytes.data(), Bytes.size(), Out);
  throw EInvalidGraphic("not a Windows bitmap, JPEG, PNG or WebP picture");
}

// A picture's alpha: its own where the format has one, else all opaque.
void DecodeAlpha(const std::vector<std::uint8_t>& Bytes, TBitmap& Out) {
  if (StartsWith(Bytes, "\x89PNG", 4)) return DecodePNGAlpha(Bytes.data(), Bytes.size(), Out);
  if (IsWebP(Bytes.data(), Bytes.size())) return DecodeWebP(Bytes.data(), Bytes.size(), Out, TWebPLayer::Alpha);
  Decode(Bytes, Out);
  for (int y = 0; y < Out.Height(); ++y) std::fill_n(Out.ScanLine(y), Out.Width(), 0xFFFFFFFFu);
}

void DecodePremultiplied(const std::vector<std::uint8_t>& Bytes, TBitmap& Out) {
  if (StartsWith(Bytes, "\x89PNG", 4)) return DecodePNGPremultiplied(Bytes.data(), Bytes.size(), Out);
  Decode(Bytes, Out);
}

using TDecoder = void (*)(const std::vector<std::uint8_t>&, TBitmap&);

EToolFailure CannotRead(const std::string& FileName, const std::string& Reason) {
  return EToolFailure("cannot read '" + FileName + "': " + Reason);
}

std::vector<std::uint8_t> PictureBytes(const std::string& FileName) {
  CheckPictureFiles({FileName});
  try {
    return ReadFileBytes(FileName);
  } catch (const Exception& e) {
    throw CannotRead(FileName, e.Message());
  }
}

std::unique_ptr<TBitmap> DecodeFile(const std::string& FileName, const std::vector<std::uint8_t>& Bytes,
                                    TDecoder Decoder) {
  auto picture = std::make_unique<TBitmap>();
  try {
    Decoder(Bytes, *picture);
  } catch (const Exception& e) {
    throw CannotRead(FileName, e.Message());
  }
  if (picture->Empty()) throw CannotRead(FileName, "the picture has no pixels");
  return picture;
}

std::unique_ptr<TBitmap> ReadWith(const std::string& FileName, TDecoder Decoder) {
  return DecodeFile(FileName, PictureBytes(FileName), Decoder);
}

// Width x Height of Background, which a fitted picture is drawn on.
std::unique_ptr<TBitmap> FittingGround(int Width, int Height, TColor Background) {
  auto out = std::make_unique<TBitmap>(Width, Height);
  TCanvas* canvas = out->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Background);
  canvas->FillRect(Rect(0, 0, Width, Height));
  return out;
}

// Rows of a photograph decoded at a time while it is fitted: 256 KB of a
// 4000-pixel-wide one, next to the 46 MB it takes whole.
constexpr int kFittingBandRows = 16;

// A JPEG fitted as it is decoded: each band of rows is drawn where the
// whole picture's StretchDraw would put those rows (the band's canvas sits
// at the band's place in the picture, so the copy maps every pixel as for
// the whole), and only one band is ever held.
std::unique_ptr<TBitmap> FitJPEG(const std::string& FileName, const std::vector<std::uint8_t>& Bytes, int Width,
                                 int Height, TFit Fit, TColor Background) {
  auto out = FittingGround(Width, Height, Background);
  try {
    // A picture of the frame size is fitted to the whole frame and copied
    // unscaled: the same pixels as FitPicture's copy of it.
    DecodeJPEGBands(Bytes.data(), Bytes.size(), kFittingBandRows, [&](const TPictureBand& Band) {
      const int width = Band.Pixels.Width();
      TCanvas rows;
      rows.SetSurface(const_cast<TBitmap*>(&Band.Pixels), 0, -Band.Top, Rect(0, 0, width, Band.Rows));
      const TRect place = FittedRect(width, Band.Height, Width, Height, Fit);
      out->Canvas()->CopyRect(place, &rows, Rect(0, 0, width, Band.Height));
    });
  } catch (const Exception& e) {
    throw CannotRead(FileName, e.Message());
  }
  return out;
}

}  // namespace

void CheckPictureFiles(const std::vector<std::string>& Names) {
  for (const std::string& name : Names) {
    if (name.empty()) throw EUsage("a picture name is empty");
    const std::string problem = FileProblem(name);
    if (!problem.empty()) throw EToolFailure("cannot read '" + name + "': " + problem);
  }
}

std::unique_ptr<TBitmap> ReadPicture(const std::string& FileName) { return ReadWith(FileName, Decode); }

std::unique_ptr<TBitmap> ReadPictureAlpha(const std::string& FileName) { return ReadWith(FileName, DecodeAlpha); }

std::unique_ptr<TBitmap> ReadPicturePremultiplied(const std::string& FileName) {
  return ReadWith(FileName, DecodePremultiplied);
}

std::unique_ptr<TBitmap> BuiltInPicture(int Index) {
  auto picture = std::make_unique<TBitmap>();
  if (Index == 0)
    DecodeWindowsBitmap(kBuiltInFrom, kBuiltInFromSize, *picture);
  else
    DecodeWindowsBitmap(kBuiltInTo, kBuiltInToSize, *picture);
  return picture;
}

TRect FittedRect(int SourceWidth, int SourceHeight, int Width, int Height, TFit Fit) {
  const std::int64_t sw = SourceWidth, sh = SourceHeight;
  std::int64_t dw = Width, dh = Height;
  if (Fit != TFit::Stretch) {
    // Source wider than the frame (sw / sh > W / H): contain keeps the
    // width, cover the height; the other side follows, rounded.
    const bool wider = sw * Height > sh * Width;
    if (wider == (Fit == TFit::Contain))
      dh = std::max<std::int64_t>(1, (sh * Width * 2 + sw) / (2 * sw));
    else
      dw = std::max<std::int64_t>(1, (sw * Height * 2 + sh) / (2 * sh));
  }
  const std::int64_t left = (Width - dw) / 2, top = (Height - dh) / 2;
  return Rect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + dw), static_cast<int>(top + dh));
}

std::unique_ptr<TBitmap> FitPicture(const TBitmap& Source, int Width, int Height, TFit Fit, TColor Background) {
  if (Source.Width() == Width && Source.Height() == Height) {
    auto out = std::make_unique<TBitmap>(Width, Height);
    out->Assign(&Source);
    return out;
  }
  auto out = FittingGround(Width, Height, Background);
  out->Canvas()->StretchDraw(FittedRect(Source.Width(), Source.Height(), Width, Height, Fit),
                             const_cast<TBitmap*>(&Source));
  return out;
}

std::unique_ptr<TBitmap> ReadFittedPicture(const std::string& FileName, int Width, int Height, TFit Fit,
                                           TColor Background) {
  std::vector<std::uint8_t> bytes = PictureBytes(FileName);
  if (StartsWith(bytes, "\xFF\xD8", 2)) return FitJPEG(FileName, bytes, Width, Height, Fit, Background);
  std::unique_ptr<TBitmap> original = DecodeFile(FileName, bytes, Decode);
  bytes = {};
  return FitPicture(*original, Width, Height, Fit, Background);
}

// ---------------------------------------------------------------- source

TPictureSource::TPictureSource(std::vector<std::string> Names, int Width, int Height, TFit Fit, TColor Background,
                               TReader Reader)
    : FNames(std::move(Names)), FWidth(Width), FHeight(Height), FFit(Fit), FBackground(Background),
      FReader(std::move(Reader)) {
  if (FWidth > 0 && FHeight > 0) return;
  // The first picture gives the size; as it needs no fitting it is kept.
  std::unique_ptr<TBitmap> first = Original(0);
  FWidth = first->Width();
  FHeight = first->Height();
  Keep(0, Fitted(std::move(first)));
}

std::shared_ptr<const TBitmap> TPictureSource::Picture(std::size_t Index) {
  if (Index >= Count()) throw EToolFailure("picture " + std::to_string(Index) + " of " + std::to_string(Count()));
  if (const auto kept = FKept.find(Index); kept != FKept.end()) return kept->second;
  MakeRoom();  // before reading: the picture let go may be the larger part of the memory in use
  std::shared_ptr<const TBitmap> picture = FReader || FNames.empty()
                                               ? Fitted(Original(Index))
                                               : ReadFittedPicture(FNames[Index], FWidth, FHeight, FFit, FBackground);
  Keep(Index, picture);
  return picture;
}

std::unique_ptr<TBitmap> TPictureSource::Original(std::size_t Index) const {
  if (FNames.empty()) return BuiltInPicture(static_cast<int>(Index));
  return FReader ? FReader(FNames[Index]) : ReadPicture(FNames[Index]);
}

// The original is let go on return, before anything else is read.
std::shared_ptr<const TBitmap> TPictureSource::Fitted(std::unique_ptr<TBitmap> Original) const {
  if (Original->Width() == FWidth && Original->Height() == FHeight) return Original;
  return FitPicture(*Original, FWidth, FHeight, FFit, FBackground);
}

void TPictureSource::MakeRoom() {
  if (FKeptOrder.size() < kKept) return;
  FKept.erase(FKeptOrder.front());
  FKeptOrder.erase(FKeptOrder.begin());
}

void TPictureSource::Keep(std::size_t Index, std::shared_ptr<const TBitmap> Picture) {
  MakeRoom();
  FKept[Index] = std::move(Picture);
  FKeptOrder.push_back(Index);
}

}  // namespace tweenery
