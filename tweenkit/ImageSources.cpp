// Image sources: pictures read from Windows bitmap and JPEG files, and
// pictures fitted to the other side's size.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
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

namespace {

// What the loader running on this thread told of its failure.
thread_local std::string LoadFailure;

// Why the file cannot be opened for reading as a picture, or "" when it can.
std::string FileProblem(const std::string& FileName) {
  struct stat info {};
  if (::stat(FileName.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR || FileName.empty()) return "no such file";
    if (errno == EACCES) return "permission denied";
    if (errno == ENAMETOOLONG) return "file name too long";
    return std::strerror(errno);
  }
  if (!S_ISREG(info.st_mode)) return S_ISDIR(info.st_mode) ? "a folder, not a picture" : "not a regular file";
  if (::access(FileName.c_str(), R_OK) != 0) return "permission denied";
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > MaxPictureFileBytes(PictureLimit()))
    return "too large";
  return "";
}

// Our decoders refuse a picture beyond the limit with these words.
void NoteFailure(const std::exception& Error) {
  const std::string what = Error.what();
  if (dynamic_cast<const EOutOfResources*>(&Error) || what.find("too many pixels") != std::string::npos ||
      what.find("too large") != std::string::npos)
    NoteImageLoadFailure("too large");
}

}  // namespace

void NoteImageLoadFailure(const std::string& Reason) { LoadFailure = Reason; }

std::string ImageFileError(const std::string& FileName, const std::string& Reason) {
  return "cannot read " + FileName + ": " + Reason;
}

std::unique_ptr<TBitmap> LoadImageFile(const std::string& FileName) {
  std::string reason;
  return LoadImageFile(FileName, reason);
}

std::unique_ptr<TBitmap> LoadImageFile(const std::string& FileName, std::string& Reason) {
  Reason.clear();
  const std::string extension = LowerExtension(FileName);
  const TImageLoader loader = FindImageLoader(extension);
  if (!loader) {
    Reason = FileProblem(FileName);
    if (Reason.empty())
      Reason = extension.empty() ? "not a picture (no reader for files without an extension)"
                                 : "not a picture (no reader for ." + extension + " files)";
    return nullptr;
  }
  LoadFailure.clear();
  std::unique_ptr<TBitmap> picture;
  if (loader(FileName, picture) && picture) return picture;
  // The file's own trouble first: a loader sees only that it failed.
  Reason = FileProblem(FileName);
  if (Reason.empty()) Reason = LoadFailure.empty() ? "not a picture" : LoadFailure;
  LoadFailure.clear();
  return nullptr;
}

bool LoadBitmapFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture) {
  Picture.reset();
  try {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromFile(FileName);
    Picture = std::move(bitmap);
    return true;
  } catch (const std::exception& error) {
    NoteFailure(error);
    return false;
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
  } catch (const std::exception& error) {
    NoteFailure(error);
    return false;
  } catch (...) {
    return false;
  }
}

namespace {

// A new picture is fitted to the other one's size, unless that is empty or
// the same.
bool KeepsItsSize(const TBitmap& Picture, const TBitmap& Other) {
  return Other.Empty() || (Other.Width() == Picture.Width() && Other.Height() == Picture.Height());
}

}  // namespace

void AssignPicture(TBitmap* Target, const TBitmap* Source, const TBitmap* Other) {
  if (!Source) {
    Target->Assign(static_cast<const TBitmap*>(nullptr));
    return;
  }
  Target->Assign(Source);
  if (KeepsItsSize(*Source, *Other)) return;
  Target->SetHeight(Other->Height());
  Target->SetWidth(Other->Width());
  Target->Canvas()->StretchDraw(Rect(0, 0, Other->Width(), Other->Height()), const_cast<TBitmap*>(Source));
}

void TakePicture(TBitmap* Target, TBitmap& Source, const TBitmap* Other) {
  if (Source.Empty() || KeepsItsSize(Source, *Other)) {
    Target->Exchange(Source);
  } else {
    AssignPicture(Target, &Source, Other);
  }
  // The target's former pixels, or the picture it was stretched from.
  Source.Assign(static_cast<const TBitmap*>(nullptr));
}

}  // namespace tweenery
