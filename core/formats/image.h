#pragma once
// A decoded image as the research comparisons take it: samples of every
// channel interleaved, rows from the top, each sample at the depth the file
// stores it (8 or 16 bits), never rescaled.
#include <cstdint>
#include <string>
#include <vector>

#include "sample_allocator.h"

enum class ChannelLayout { Grey = 1, GreyAlpha = 2, Rgb = 3, Rgba = 4 };

inline int ChannelCount(ChannelLayout layout) { return static_cast<int>(layout); }

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    ChannelLayout layout = ChannelLayout::Rgb;
    int bitDepth = 8;      // bits a sample is stored with: 8 or 16
    uint32_t peak = 255;   // largest value a sample can take: 255, 65535 or a PNM maxval
    // width * height * channels samples; exactly one of the two is filled,
    // by bitDepth (samples16 for 16-bit files).
    // Sample memory: resize() writes nothing, since decoders write every
    // sample (sample_allocator.h).
    SampleBytes samples8;
    SampleWords samples16;

    int Channels() const { return ChannelCount(layout); }
    size_t SampleCount() const {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(Channels());
    }
};

// The samples of an image where they already lie, for the computations that
// only read them: an Image's, or memory its owner keeps alive and unchanged
// meanwhile (a numpy array of the Python module), so nothing is copied.
struct ImageView {
    int32_t width = 0;
    int32_t height = 0;
    ChannelLayout layout = ChannelLayout::Rgb;
    int bitDepth = 8;
    uint32_t peak = 255;
    const void* samples = nullptr;  // `held` samples of bitDepth bits
    size_t held = 0;

    ImageView() = default;
    ImageView(const Image& image)  // NOLINT: every Image is a view of itself
        : width(image.width), height(image.height), layout(image.layout), bitDepth(image.bitDepth),
          peak(image.peak),
          samples(image.bitDepth == 16 ? static_cast<const void*>(image.samples16.data()) : image.samples8.data()),
          held(image.bitDepth == 16 ? image.samples16.size() : image.samples8.size()) {}
    // A temporary Image is freed at the end of the statement, leaving the
    // view pointing at nothing: keep the Image in a variable of its own.
    ImageView(Image&&) = delete;
    ImageView(const Image&&) = delete;

    int Channels() const { return ChannelCount(layout); }
    size_t SampleCount() const {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(Channels());
    }
    const uint8_t* Samples8() const { return static_cast<const uint8_t*>(samples); }
    const uint16_t* Samples16() const { return static_cast<const uint16_t*>(samples); }
};

// Limits a decoder honours before it allocates; exceeding one is an error
// naming the file, never an allocation.
struct ImageLimits {
    int32_t maxWidth = 1 << 16;
    int32_t maxHeight = 1 << 16;
    uint64_t maxSampleBytes = uint64_t{1} << 30;
};
