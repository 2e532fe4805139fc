#include "python/Pictures.h"

#include "python/Bindings.h"
#include "python/Errors.h"
#include "media/Pictures.h"
#include "media/Errors.h"
#include "platform/PixelRows.h"

#include <memory>
#include <new>

namespace tweenery::python {

namespace {

bool IsFileName(py::handle Object) {
  return py::isinstance<py::str>(Object) || py::isinstance<py::bytes>(Object) || py::hasattr(Object, "__fspath__");
}

// The name as the file system spells it (bytes, so any name survives).
std::string FileNameOf(py::handle Object) {
  return py::module_::import("os").attr("fsencode")(Object).cast<std::string>();
}

std::string ShapeText(const std::vector<py::ssize_t>& Shape) {
  std::string text = "(";
  for (std::size_t i = 0; i < Shape.size(); ++i) text += (i ? ", " : "") + std::to_string(Shape[i]);
  return text + (Shape.size() == 1 ? ",)" : ")");
}

std::string DtypeText(py::handle Object, const py::buffer_info& Info) {
  if (py::hasattr(Object, "dtype")) return py::str(Object.attr("dtype"));
  return "format '" + Info.format + "'";
}

inline std::uint32_t Opaque(std::uint32_t R, std::uint32_t G, std::uint32_t B) {
  return 0xFF000000u | (R << 16) | (G << 8) | B;
}

// A channel composed onto black by its alpha, rounded.
inline std::uint32_t OnBlack(std::uint8_t Channel, std::uint8_t Alpha) {
  return (std::uint32_t{Channel} * Alpha + 127) / 255;
}

void ReadRow(const std::uint8_t* Row, py::ssize_t PixelStride, py::ssize_t ChannelStride, int Channels, int Width,
             std::uint32_t* Out) {
  if (Channels == 3 && PixelStride == 3 && ChannelStride == 1) {
    UnpackPixelRow(Row, Width, Out, TByteOrder::RGB);
  } else if (Channels == 3) {
    for (int x = 0; x < Width; ++x, Row += PixelStride)
      Out[x] = Opaque(Row[0], Row[ChannelStride], Row[2 * ChannelStride]);
  } else {
    for (int x = 0; x < Width; ++x, Row += PixelStride) {
      const std::uint8_t alpha = Row[3 * ChannelStride];
      Out[x] = Opaque(OnBlack(Row[0], alpha), OnBlack(Row[ChannelStride], alpha), OnBlack(Row[2 * ChannelStride], alpha));
    }
  }
}

}  // namespace

TPictureSource::TPictureSource(py::handle Object, const std::string& Name) {
  if (IsFileName(Object)) {
    FFileName = FileNameOf(Object);
    if (FFileName.empty()) throw py::value_error(Name + " is an empty file name");
    return;
  }
  if (!PyObject_CheckBuffer(Object.ptr()))
    throw py::type_error(Name + " must be a NumPy array (H x W x 3 or 4, uint8) or a file name, not " +
                         TypeName(Object));
  py::buffer_info info = py::reinterpret_borrow<py::buffer>(Object).request();
  if (info.itemsize != 1 || (info.format != "B" && info.format != "=B" && info.format != "<B" && info.format != ">B"))
    throw py::type_error(Name + " must be an array of uint8, not " + DtypeText(Object, info));
  if (info.ndim != 3 || (info.shape[2] != 3 && info.shape[2] != 4))
    throw py::value_error(Name + " must be H x W x 3 (RGB) or H x W x 4 (RGBA), not of shape " + ShapeText(info.shape));
  const py::ssize_t height = info.shape[0], width = info.shape[1];
  if (height < 1 || width < 1) throw py::value_error(Name + " has no pixels (shape " + ShapeText(info.shape) + ")");
  if (height > TBitmap::MaxPixels / width)
    throw py::value_error(Name + " of " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels is larger than a picture can be (" + std::to_string(TBitmap::MaxPixels) +
                          " pixels)");
  FWidth = static_cast<int>(width);
  FHeight = static_cast<int>(height);
  FChannels = static_cast<int>(info.shape[2]);
  FArray.emplace(std::move(info));
}

std::unique_ptr<TBitmap> TPictureSource::Read() const {
  if (!FArray) {
    try {
      return ReadPicture(FFileName);
    } catch (const Exception& e) {
      throw EModuleError(TErrorKind::Input, e.Message(), FFileName);
    }
  }
  auto bitmap = std::make_unique<TBitmap>();
  // Every pixel is read from the array.
  bitmap->SetSizeForOverwrite(FWidth, FHeight);
  const auto* base = static_cast<const std::uint8_t*>(FArray->ptr);
  const py::ssize_t rowStride = FArray->strides[0], pixelStride = FArray->strides[1], channelStride = FArray->strides[2];
  for (int y = 0; y < FHeight; ++y)
    ReadRow(base + y * rowStride, pixelStride, channelStride, FChannels, FWidth, bitmap->ScanLine(y));
  bitmap->Modified();
  return bitmap;
}

// A frame's array owns a large block shared with the bitmaps' kept blocks:
// the allocator hands a frame-sized buffer freed a moment ago back to the
// system, and a fresh one costs its page faults again, a third of a
// 1920 x 1080 frame() call when a caller holds two frames at a time.
py::array_t<std::uint8_t> NewFrameArray(int Width, int Height, int Channels) {
  struct TArrayBlock {
    void* Block;
    std::size_t Bytes;
    ~TArrayBlock() { GiveLargeBlock(Block, Bytes); }
  };
  std::size_t bytes = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) *
                      static_cast<std::size_t>(Channels);
  auto owned = std::make_unique<TArrayBlock>(TArrayBlock{nullptr, bytes});
  owned->Block = TakeLargeBlock(owned->Bytes);
  if (!owned->Block) throw std::bad_alloc();
  auto* pixels = static_cast<std::uint8_t*>(owned->Block);
  py::capsule owner(owned.get(), [](void* Block) { delete static_cast<TArrayBlock*>(Block); });
  owned.release();
  return py::array_t<std::uint8_t>({static_cast<py::ssize_t>(Height), static_cast<py::ssize_t>(Width),
                                    static_cast<py::ssize_t>(Channels)},
                                   pixels, owner);
}

void WriteFrame(const TBitmap& Frame, std::uint8_t* Out, int Channels) {
  const std::size_t count = static_cast<std::size_t>(Frame.Width()) * static_cast<std::size_t>(Frame.Height());
  const std::uint32_t* pixels = Frame.Bits();
  if (Channels == 3) {
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(Frame.Width());
    for (int y = 0; y < Frame.Height(); ++y)
      PackPixelRow(Frame.ScanLine(y), Frame.Width(), Out + y * rowBytes, TByteOrder::RGB);
  } else {
    for (std::size_t i = 0; i < count; ++i, Out += 4) {
      const std::uint32_t p = pixels[i];
      Out[0] = static_cast<std::uint8_t>(p >> 16);
      Out[1] = static_cast<std::uint8_t>(p >> 8);
      Out[2] = static_cast<std::uint8_t>(p);
      Out[3] = 0xFF;
    }
  }
}

}  // namespace tweenery::python
