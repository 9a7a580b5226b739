#pragma once

// tevmar.microstrip: a microstrip line on a substrate for scripts.

#include <pybind11/pybind11.h>

namespace tevmar::python {

void BindMicrostrip(pybind11::module_ &m);

} // namespace tevmar::python
