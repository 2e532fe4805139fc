// tweenery.frame and tweenery.frames: pictures of a transition as NumPy
// arrays, composed with the interpreter lock let go.
#include <cmath>
#include <mutex>

#include "python/Bindings.h"
#include "python/Pictures.h"
#include "python/Transition.h"

namespace tweenery::python {

namespace {

// A composed frame as a new array: allocated with the interpreter lock,
// filled without it.
py::array_t<std::uint8_t> ArrayOf(const TBitmap& Frame, int Channels) {
  py::array_t<std::uint8_t> out = NewFrameArray(Frame.Width(), Frame.Height(), Channels);
  std::uint8_t* data = out.mutable_data();
  py::gil_scoped_release nogil;
  WriteFrame(Frame, data, Channels);
  return out;
}

py::array_t<std::uint8_t> Frame(py::handle A, py::handle B, const std::string& Operation, double Progress,
                                const std::string& Modifier, bool Reverse, py::object Delta, py::object Color,
                                py::object Seed, const std::string& Fit, py::object Size, const std::string& RGBOrder,
                                const std::string& Easing, double Duration, double Fps) {
  if (!(Progress >= 0 && Progress <= 1))
    throw py::value_error("progress must lie in [0, 1], not " + std::string(py::str(py::float_(Progress))));
  const TPictureSource from(A, "a"), to(B, "b");
  const TLook look = LookOf({Operation, Modifier, Reverse, Delta, Color, RGBOrder, Seed, Fit, Size});
  const TTiming timing = TimingOf(Duration, Fps, Easing, 0);
  std::unique_ptr<TOnePicture> one;
  const TBitmap* picture = nullptr;
  {
    py::gil_scoped_release nogil;
    TFittedPictures pictures = ReadFitted(from, to, look);
    // Setting the renderer up draws on the generator too.
    const TGeneratorTurn turn = TGeneratorTurn::For(look.Settings.Operation);
    one = std::make_unique<TOnePicture>(std::move(pictures), look, timing);
    // As `tweenery render --at`: the run's frames before it are composed
    // first, since random bars and Swarm carry their draws from frame to frame.
    picture = &one->At(Progress);
  }
  return ArrayOf(*picture, from.Channels());
}

// The frames of one transition, composed as they are asked for.
class TFrames {
 public:
  TFrames(std::unique_ptr<TTransition> Transition, int Channels)
      : FTransition(std::move(Transition)), FChannels(Channels), FCount(FTransition->Programme().FrameCount()) {}

  std::int64_t Count() const { return FCount; }

  py::array_t<std::uint8_t> Next() {
    std::unique_lock<std::mutex> lock(FLock, std::defer_lock);
    const TBitmap* frame = nullptr;
    {
      py::gil_scoped_release nogil;
      lock.lock();
      if (FNext < FCount) {
        const TGeneratorTurn turn = TGeneratorTurn::For(FTransition->Plan().Settings.Operation);
        frame = &FTransition->Programme().Frame(FNext);
        ++FNext;
      }
    }
    if (!frame) throw py::stop_iteration();
    // Still under FLock: the frame stays valid until the next one is composed.
    return ArrayOf(*frame, FChannels);
  }

  std::string Describe() const {
    return "<tweenery.Frames: " + std::to_string(FCount) + " frames of " + std::to_string(FTransition->Width()) +
           " x " + std::to_string(FTransition->Height()) + ">";
  }

 private:
  std::mutex FLock;  // one frame at a time, whichever thread asks
  std::unique_ptr<TTransition> FTransition;
  int FChannels;
  std::int64_t FCount;
  std::int64_t FNext = 0;
};

std::unique_ptr<TFrames> Frames(py::handle A, py::handle B, const std::string& Operation, const std::string& Modifier,
                                bool Reverse, py::object Delta, py::object Color, py::object Seed,
                                const std::string& Fit, py::object Size, const std::string& RGBOrder, double Duration,
                                double Fps, const std::string& Easing, double Hold) {
  const TPictureSource from(A, "a"), to(B, "b");
  const TLook look = LookOf({Operation, Modifier, Reverse, Delta, Color, RGBOrder, Seed, Fit, Size});
  const TTiming timing = TimingOf(Duration, Fps, Easing, Hold);
  py::gil_scoped_release nogil;
  return std::make_unique<TFrames>(std::make_unique<TTransition>(ReadFitted(from, to, look), look, timing), from.Channels());
}

}  // namespace

void BindFrames(py::module_& Module) {
  Module.def("frame", &Frame, py::arg("a"), py::arg("b"), py::arg("operation") = "Push", py::arg("progress") = 0.5,
             py::kw_only(), py::arg("modifier") = "left", py::arg("reverse") = false, py::arg("delta") = py::none(),
             py::arg("color") = py::none(), py::arg("seed") = py::none(), py::arg("fit") = "contain",
             py::arg("size") = py::none(), py::arg("rgb_order") = "RGB", py::arg("easing") = "linear",
             py::arg("duration") = 1.5, py::arg("fps") = 30.0,
             R"doc(The picture of a transition from a to b at a progress from 0 (a) to 1 (b).

a and b are H x W x 3 (RGB) or H x W x 4 (RGBA) uint8 arrays, of any
strides, or picture files (Windows bitmap, JPEG, PNG, WebP). b is fitted to a's
size, or both to size=(width, height), by fit ('contain' letterboxes,
'cover' cuts, 'stretch'). The result is a new H x W array with a's number
of channels; alpha is composed onto black and comes out 255.

The other keywords mean what the tool's options of the same name mean
(see tweenery.operations() for what each operation reads). color is the
fill of the operations that show one and the letterbox, as (r, g, b),
'#RRGGBB' or a name; None takes a's top-left pixel as the fill and
letterboxes in black. seed makes the random operations reproducible
(None: a fresh one). easing, duration and fps give the run the picture
belongs to, which random bars and Swarm depend on. The picture equals
`tweenery render A B --at PROGRESS` with the same options.

The interpreter lock is released while the picture is composed.)doc");

  py::class_<TFrames>(Module, "Frames", R"doc(The frames of one transition, composed one by one as they are asked for.

An iterator of H x W x 3 or 4 uint8 arrays; len() is the number of
frames of the whole run. Made by tweenery.frames().)doc")
      .def("__len__", &TFrames::Count)
      .def("__iter__", [](py::object Self) { return Self; })
      .def("__next__", &TFrames::Next)
      .def("__repr__", &TFrames::Describe);

  Module.def("frames", &Frames, py::arg("a"), py::arg("b"), py::arg("operation") = "Push", py::kw_only(),
             py::arg("modifier") = "left", py::arg("reverse") = false, py::arg("delta") = py::none(),
             py::arg("color") = py::none(), py::arg("seed") = py::none(), py::arg("fit") = "contain",
             py::arg("size") = py::none(), py::arg("rgb_order") = "RGB", py::arg("duration") = 1.0,
             py::arg("fps") = 30.0, py::arg("easing") = "ease-in-out", py::arg("hold") = 0.0,
             R"doc(The frames of a transition from a to b, as an iterator of arrays.

round(duration x fps) frames evenly spaced in time through the easing
curve (linear, ease, ease-in, ease-out, ease-in-out,
cubic-bezier(x1,y1,x2,y2), steps(n)), the first showing a and the last b;
hold seconds of the first and of the last frame before and after them.
Pictures and the other keywords as for tweenery.frame(). Frame n equals
`tweenery render A B --frame n` with the same options.

Frames are composed lazily, each as it is reached, with the interpreter
lock released.)doc");
}

}  // namespace tweenery::python
