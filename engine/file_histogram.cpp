#include "file_histogram.h"

#include <new>

#include "analysis.h"
#include "engine_texts.h"
#include "error.h"
#include "image_reader.h"
#include "pair_plan.h"
#include "picture.h"

SampleHistogram FileHistogram(const std::string& path, const std::optional<uint32_t>& bins) {
    if (PlanFile(path) == Route::Desktop && IsBitmapFilePath(path)) {
        ChannelHistogram counts;
        try {
            counts = CountDesktopChannels(path);
        } catch (const CitraError& e) {
            throw CitraError(path + ": " + e.what(), e.Kind());
        } catch (const std::bad_alloc&) {
            throw CitraError(path + ": " + text::kOutOfMemory, ErrorKind::OutOfMemory);
        }
        const uint32_t chosen = bins.value_or(256);
        if (auto refusal = BinsRefusal(chosen, 255)) throw CitraError(path + ": " + *refusal, ErrorKind::Refused);
        return FromChannelHistogram(counts, chosen);
    }
    const Image image = ReadImage(path);
    const uint32_t chosen = bins.value_or(DefaultBins(image.peak));
    if (auto refusal = BinsRefusal(chosen, image.peak)) throw CitraError(path + ": " + *refusal, ErrorKind::Refused);
    return CountSamples(image, chosen);
}
