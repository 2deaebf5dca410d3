#include "array_image.h"

#include <memory>
#include <utility>
#include <vector>

#include "error.h"
#include "errors.h"
#include "image_reader.h"

namespace py = pybind11;

namespace citra_py {

namespace {

ChannelLayout LayoutOf(py::ssize_t channels) {
    switch (channels) {
    case 1: return ChannelLayout::Grey;
    case 2: return ChannelLayout::GreyAlpha;
    case 3: return ChannelLayout::Rgb;
    default: return ChannelLayout::Rgba;
    }
}

// The array as the core reads it: unsigned 8- or 16-bit samples, native
// byte order, C order. Copies only what is not so already.
py::array SamplesOf(const py::array& given) {
    const py::dtype type = given.dtype();
    if (type.kind() != 'u' || (type.itemsize() != 1 && type.itemsize() != 2))
        throw py::type_error("citra takes arrays of uint8 or uint16 samples, not " + type.attr("name").cast<std::string>());
    if (given.ndim() != 2 && given.ndim() != 3)
        throw py::value_error("citra takes arrays of height x width or height x width x channels, not " +
                              std::to_string(given.ndim()) + " dimensions");
    if (given.ndim() == 3 && (given.shape(2) < 1 || given.shape(2) > 4))
        throw py::value_error("citra takes 1 to 4 channels (grey, grey and alpha, RGB, RGBA), not " +
                              std::to_string(given.shape(2)));
    py::array native = given;
    if (type.itemsize() == 2 && !type.attr("isnative").cast<bool>())
        native = given.attr("astype")(py::dtype::of<uint16_t>());
    // ensure gives a null array, its error cleared, when the C-order copy
    // cannot be made: for these arrays, only when memory runs out.
    py::array samples = py::array::ensure(native, py::array::c_style);
    if (!samples) {
        PyErr_SetString(PyExc_MemoryError, ("citra cannot copy the array into C order: " +
                                            std::to_string(native.nbytes()) + " bytes").c_str());
        throw py::error_already_set();
    }
    return samples;
}

// An array over the vector's samples that frees them with its last
// reference.
template <typename Samples>
py::array OwningArray(const std::vector<py::ssize_t>& shape, Samples&& samples) {
    using Sample = typename Samples::value_type;
    auto held = std::make_unique<Samples>(std::move(samples));
    const py::capsule owner(held.get(), [](void* p) { delete static_cast<Samples*>(p); });
    const Sample* data = held.release()->data();  // the capsule owns it now
    return py::array_t<Sample>(shape, data, owner);
}

}  // namespace

Image ReadImageFile(const std::string& path) {
    try {
        py::gil_scoped_release release;
        return ReadImage(path);
    } catch (const CitraError& e) {
        throw ReadFailure(e.what());
    }
}

OperandImage::OperandImage(const py::object& operand, std::optional<uint32_t> peak) {
    if (py::isinstance<py::bytes>(operand)) {
        path_ = operand.cast<std::string>();
        decoded_ = ReadImageFile(*path_);
        view_ = decoded_;
        return;
    }
    if (!py::isinstance<py::array>(operand))
        throw py::type_error("citra takes a path or a numpy array, not " +
                             py::str(py::type::handle_of(operand).attr("__name__")).cast<std::string>());
    array_ = SamplesOf(py::reinterpret_borrow<py::array>(operand));
    const bool wide = array_.itemsize() == 2;
    const uint32_t top = wide ? 65535 : 255;
    if (peak && (*peak == 0 || *peak > top))
        throw py::value_error("peak " + std::to_string(*peak) + " is outside 1 to " + std::to_string(top) +
                              " for " + (wide ? "uint16" : "uint8") + " samples");
    if (array_.shape(0) > INT32_MAX || array_.shape(1) > INT32_MAX)
        throw py::value_error("the array is too large for citra: " + std::to_string(array_.shape(0)) + " x " +
                              std::to_string(array_.shape(1)));
    view_.height = static_cast<int32_t>(array_.shape(0));
    view_.width = static_cast<int32_t>(array_.shape(1));
    view_.layout = LayoutOf(array_.ndim() == 3 ? array_.shape(2) : 1);
    view_.bitDepth = wide ? 16 : 8;
    view_.peak = peak.value_or(top);
    view_.samples = array_.data();
    view_.held = static_cast<size_t>(array_.size());
    if (view_.peak < top && view_.held > 0) {
        // A sample above the peak would fall outside every histogram bin
        // and make a PSNR above what the data allows: refused, not clipped.
        const py::object largest = array_.attr("max")();
        if (largest.cast<uint32_t>() > view_.peak)
            throw py::value_error("the array holds " + py::str(largest).cast<std::string>() +
                                  ", above the peak " + std::to_string(view_.peak));
    }
}

py::array ImageArray(Image&& image) {
    std::vector<py::ssize_t> shape{image.height, image.width};
    if (image.Channels() != 1) shape.push_back(image.Channels());
    if (image.bitDepth == 16) return OwningArray(shape, std::move(image.samples16));
    return OwningArray(shape, std::move(image.samples8));
}

}  // namespace citra_py
