// The package's typed engine entry, `_ruvo._analyse`.
#pragma once

#include <pybind11/pybind11.h>

namespace ruvo::module {

namespace py = pybind11;

void add_typed_entry(py::module_& m);

}  // namespace ruvo::module
