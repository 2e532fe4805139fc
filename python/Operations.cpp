// tweenery.operations(): the 28 operations in the dialog's order, with what
// each reads and the preset the dialog writes when it is chosen.
#include <vector>

#include "python/Bindings.h"
#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery::python {

namespace {

struct TOperationEntry {
  TTransitionOperation Operation;
  std::string Name() const { return OperationText(Operation); }
  std::string Ident() const { return OperationIdent(Operation); }
  // The keyword arguments an operation's frames depend on.
  py::tuple Reads() const {
    static const std::pair<TOperationParameter, const char*> kKeywords[] = {
        {opModifier, "modifier"}, {opReverse, "reverse"}, {opDelta, "delta"},
        {opColor, "color"},       {opRGBOrder, "rgb_order"}};
    py::list reads;
    for (const auto& [parameter, keyword] : kKeywords)
      if (OperationParameters(Operation) & parameter) reads.append(keyword);
    return py::tuple(reads);
  }
  bool Random() const { return UsesRandom(Operation); }
  const TOperationPreset& Preset() const { return OperationPreset(Operation); }
  std::string Describe() const {
    return "<tweenery.Operation " + Name() + " reads " + std::string(py::str(Reads())) + ">";
  }
};

std::vector<TOperationEntry> Operations() {
  std::vector<TOperationEntry> entries;
  for (int item = 0; item < OperationItemCount; ++item) entries.push_back({OperationOfItem(item)});
  return entries;
}

}  // namespace

void BindOperations(py::module_& Module) {
  py::class_<TOperationPreset>(Module, "Preset", "What choosing an operation in the dialog writes into the component.")
      .def_readonly("interval", &TOperationPreset::Interval, "milliseconds between frames")
      .def_readonly("steps", &TOperationPreset::Steps, "frames advanced per tick")
      .def_property_readonly(
          "delta", [](const TOperationPreset& P) { return P.Delta ? py::object(py::int_(*P.Delta)) : py::object(py::none()); },
          "the Delta it sets, or None where Delta stays as it is")
      .def_readonly("reverse_on_done", &TOperationPreset::ReverseOnDone, "whether the dialog plays it back when done")
      .def("__repr__", [](const TOperationPreset& P) {
        return "Preset(interval=" + std::to_string(P.Interval) + ", steps=" + std::to_string(P.Steps) +
               ", delta=" + (P.Delta ? std::to_string(*P.Delta) : "None") +
               ", reverse_on_done=" + (P.ReverseOnDone ? "True" : "False") + ")";
      });

  py::class_<TOperationEntry>(Module, "Operation", "One of the 28 transition operations.")
      .def_property_readonly("name", &TOperationEntry::Name, "the name the functions take, e.g. 'Push'")
      .def_property_readonly("ident", &TOperationEntry::Ident, "the component's enumerator, e.g. 'toPush'")
      .def_property_readonly("reads", &TOperationEntry::Reads,
                             "the keywords its frames depend on: 'modifier', 'reverse', 'delta', 'color', 'rgb_order'")
      .def_property_readonly("random", &TOperationEntry::Random, "whether its frames draw on the seed")
      .def_property_readonly("preset", &TOperationEntry::Preset, py::return_value_policy::reference,
                             "the dialog's preset for it")
      .def("__repr__", &TOperationEntry::Describe);

  Module.def("operations", &Operations,
             "The 28 operations in the dialog's order, with what each reads and its preset (as `tweenery list`).");
}

}  // namespace tweenery::python
