// The core as the Python module citra._citra; citra/__init__.py wraps it
// (paths, dicts, documentation). The GIL is released while the core reads
// or computes, so Python threads calling it run in parallel.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "allocator_settings.h"
#include "array_image.h"
#include "citra_version.h"
#include "decoded_pairs.h"
#include "difference_maps.h"
#include "error.h"
#include "errors.h"
#include "file_histogram.h"
#include "file_pair.h"
#include "json_output.h"
#include "pair_list.h"
#include "sample_histogram.h"
#include "ssim.h"
#include "standard_metrics.h"
#include "engine_texts.h"
#include "worker_count.h"

namespace py = pybind11;
using namespace citra_py;

namespace {

using Peak = std::optional<uint32_t>;

// The samples and the peak (a PNM's maxval is not the type's largest).
py::tuple LoadFile(const std::string& path) {
    Image image = ReadImageFile(path);
    const uint32_t peak = image.peak;
    return py::make_tuple(ImageArray(std::move(image)), peak);
}

// One line of citra --json compare for the pair: two paths go the tool's
// own way (CompareFilePair), anything else is compared as decoded images.
// A failed pair is a line with its error, as the tool writes it.
std::string CompareJson(const py::object& a, const py::object& b, bool ssim, unsigned threads, Peak peak) {
    const StandardOptions options{ssim, threads};
    if (py::isinstance<py::bytes>(a) && py::isinstance<py::bytes>(b)) {
        const std::string original = a.cast<std::string>(), manipulated = b.cast<std::string>();
        py::gil_scoped_release release;
        StreamBuffers buffers;
        return PairJson(CompareFilePair(original, manipulated, nullptr, buffers, options));
    }
    PairResult result;
    try {
        const OperandImage original(a, peak);
        const OperandImage manipulated(b, peak);
        py::gil_scoped_release release;
        result = CompareImages(original.View(), manipulated.View(), options);
    } catch (const ReadFailure& e) {
        result.error = e.what();
    }
    if (py::isinstance<py::bytes>(a)) result.original = a.cast<std::string>();
    if (py::isinstance<py::bytes>(b)) result.manipulated = b.cast<std::string>();
    return PairJson(result);
}

// A listed pair as citra compare compares it (its route from the plan).
std::string ListedPairJson(const std::string& original, const std::string& manipulated,
                           std::optional<std::string> error, bool ssim, unsigned threads) {
    py::gil_scoped_release release;
    StreamBuffers buffers;
    return PairJson(ComparePlannedPair(ListedPair{original, manipulated, std::move(error)}, nullptr, buffers,
                                       StandardOptions{ssim, threads}));
}

// The pairs of citra compare's operands, listed as the tool lists them; the
// operands that make no run raise ValueError with the tool's message.
py::list ListedPairs(const std::vector<std::string>& operands) {
    PairListing listing;
    {
        py::gil_scoped_release release;
        listing = ListPairs(operands);
    }
    if (listing.usageError) throw py::value_error(*listing.usageError);
    py::list out;
    for (const ListedPair& pair : listing.pairs)
        out.append(py::make_tuple(py::bytes(pair.original), py::bytes(pair.manipulated),
                                  pair.error ? py::object(py::bytes(*pair.error)) : py::object(py::none())));
    return out;
}

py::dict HistogramDict(const py::object& operand, std::optional<uint32_t> bins, Peak peak) {
    SampleHistogram h;
    if (py::isinstance<py::bytes>(operand)) {
        const std::string path = operand.cast<std::string>();
        try {
            py::gil_scoped_release release;
            h = FileHistogram(path, bins);
        } catch (const CitraError& e) {
            throw ReadFailure(e.what());
        }
    } else {
        const OperandImage image(operand, peak);
        const uint32_t chosen = bins.value_or(DefaultBins(image.View().peak));
        if (auto refusal = BinsRefusal(chosen, image.View().peak)) throw py::value_error(*refusal);
        py::gil_scoped_release release;
        h = CountSamples(image.View(), chosen);
    }
    py::array_t<uint64_t> counts({h.channels.size(), h.Bins()});
    auto cells = counts.mutable_unchecked<2>();
    for (size_t c = 0; c < h.channels.size(); ++c)
        for (size_t i = 0; i < h.Bins(); ++i) cells(c, i) = h.counts[c][i];
    py::dict out;
    out[text::kKeyPeak] = h.peak;
    out[text::kKeyChannels] = h.channels;
    out["bin_starts"] = py::array_t<uint32_t>(h.binStarts.size(), h.binStarts.data());
    out["counts"] = counts;
    return out;
}

// Both operands read; a pair the core refuses raises PairError.
py::array SsimMapOf(const py::object& a, const py::object& b, unsigned threads, Peak peak) {
    const OperandImage original(a, peak);
    const OperandImage manipulated(b, peak);
    if (auto refusal = StandardPairRefusal(original.View(), manipulated.View())) throw PairFailure(*refusal);
    if (auto refusal = SsimRefusal(original.View())) throw PairFailure(*refusal);
    std::vector<float> map;
    {
        py::gil_scoped_release release;
        map = SsimMap(original.View(), manipulated.View(), threads);
    }
    const ImageView& shape = original.View();
    py::array_t<float> out({static_cast<py::ssize_t>(shape.height), static_cast<py::ssize_t>(shape.width)});
    std::copy(map.begin(), map.end(), out.mutable_data());
    return out;
}

py::dict DiffDict(const py::object& a, const py::object& b, const std::string& modeName, std::optional<double> gain,
                  int plane, unsigned threads, Peak peak) {
    const std::optional<DiffMode> mode = DiffModeFromName(modeName);
    if (!mode) throw py::value_error("mode must be abs, heat, lsb or ssim, not " + modeName);
    if (gain && !(*gain > 0 && *gain < 1e300)) throw py::value_error("gain must be a positive number");
    const DiffOptions options{*mode, gain, plane, threads};
    const OperandImage original(a, peak);
    const OperandImage manipulated(b, peak);
    if (auto refusal = DiffRefusal(original.View(), manipulated.View(), options)) throw PairFailure(*refusal);
    DiffMap map;
    try {
        py::gil_scoped_release release;
        map = MakeDiffMap(original.View(), manipulated.View(), options);
    } catch (const CitraError& e) {
        throw PairFailure(e.what());
    }
    // The keys of citra --json diff's line, with the picture in place of
    // the output file.
    py::dict out;
    out[text::kKeyMode] = DiffModeName(*mode);
    out[text::kKeyWidth] = map.image.width;
    out[text::kKeyHeight] = map.image.height;
    if (*mode == DiffMode::Abs || *mode == DiffMode::Heat) {
        out[text::kKeyGain] = map.gain;
        out[text::kKeyScaleMax] = map.scaleMax;
        out[text::kKeyLargest] = map.largest;
    }
    if (*mode == DiffMode::Lsb) out[text::kKeyPlane] = plane;
    py::dict description;
    for (const auto& [keyword, value] : map.description) description[FsText(keyword)] = FsText(value);
    out["description"] = description;
    out["image"] = ImageArray(std::move(map.image));
    return out;
}

}  // namespace

