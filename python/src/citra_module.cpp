// The core as the Python module citra._citra; citra/__init__.py wraps it
// (paths, dicts, documentation). The GIL is released while the core reads
// or computes, so Python threads calling it run in parallel.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "allocator_settings.h"
#include "array_image.h"
#include "attempt.h"
#include "citra_version.h"
#include "decoded_pairs.h"
#include "detect_images.h"
#include "difference_maps.h"
#include "error.h"
#include "sample_allocator.h"
#include "errors.h"
#include "file_histogram.h"
#include "file_pair.h"
#include "json.h"
#include "json_output.h"
#include "measure_pairs.h"
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

// The pairs of citra compare's operands, listed as the tool lists them, as
// (original, manipulated, error or None, group); the operands that make no
// run raise ValueError with the tool's message.
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
                                  pair.error ? py::object(py::bytes(*pair.error)) : py::object(py::none()),
                                  py::bytes(pair.group)));
    return out;
}

// A field's value as Python holds it: None, int, float (an infinite PSNR
// stays math.inf), bool or str (bytes that are not UTF-8 as os.fsdecode
// gives them).
py::object FieldObject(const MeasureValue& value) {
    return std::visit(
        [](const auto& v) -> py::object {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) return py::none();
            else if constexpr (std::is_same_v<T, int64_t>) return py::int_(v);
            else if constexpr (std::is_same_v<T, double>) return py::float_(v);
            else if constexpr (std::is_same_v<T, bool>) return py::bool_(v);
            else return FsText(v);
        },
        value);
}

// MeasureFields as a dict: every column of MeasureColumns, in order.
py::dict FieldsDict(const MeasureResult& result, bool detect = false) {
    py::dict out;
    for (const MeasureField& field : MeasureFields(result, detect)) out[py::str(field.key)] = FieldObject(field.value);
    return out;
}

// The research figures of a pair: two paths as citra measure measures them
// (MeasureListedPair), anything else as decoded images (the names of
// arrays None). A pair that fails is a dict with its error.
py::dict MeasureDict(const py::object& a, const py::object& b, bool ssim, unsigned threads, Peak peak, bool detect) {
    const MeasureOptions options{ssim, threads};
    const bool pathA = py::isinstance<py::bytes>(a), pathB = py::isinstance<py::bytes>(b);
    MeasureResult result;
    if (pathA && pathB) {
        const ListedPair pair{a.cast<std::string>(), b.cast<std::string>(), std::nullopt};
        {
            py::gil_scoped_release release;
            result = MeasureListedPair(pair, options, detect);
        }
        return FieldsDict(result, detect);
    }
    try {
        const OperandImage original(a, peak);
        const OperandImage manipulated(b, peak);
        py::gil_scoped_release release;
        result.error = Attempt([&] {
            result.metrics = ComputeMeasure(original.View(), manipulated.View(), options);
            if (detect) result.detection = DetectPair(original.View(), manipulated.View(), threads);
        });
    } catch (const ReadFailure& e) {
        result.error = e.what();
    }
    if (pathA) result.original = a.cast<std::string>();
    if (pathB) result.manipulated = b.cast<std::string>();
    py::dict out = FieldsDict(result, detect);
    if (!pathA) out["original"] = py::none();
    if (!pathB) out["manipulated"] = py::none();
    return out;
}

// A listed pair (with its listing's error and group) as citra measure
// measures it.
py::dict ListedMeasureDict(const std::string& original, const std::string& manipulated,
                           std::optional<std::string> error, const std::string& group, bool ssim, unsigned threads) {
    MeasureResult result;
    {
        py::gil_scoped_release release;
        result = MeasureListedPair(ListedPair{original, manipulated, std::move(error), group},
                                   MeasureOptions{ssim, threads});
    }
    return FieldsDict(result);
}

