// Image sources: pictures read from Windows bitmap and JPEG files, and
// pictures fitted to the other side's size.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/ImageCodecs.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {

namespace {

struct TImageLoaderRow {
  std::string Extension;
  TImageLoader Loader;
};

// The four rows every component starts with; hosts append their own.
std::vector<TImageLoaderRow>& ImageLoaders() {
  static std::vector<TImageLoaderRow> rows = {
      {"bmp", LoadBitmapFile},
      {"jpg", LoadJPEGFile},
      {"jpe", LoadJPEGFile},
      {"jpeg", LoadJPEGFile},
  };
  return rows;
}

// The extension after the last dot of the file's own name, without the dot,
// lower-cased; "" when there is none.
std::string LowerExtension(const std::string& FileName) {
  const std::size_t slash = FileName.find_last_of("/\\");
  const std::size_t dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = FileName.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return extension;
}

}  // namespace

TImageLoader FindImageLoader(const std::string& Extension) {
  for (const TImageLoaderRow& row : ImageLoaders())
    if (Extension == row.Extension) return row.Loader;
  return nullptr;
}

void RegisterImageLoader(const std::string& Extension, TImageLoader Loader) {
  std::string extension = Extension;
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  std::vector<TImageLoaderRow>& rows = ImageLoaders();
  for (TImageLoaderRow& row : rows)
    if (row.Extension == extension) {
      row.Loader = Loader;
      return;
    }
  rows.push_back({extension, Loader});
}

std::unique_ptr<TBitmap> LoadImageFile(const std::string& FileName) {
  const TImageLoader loader = FindImageLoader(LowerExtension(FileName));
  if (!loader) return nullptr;
  std::unique_ptr<TBitmap> picture;
  if (!loader(FileName, picture)) return nullptr;
  return picture;
}

bool LoadBitmapFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture) {
  Picture.reset();
  try {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromFile(FileName);
    Picture = std::move(bitmap);
    return true;
  } catch (...) {
    return false;
  }
}

bool LoadJPEGFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture) {
  Picture.reset();
  try {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(FileName);
    auto bitmap = std::make_unique<TBitmap>();
    DecodeJPEG(bytes.data(), bytes.size(), *bitmap);
    Picture = std::move(bitmap);
    return true;
  } catch (...) {
    return false;
  }
}

void AssignPicture(TBitmap* Target, const TBitmap* Source, const TBitmap* Other) {
  if (!Source) {
    Target->Assign(static_cast<const TBitmap*>(nullptr));
    return;
  }
  Target->Assign(Source);
  if (Other->Empty() || (Other->Height() == Source->Height() && Other->Width() == Source->Width())) return;
  Target->SetHeight(Other->Height());
  Target->SetWidth(Other->Width());
  Target->Canvas()->StretchDraw(Rect(0, 0, Other->Width(), Other->Height()), const_cast<TBitmap*>(Source));
}

}  // namespace tweenery
