// The parts of the tweenery module, one per concept; Module.cpp joins them.
#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace tweenery::python {

namespace py = pybind11;

void BindOperations(py::module_& Module);
void BindFrames(py::module_& Module);
void BindRender(py::module_& Module);

}  // namespace tweenery::python
