#include "file_histogram.h"

#include "analysis.h"
#include "error.h"
#include "image_reader.h"
#include "pair_plan.h"
#include "picture.h"

SampleHistogram FileHistogram(const std::string& path, const std::optional<uint32_t>& bins) {
    if (PlanFile(path) == Route::Desktop && IsBitmapFilePath(path)) {
        const HistogramResult desktop = CountChannels(path);
        if (desktop.error) throw CitraError(path + ": " + *desktop.error);
        const uint32_t chosen = bins.value_or(256);
        if (auto refusal = BinsRefusal(chosen, 255)) throw CitraError(path + ": " + *refusal, ErrorKind::Refused);
        return FromChannelHistogram(desktop.counts, chosen);
    }
    const Image image = ReadImage(path);
    const uint32_t chosen = bins.value_or(DefaultBins(image.peak));
    if (auto refusal = BinsRefusal(chosen, image.peak)) throw CitraError(path + ": " + *refusal, ErrorKind::Refused);
    return CountSamples(image, chosen);
}
