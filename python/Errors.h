// The module's exceptions: tweenery.Error and the three kinds of failure
// the tool tells apart (input it cannot read, output it cannot write,
// settings it cannot carry out), each with the file it concerns.
#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace tweenery::python {

namespace py = pybind11;

enum class TErrorKind { Input, Output, Usage, Other };

// A failure on its way to Python; thrown with or without the interpreter
// lock, raised as the module's exception of its kind when it reaches Python.
class EModuleError : public std::runtime_error {
 public:
  EModuleError(TErrorKind Kind, const std::string& Message, std::optional<std::string> FileName = std::nullopt)
      : std::runtime_error(Message), FKind(Kind), FFileName(std::move(FileName)) {}
  TErrorKind Kind() const { return FKind; }
  const std::optional<std::string>& FileName() const { return FFileName; }

 private:
  TErrorKind FKind;
  std::optional<std::string> FFileName;
};

// Adds Error, InputError, OutputError and UsageError to the module and
// translates EModuleError and the core's exceptions into them.
void BindErrors(py::module_& Module);

}  // namespace tweenery::python