PYBIND11_MODULE(_citra, m) {
    m.doc() = "The core of citra; use the package citra, which wraps it.";
    m.attr("__version__") = CITRA_VERSION;  // citra_version.h, from project(VERSION)
    RegisterErrors(m);
    m.def("load", &LoadFile, py::arg("path"));
    m.def("compare_json", &CompareJson, py::arg("a"), py::arg("b"), py::arg("ssim"), py::arg("threads"),
          py::arg("peak"));
    m.def("pair_json", &ListedPairJson, py::arg("original"), py::arg("manipulated"), py::arg("error"),
          py::arg("ssim"), py::arg("threads"));
    m.def("list_pairs", &ListedPairs, py::arg("operands"));
    m.def("tune_allocator", &TuneAllocatorForPairs);
    m.def("default_threads", &DefaultWorkerCount);
    m.def("histogram", &HistogramDict, py::arg("operand"), py::arg("bins"), py::arg("peak"));
    m.def("ssim_map", &SsimMapOf, py::arg("a"), py::arg("b"), py::arg("threads"), py::arg("peak"));
    m.def("diff", &DiffDict, py::arg("a"), py::arg("b"), py::arg("mode"), py::arg("gain"), py::arg("plane"),
          py::arg("threads"), py::arg("peak"));
}
