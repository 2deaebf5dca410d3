// ComputeStandardMetrics against scikit-image on the pairs that
// tests/reference/skimage_metrics.py writes: MSE and PSNR to 1e-12
// relative, SSIM to 1e-6, on one thread and on several.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "error.h"
#include "scratch_dir.h"
#include "standard_metrics.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";

struct ChannelReference {
    double mse = 0, psnr = 0;
    std::optional<double> ssim;
};

struct Reference {
    std::string name;
    Image a, b;
    double mse = 0, psnr = 0;
    std::optional<double> ssim;
    std::vector<ChannelReference> channels;
    std::optional<double> ssimAllChannels;  // skimage's channel_axis mean, alpha included
};

std::optional<double> Number(const std::string& field) {
    if (field == "-") return std::nullopt;
    return std::strtod(field.c_str(), nullptr);  // "inf" included
}

Image ReadSamples(const std::string& path, int32_t width, int32_t height, int channels, int bits, uint32_t peak) {
    Image image;
    image.width = width;
    image.height = height;
    image.layout = static_cast<ChannelLayout>(channels);
    image.bitDepth = bits;
    image.peak = peak;
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t n = image.SampleCount();
    if (bits == 8) {
        if (bytes.size() != n) throw std::runtime_error(path + ": wrong size");
        image.samples8.assign(bytes.begin(), bytes.end());
    } else {
        if (bytes.size() != 2 * n) throw std::runtime_error(path + ": wrong size");
        image.samples16.resize(n);
        for (size_t i = 0; i < n; ++i)
            image.samples16[i] = static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                                       static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    }
    return image;
}

std::vector<Reference> ReadReferences(const std::string& folder) {
    std::vector<Reference> refs;
    std::ifstream in(folder + "/cases.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Reference r;
        int32_t width = 0, height = 0;
        int channels = 0, bits = 0;
        uint32_t peak = 0;
        std::string mse, psnr, ssim;
        fields >> r.name >> width >> height >> channels >> bits >> peak >> mse >> psnr >> ssim;
        r.mse = *Number(mse);
        r.psnr = *Number(psnr);
        r.ssim = Number(ssim);
        for (int c = 0; c < channels; ++c) {
            fields >> mse >> psnr >> ssim;
            r.channels.push_back({*Number(mse), *Number(psnr), Number(ssim)});
        }
        fields >> ssim;
        if (!fields) throw std::runtime_error("bad line in cases.txt: " + line);
        r.ssimAllChannels = Number(ssim);
        r.a = ReadSamples(folder + "/" + r.name + ".a", width, height, channels, bits, peak);
        r.b = ReadSamples(folder + "/" + r.name + ".b", width, height, channels, bits, peak);
        refs.push_back(std::move(r));
    }
    return refs;
}

void ExpectRelative(double actual, double expected, const std::string& what) {
    if (std::isinf(expected)) {
        EXPECT_EQ(actual, expected) << what;
        return;
    }
    EXPECT_LE(std::fabs(actual - expected), 1e-12 * std::fabs(expected)) << what << ": " << actual << " vs " << expected;
}

class SkimageReference : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string probe = std::string(kPython) + " -c 'import numpy, skimage.metrics' 2>/dev/null";
        if (std::system(probe.c_str()) != 0) {
            skipReason_ = new std::string(std::string(kPython) +
                                          " cannot import numpy and skimage (scripts/install-deps.sh installs "
                                          "python3-numpy and python3-skimage)");
            return;
        }
        scratch_ = new ScratchDir;
        const std::string run = std::string(kPython) + " '" + CITRA_SKIMAGE_SCRIPT + "' '" + scratch_->Root() + "'";
        if (std::system(run.c_str()) != 0) throw std::runtime_error("the reference script failed: " + run);
        refs_ = new std::vector<Reference>(ReadReferences(scratch_->Root()));
    }
    static void TearDownTestSuite() {
        delete refs_;
        delete scratch_;
        delete skipReason_;
        refs_ = nullptr;
        scratch_ = nullptr;
        skipReason_ = nullptr;
    }
    void SetUp() override {
        if (skipReason_ != nullptr) GTEST_SKIP() << *skipReason_;
        ASSERT_NE(refs_, nullptr);
        ASSERT_GE(refs_->size(), 80u);
    }

    static void CheckAll(unsigned threads) {
        for (const Reference& r : *refs_) {
            SCOPED_TRACE(r.name + ", threads " + std::to_string(threads));
            const StandardMetrics m = ComputeStandardMetrics(r.a, r.b, {.ssim = true, .threads = threads});
            ExpectRelative(m.mse, r.mse, "mse");
            ExpectRelative(m.psnr, r.psnr, "psnr");
            EXPECT_EQ(m.identical, r.mse == 0);
            ASSERT_EQ(m.channels.size(), r.channels.size());
            for (size_t c = 0; c < r.channels.size(); ++c) {
                SCOPED_TRACE("channel " + m.channels[c].name);
                ExpectRelative(m.channels[c].mse, r.channels[c].mse, "mse");
                ExpectRelative(m.channels[c].psnr, r.channels[c].psnr, "psnr");
                ASSERT_EQ(m.channels[c].ssim.has_value(), r.channels[c].ssim.has_value());
                if (r.channels[c].ssim) {
                    EXPECT_NEAR(*m.channels[c].ssim, *r.channels[c].ssim, 1e-6);
                }
            }
            ASSERT_EQ(m.ssim.has_value(), r.ssim.has_value());
            EXPECT_EQ(m.ssimUnavailable.has_value(), !r.ssim.has_value());
            if (!r.ssim) continue;
            EXPECT_NEAR(*m.ssim, *r.ssim, 1e-6);
            EXPECT_NEAR(*m.ssim, *r.ssimAllChannels, 1e-6);
            // The mean of the channels' own SSIM, alpha included.
            double all = 0;
            for (const ChannelMetrics& c : m.channels) all += *c.ssim;
            EXPECT_NEAR(all / static_cast<double>(m.channels.size()), *r.ssimAllChannels, 1e-6);
        }
    }

    static ScratchDir* scratch_;
    static std::vector<Reference>* refs_;
    static std::string* skipReason_;
};

ScratchDir* SkimageReference::scratch_ = nullptr;
std::vector<Reference>* SkimageReference::refs_ = nullptr;
std::string* SkimageReference::skipReason_ = nullptr;

TEST_F(SkimageReference, OneThreadAgrees) { CheckAll(1); }

TEST_F(SkimageReference, SeveralThreadsAgree) { CheckAll(3); }

// The table covers what it is meant to: refused and computed SSIM, every
// layout, both depths.
TEST_F(SkimageReference, TableHasEveryKind) {
    int refused = 0, computed = 0, sixteen = 0, alpha = 0;
    for (const Reference& r : *refs_) {
        (r.ssim ? computed : refused)++;
        sixteen += r.a.bitDepth == 16;
        alpha += r.a.layout == ChannelLayout::Rgba || r.a.layout == ChannelLayout::GreyAlpha;
    }
    EXPECT_GE(refused, 10);
    EXPECT_GE(computed, 50);
    EXPECT_GE(sixteen, 30);
    EXPECT_GE(alpha, 30);
}

}  // namespace
