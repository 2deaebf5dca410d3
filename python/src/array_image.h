#pragma once
// numpy arrays as the core's images, and the core's images as numpy arrays.
#include <optional>
#include <string>

#include <pybind11/numpy.h>

#include "image.h"

namespace citra_py {

// An operand read as an image: a numpy array seen where it lies (copied
// once only when it is not C-contiguous or not in native byte order), or a
// file decoded by ReadImage. The view stays valid while this lives.
class OperandImage {
public:
    // `operand`: a numpy array (height x width or height x width x 1..4;
    // uint8 or uint16) or a path as bytes. `peak` (arrays only): the
    // largest value a sample may take; default the type's largest.
    // Raises TypeError or ValueError for an array the core cannot take, and
    // ReadError for a file that cannot be read. Call with the GIL held.
    OperandImage(const pybind11::object& operand, std::optional<uint32_t> peak);

    const ImageView& View() const { return view_; }
    bool IsPath() const { return path_.has_value(); }
    const std::string& Path() const { return *path_; }

private:
    pybind11::array array_;  // keeps an array's samples alive
    Image decoded_;          // a file's samples
    std::optional<std::string> path_;
    ImageView view_;
};

// The file decoded by ReadImage with the GIL released; ReadFailure when it
// cannot be read. Call with the GIL held.
Image ReadImageFile(const std::string& path);

// The image as an array that owns its samples (moved, not copied): height x
// width for one channel (grey), height x width x channels otherwise.
pybind11::array ImageArray(Image&& image);

}  // namespace citra_py
