// The parts of the tweenery module, one per concept; Module.cpp joins them.
#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

namespace tweenery::python {

namespace py = pybind11;

// The name of Object's type, as messages about a wrong argument say it.
inline std::string TypeName(py::handle Object) { return py::str(py::type::handle_of(Object).attr("__name__")); }

void BindOperations(py::module_& Module);
void BindFrames(py::module_& Module);
void BindRender(py::module_& Module);

}  // namespace tweenery::python