// The CSV text citra --csv measure writes for these rows (dicts of
// MeasureColumns' keys): the header, then one line per row; none empty,
// numbers in the shortest form that reads back as the same double (as the
// tool's JSON and CSV), an infinite one as inf, truth values true or false,
// text quoted per RFC 4180.
py::bytes MeasureCsvOf(const py::list& rows) {
    const std::vector<std::string>& columns = MeasureColumns();
    std::string out = MeasureCsvHeader() + '\n';
    std::vector<MeasureField> fields(columns.size());
    for (const py::handle row : rows) {
        for (size_t i = 0; i < columns.size(); ++i) {
            const py::object value = row[py::str(columns[i])];
            MeasureValue& field = fields[i].value;
            if (value.is_none()) {
                field = std::monostate{};
            } else if (py::isinstance<py::bool_>(value)) {
                field = value.cast<bool>();
            } else if (py::isinstance<py::int_>(value)) {
                field = value.cast<int64_t>();
            } else if (py::isinstance<py::float_>(value)) {
                field = value.cast<double>();
            } else {
                PyObject* bytes = PyUnicode_EncodeFSDefault(py::str(value).ptr());
                if (!bytes) throw py::error_already_set();
                field = py::reinterpret_steal<py::bytes>(bytes).cast<std::string>();
            }
        }
        out += MeasureCsv(fields) + '\n';
    }
    return py::bytes(out);
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

// The line citra --json detect writes for the image, and what went wrong:
// None, "read" (a file that cannot be read or decoded) or "refused" (not
// 8 bits). A path is read as the tool reads it; an array is taken as is.
py::tuple DetectJsonOf(const py::object& operand, unsigned threads) {
    DetectOptions options;
    options.threads = threads;
    const bool isPath = py::isinstance<py::bytes>(operand);
    const std::string path = isPath ? operand.cast<std::string>() : std::string();
    DetectResult result;
    const char* failure = nullptr;
    try {
        const OperandImage image(operand, std::nullopt);
        py::gil_scoped_release release;
        result = DetectDecodedImage(image.View(), path, "", options);
        if (result.error) failure = "refused";
    } catch (const ReadFailure& e) {
        result.path = path;
        result.error = e.what();
        failure = "read";
    }
    std::string json;
    {
        py::gil_scoped_release release;
        json = DetectJson(result);
    }
    return py::make_tuple(json, failure ? py::object(py::str(failure)) : py::object(py::none()));
}

// The images of citra detect's operands (files and folders), or of a pairs
// file's files, as (path, group, error or None), all bytes but None; a
// pairs file that cannot be read raises ReadError.
py::list ListedImages(const std::vector<std::string>& operands, const std::optional<std::string>& pairsFile) {
    ImageListing listing;
    {
        py::gil_scoped_release release;
        listing = pairsFile ? ListImagesOfPairsFile(*pairsFile) : ListImageOperands(operands);
    }
    if (listing.readError) throw ReadFailure(*listing.readError);
    py::list out;
    for (const ListedImage& image : listing.images)
        out.append(py::make_tuple(py::bytes(image.path), py::bytes(image.group),
                                  image.error ? py::object(py::bytes(*image.error)) : py::object(py::none())));
    return out;
}

// A listed image as citra detect runs it: its JSON line and its CSV rows.
py::tuple DetectListed(const std::string& path, const std::string& group, std::optional<std::string> error,
                       unsigned threads) {
    std::string json, rows;
    {
        py::gil_scoped_release release;
        DetectOptions options;
        options.threads = threads;
        const DetectResult result = DetectListedImage(ListedImage{path, group, std::move(error)}, options);
        json = DetectJson(result);
        for (const std::string& row : DetectCsvRows(result)) rows += row + '\n';
    }
    return py::make_tuple(json, py::bytes(rows));
}

}  // namespace

PYBIND11_MODULE(_citra, m) {
    m.doc() = "The core of citra; use the package citra, which wraps it.";
    m.attr("__version__") = CITRA_VERSION;  // citra_version.h, from project(VERSION)
    RegisterErrors(m);
    // Arrays the caller frees give their memory back at once; a long-lived
    // interpreter should not hold a study's blocks.
    sample_memory::KeepFreedBlocks(false);
    m.def("load", &LoadFile, py::arg("path"));
    m.def("compare_json", &CompareJson, py::arg("a"), py::arg("b"), py::arg("ssim"), py::arg("threads"),
          py::arg("peak"));
    m.def("pair_json", &ListedPairJson, py::arg("original"), py::arg("manipulated"), py::arg("error"),
          py::arg("ssim"), py::arg("threads"));
    m.def("list_pairs", &ListedPairs, py::arg("operands"));
    m.def("measure", &MeasureDict, py::arg("a"), py::arg("b"), py::arg("ssim"), py::arg("threads"), py::arg("peak"),
          py::arg("detect") = false);
    m.def("measure_pair", &ListedMeasureDict, py::arg("original"), py::arg("manipulated"), py::arg("error"),
          py::arg("group"), py::arg("ssim"), py::arg("threads"));
    m.def("measure_columns", &MeasureColumns);
    m.def("measure_csv", &MeasureCsvOf, py::arg("rows"));
    m.def("detect_json", &DetectJsonOf, py::arg("image"), py::arg("threads"));
    m.def("list_images", &ListedImages, py::arg("operands"), py::arg("pairs_file"));
    m.def("detect_listed", &DetectListed, py::arg("path"), py::arg("group"), py::arg("error"), py::arg("threads"));
    m.def("detect_csv_header", [] { return py::bytes(DetectCsvHeader() + '\n'); });
    m.def("tune_allocator", &TuneAllocatorForPairs);
    m.def("default_threads", &DefaultWorkerCount);
    m.def("histogram", &HistogramDict, py::arg("operand"), py::arg("bins"), py::arg("peak"));
    m.def("ssim_map", &SsimMapOf, py::arg("a"), py::arg("b"), py::arg("threads"), py::arg("peak"));
    m.def("diff", &DiffDict, py::arg("a"), py::arg("b"), py::arg("mode"), py::arg("gain"), py::arg("plane"),
          py::arg("threads"), py::arg("peak"));
}
