#include <pybind11/pybind11.h>
PYBIND11_MODULE(_ruvo, m) { m.doc() = "ruvo"; }
