// The four estimators on every colour channel of an image.
#include <exception>
#include <string>
#include <vector>

#include "error.h"
#include "parallel_tasks.h"
#include "payload_estimate.h"

namespace {

constexpr std::string_view kRgbNames[] = {"R", "G", "B"};

}  // namespace

std::vector<SamplePlane> ColourPlanes(const ImageView& image) {
    const size_t channels = static_cast<size_t>(image.Channels());
    const bool grey = image.layout == ChannelLayout::Grey || image.layout == ChannelLayout::GreyAlpha;
    const size_t colours = grey ? 1 : 3;  // alpha carries no picture
    std::vector<SamplePlane> planes;
    planes.reserve(colours);
    for (size_t c = 0; c < colours; ++c)
        planes.push_back({image.samples != nullptr ? image.Samples8() + c : nullptr, image.width, image.height,
                          channels, static_cast<size_t>(image.width) * channels});
    return planes;
}

std::vector<ChannelDetection> DetectLsbEmbedding(const ImageView& image, const DetectOptions& options) {
    if (image.bitDepth != 8)
        throw CitraError(
            "LSB detection takes 8-bit samples; this image has " + std::to_string(image.bitDepth) + "-bit samples",
            ErrorKind::Refused);
    if (image.width < 0 || image.height < 0 || image.held < image.SampleCount() ||
        (image.SampleCount() != 0 && image.samples == nullptr))
        throw CitraError("the image's samples do not fill its width and height", ErrorKind::Refused);
    const std::vector<SamplePlane> planes = ColourPlanes(image);
    std::vector<ChannelDetection> results(planes.size());
    std::vector<std::exception_ptr> failures(planes.size());
    RunTasks(planes.size(), ThreadsToUse(options.threads), [&](unsigned, size_t c) {
        try {
            ChannelDetection& r = results[c];
            r.name = planes.size() == 1 ? std::string_view("Y") : kRgbNames[c];
            // An interleaved channel is first gathered into a plane of its
            // own, so that the estimators' vector loops take it: the same
            // numbers, several times faster than stepping over the others.
            SamplePlane plane = planes[c];
            std::vector<uint8_t> gathered;
            if (plane.pixelStep != 1 && plane.SampleCount() != 0) {
                gathered.resize(plane.SampleCount());
                for (int32_t y = 0; y < plane.height; ++y) {
                    const uint8_t* row = plane.Row(y);
                    uint8_t* out = gathered.data() + static_cast<size_t>(y) * static_cast<size_t>(plane.width);
                    for (int32_t x = 0; x < plane.width; ++x) out[x] = row[static_cast<size_t>(x) * plane.pixelStep];
                }
                plane = GreyPlane(gathered.data(), plane.width, plane.height);
            }
            r.chiSquare = ChiSquareAttack(plane, options.profilePercents);
            r.rs = RsAnalysis(plane);
            r.spa = SamplePairAnalysis(plane);
            const detect_internal::WeightedStegoPair ws = detect_internal::WeightedStegoBoth(plane);
            r.ws = ws.corrected;
            r.wsPlain = ws.plain;
        } catch (...) {
            failures[c] = std::current_exception();  // only memory can run out here
        }
    });
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return results;
}
