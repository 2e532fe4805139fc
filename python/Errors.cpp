#include "python/Errors.h"

#include "platform/Classes.h"

namespace tweenery::python {

namespace {

// Owned by the module for the life of the process (the module is never
// unloaded), so the translator may use them without a reference count.
PyObject* gErrors[4] = {};

PyObject* NewErrorClass(py::module_& Module, const char* Name, const char* Doc, py::tuple Bases) {
  py::dict members;
  members["filename"] = py::none();
  const std::string qualified = std::string("tweenery.") + Name;
  PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), Doc, Bases.ptr(), members.ptr());
  if (!type) throw py::error_already_set();
  Module.add_object(Name, py::handle(type));
  return type;
}

// Messages and file names may hold any bytes a file name can: decoded as
// Python decodes file names, never failing.
py::object Text(const std::string& Bytes) {
  PyObject* text = PyUnicode_DecodeFSDefaultAndSize(Bytes.data(), static_cast<Py_ssize_t>(Bytes.size()));
  if (!text) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(text);
}

void Raise(TErrorKind Kind, const std::string& Message, const std::optional<std::string>& FileName) {
  PyObject* type = gErrors[static_cast<int>(Kind)];
  try {
    py::object error = py::reinterpret_borrow<py::object>(type)(Text(Message));
    if (FileName) error.attr("filename") = Text(*FileName);
    PyErr_SetObject(type, error.ptr());
  } catch (py::error_already_set& e) {
    e.restore();  // what went wrong making the exception, rather than nothing
  }
}

}  // namespace

void BindErrors(py::module_& Module) {
  PyObject* error = NewErrorClass(Module, "Error",
                                  "What tweenery raises when it cannot do what it was asked; filename is the "
                                  "file concerned, or None.",
                                  py::make_tuple(py::handle(PyExc_Exception)));
  gErrors[static_cast<int>(TErrorKind::Other)] = error;
  gErrors[static_cast<int>(TErrorKind::Input)] = NewErrorClass(
      Module, "InputError", "A picture that cannot be read: missing, not a picture, truncated, too large.",
      py::make_tuple(py::handle(error), py::handle(PyExc_OSError)));
  gErrors[static_cast<int>(TErrorKind::Output)] = NewErrorClass(
      Module, "OutputError", "Output that cannot be written, or exists and may not be replaced.",
      py::make_tuple(py::handle(error), py::handle(PyExc_OSError)));
  gErrors[static_cast<int>(TErrorKind::Usage)] =
      NewErrorClass(Module, "UsageError", "Settings that cannot be carried out as given.",
                    py::make_tuple(py::handle(error), py::handle(PyExc_ValueError)));

  py::register_exception_translator([](std::exception_ptr Failure) {
    try {
      if (Failure) std::rethrow_exception(Failure);
    } catch (const EModuleError& e) {
      Raise(e.Kind(), e.what(), e.FileName());
    } catch (const Exception& e) {
      // The core's own failures (a bitmap beyond its limit, a transition
      // that never ends) are not the caller's wrong arguments.
      Raise(TErrorKind::Other, e.Message(), std::nullopt);
    }
  });
}

}  // namespace tweenery::python
