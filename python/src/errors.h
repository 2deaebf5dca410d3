#pragma once
// The module's exceptions: citra.Error and its subclasses, raised from C++
// with the core's message, decoded as Python decodes file names.
#include <stdexcept>
#include <string>

#include <pybind11/pybind11.h>

namespace citra_py {

// A file that cannot be read or decoded.
struct ReadFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A pair that gives no result: refused (sizes, channels, depth differ) or
// too small for what was asked.
struct PairFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Defines citra.Error, citra.ReadError and citra.PairError in the module
// and turns the failures above into them.
void RegisterErrors(pybind11::module_& module);

// The text as a str, bytes that are not UTF-8 kept as surrogates (as
// os.fsdecode does), so a file name in a message is never lost.
pybind11::str FsText(const std::string& bytes);

}  // namespace citra_py
