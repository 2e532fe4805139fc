// Pictures from Python: NumPy arrays (any object with the buffer protocol)
// of H x W x 3 or 4 bytes, read in place whatever their strides, or picture
// files; frames out as new H x W x 3 or 4 arrays written in place.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/Graphics.h"

namespace tweenery::python {

namespace py = pybind11;

// A picture as given: an array held open (its memory stays put while the
// source lives) or a file name. Made with the interpreter lock held; read
// without it.
class TPictureSource {
 public:
  // Object as argument Name ("a", "pictures[2]"): a str or os.PathLike
  // names a file; anything else must be an H x W x 3 (RGB) or H x W x 4
  // (RGBA) uint8 array. Raises TypeError or ValueError naming the argument.
  TPictureSource(py::handle Object, const std::string& Name);

  bool IsFile() const { return !FArray; }
  const std::string& FileName() const { return FFileName; }
  // 3 or 4 for an array, 3 for a file.
  int Channels() const { return FChannels; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  // The picture as a bitmap: the array's pixels converted row by row
  // (alpha composed onto black, as picture files are read), or the file
  // decoded. A file that cannot be read raises an InputError naming it.
  std::unique_ptr<TBitmap> Read() const;

 private:
  std::optional<py::buffer_info> FArray;
  std::string FFileName;
  int FChannels = 3, FWidth = 0, FHeight = 0;
};

// A new, uninitialised Height x Width x Channels uint8 array.
py::array_t<std::uint8_t> NewFrameArray(int Width, int Height, int Channels);
// Frame's pixels into Out, a C-contiguous Height x Width x Channels array
// of Frame's size (alpha 255); needs no interpreter lock.
void WriteFrame(const TBitmap& Frame, std::uint8_t* Out, int Channels);

}  // namespace tweenery::python
