#include "errors.h"

namespace py = pybind11;

namespace citra_py {

namespace {

PyObject* errorClass = nullptr;
PyObject* readErrorClass = nullptr;
PyObject* pairErrorClass = nullptr;

PyObject* NewClass(const char* name, PyObject* base, const char* doc) {
    PyObject* cls = PyErr_NewExceptionWithDoc(name, doc, base, nullptr);
    if (!cls) throw py::error_already_set();
    return cls;
}

}  // namespace

py::str FsText(const std::string& bytes) {
    PyObject* text = PyUnicode_DecodeFSDefaultAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size()));
    if (!text) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

void RegisterErrors(py::module_& module) {
    // Created once per process and kept for its life, as module-level
    // exception classes are.
    errorClass = NewClass("citra.Error", PyExc_Exception, "Base of every error citra raises.");
    readErrorClass = NewClass("citra.ReadError", errorClass,
                              "A file that cannot be read or decoded; the message names it.");
    pairErrorClass = NewClass("citra.PairError", errorClass,
                              "A pair of images that gives no result (they differ in size, channels, "
                              "depth or peak, or are too small for SSIM); for compare, every failed pair, "
                              "with the command-line tool's message and its row in `row`.");
    module.add_object("Error", py::handle(errorClass).inc_ref());
    module.add_object("ReadError", py::handle(readErrorClass).inc_ref());
    module.add_object("PairError", py::handle(pairErrorClass).inc_ref());

    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const ReadFailure& e) {
            PyErr_SetObject(readErrorClass, FsText(e.what()).ptr());
        } catch (const PairFailure& e) {
            PyErr_SetObject(pairErrorClass, FsText(e.what()).ptr());
        }
    });
}

}  // namespace citra_py
