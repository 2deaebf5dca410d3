#pragma once
// SSIM of two 24-bit bitmap files read band by band, as the comparison of
// their bytes reads them: the same pixels ReadImage would decode, without
// holding either picture.
#include <cstdint>
#include <vector>

#include "ssim.h"
#include "stream_compare.h"

// The rows of a 24-bit bitmap file from the top, as red, green, blue.
class BitmapRgbRows : public ImageRows {
public:
    explicit BitmapRgbRows(BitmapFileStream& stream) : stream_(stream) {}
    void Read(size_t first, size_t count, uint8_t* out) override;

private:
    BitmapFileStream& stream_;
    std::vector<uint8_t> band_;
};

// SSIM of red, green and blue (ChannelSsim of the decoded images, bit for
// bit). Both must be 24-bit bitmaps of one size that SsimRefusal accepts.
std::vector<double> BitmapPairSsim(BitmapFileStream& a, BitmapFileStream& b, unsigned threads);
