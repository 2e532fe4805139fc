// The extension module tweenery._tweenery; the package tweenery re-exports
// it (python/tweenery/__init__.py).
#include "python/Bindings.h"
#include "python/Errors.h"

PYBIND11_MODULE(_tweenery, m) {
  m.doc() = "Transitions between two pictures as NumPy arrays, videos and slideshows.";
  tweenery::python::BindErrors(m);
  tweenery::python::BindOperations(m);
  tweenery::python::BindFrames(m);
  tweenery::python::BindRender(m);
}
