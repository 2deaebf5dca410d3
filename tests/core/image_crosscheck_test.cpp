// ReadImage against a second decoder, Pillow (Debian's python3-pil, run as
// /usr/bin/python3 through tests/core/pillow_decode.py): the BMP corpus, the
// PNG suite and generated PNG, TIFF, JPEG and PNM files must decode to the
// same samples.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "corpus_files.h"
#include "error.h"
#include "image_encoders.h"
#include "image_reader.h"
#include "scratch_dir.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif

namespace {

namespace enc = image_encoders;

struct PillowResult {
    std::string error;  // empty when Pillow decoded the file
    int channels = 0, bits = 0, width = 0, height = 0;
    std::vector<uint8_t> bytes;  // 16-bit samples little endian
};

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs the script once over all the files.
std::vector<PillowResult> DecodeWithPillow(const std::vector<std::string>& files) {
    std::string command = "/usr/bin/python3 " + Quote(CITRA_PILLOW_SCRIPT);
    for (const auto& f : files) command += " " + Quote(f);
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("popen failed");
    std::vector<PillowResult> results;
    char line[1024];
    while (results.size() < files.size() && std::fgets(line, sizeof line, pipe) != nullptr) {
        PillowResult r;
        size_t length = 0;
        if (std::strncmp(line, "OK ", 3) == 0 &&
            std::sscanf(line + 3, "%d %d %d %d %zu", &r.channels, &r.bits, &r.width, &r.height, &length) == 5) {
            r.bytes.resize(length);
            if (std::fread(r.bytes.data(), 1, length, pipe) != length) break;
        } else {
            r.error = line[0] != '\0' ? line : "?";
        }
        results.push_back(std::move(r));
    }
    const int status = pclose(pipe);
    if (status != 0 || results.size() != files.size()) {
        throw std::runtime_error("Pillow script failed (status " + std::to_string(status) + ")");
    }
    return results;
}

// Empty when the two agree, else what differs.
std::string Compare(const Image& image, const PillowResult& pillow) {
    std::ostringstream out;
    if (image.Channels() != pillow.channels || image.bitDepth != pillow.bits || image.width != pillow.width ||
        image.height != pillow.height) {
        out << "ours " << image.Channels() << "ch " << image.bitDepth << "bit " << image.width << "x" << image.height
            << ", Pillow " << pillow.channels << "ch " << pillow.bits << "bit " << pillow.width << "x"
            << pillow.height;
        return out.str();
    }
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < image.SampleCount(); ++i) {
        const uint32_t ours = image.bitDepth == 16 ? image.samples16[i] : image.samples8[i];
        const uint32_t theirs =
            image.bitDepth == 16 ? pillow.bytes[2 * i] | (pillow.bytes[2 * i + 1] << 8) : pillow.bytes[i];
        if (ours != theirs && differing++ == 0) first = i;
    }
    if (differing != 0) out << differing << " samples differ, first at sample " << first;
    return out.str();
}

// Corpus files where Pillow's result is not ours to match, and what is
// checked instead.
enum class Instead {
    // Bit-field samples: Pillow truncates value * 255 / max, ours rounds, so
    // ours is Pillow's or one more.
    RoundedUp,
    // Pillow 9.4 decodes this 4-bit run-length file wrongly; ours must equal
    // Pillow's decoding of the same picture stored uncompressed.
    SameAsUncompressed,
    // Pixels the run-length data never set: ours black, Pillow's otherwise;
    // nothing defines them.
    NotCompared,
};

const std::map<std::string, Instead> kKnownDifferences = {
    {"rgb16.bmp", Instead::RoundedUp},
    {"rgb16-565.bmp", Instead::RoundedUp},
    {"rgb16-565pal.bmp", Instead::RoundedUp},
    {"rgb16bfdef.bmp", Instead::RoundedUp},
    {"rgb16faketrns.bmp", Instead::RoundedUp},
    {"rgba16-5551.bmp", Instead::RoundedUp},
    {"pal4rle.bmp", Instead::SameAsUncompressed},
    {"pal4rlecut.bmp", Instead::NotCompared},
    {"pal4rletrns.bmp", Instead::NotCompared},
    {"pal8rlecut.bmp", Instead::NotCompared},
    {"pal8rletrns.bmp", Instead::NotCompared},
};

// Empty when each of our samples is Pillow's or one more.
std::string CompareRoundedUp(const Image& image, const PillowResult& pillow) {
    if (image.bitDepth != 8 || pillow.bytes.size() != image.samples8.size()) return "layout differs";
    for (size_t i = 0; i < image.samples8.size(); ++i) {
        const int d = image.samples8[i] - pillow.bytes[i];
        if (d != 0 && d != 1) return "sample " + std::to_string(i) + " differs by " + std::to_string(d);
    }
    return "";
}

TEST(PillowCrossCheck, CorpusBitmapsDecodeAlike) {
    const std::vector<std::string> files = CorpusBmpFiles();
    if (files.empty()) GTEST_SKIP() << "BMP corpus not found at " << CITRA_BMPSUITE_DIR;
    std::vector<std::string> chosen;
    for (const auto& f : files) {
        if (f.find("/g/") != std::string::npos || f.find("/q/") != std::string::npos) chosen.push_back(f);
    }
    std::vector<std::string> toDecode = chosen;
    const std::string uncompressed = std::string(CITRA_BMPSUITE_DIR) + "/g/pal4.bmp";
    toDecode.push_back(uncompressed);
    const std::vector<PillowResult> pillow = DecodeWithPillow(toDecode);
    int compared = 0;
    std::vector<std::string> oneSideOnly;
    for (size_t i = 0; i < chosen.size(); ++i) {
        const bool good = chosen[i].find("/g/") != std::string::npos;
        std::string ours;
        Image image;
        try {
            image = ReadImage(chosen[i]);
        } catch (const CitraError& e) {
            ours = e.what();
        }
        // Every good file is ours to read; Pillow refuses some of them.
        if (good) {
            EXPECT_EQ(ours, "") << chosen[i];
        }
        if (!ours.empty() || !pillow[i].error.empty()) {
            oneSideOnly.push_back(std::filesystem::path(chosen[i]).filename().string() +
                                  (ours.empty() ? " (Pillow refuses)" : " (ours refuses)"));
            continue;
        }
        ++compared;
        const std::string diff = Compare(image, pillow[i]);
        const std::string name = chosen[i].substr(chosen[i].find_last_of('/') + 1);
        const auto known = kKnownDifferences.find(name);
        if (known == kKnownDifferences.end()) {
            EXPECT_EQ(diff, "") << chosen[i];
            continue;
        }
        // A listed file that agrees outright means the list is stale.
        EXPECT_NE(diff, "") << chosen[i] << " now agrees; drop it from the known differences";
        if (known->second == Instead::RoundedUp) {
            EXPECT_EQ(CompareRoundedUp(image, pillow[i]), "") << chosen[i];
        } else if (known->second == Instead::SameAsUncompressed) {
            EXPECT_EQ(Compare(image, pillow.back()), "") << chosen[i] << " against " << uncompressed;
        }
    }
    std::printf("compared %d of %zu corpus files with Pillow; read by one side only:\n", compared, chosen.size());
    for (const auto& f : oneSideOnly) std::printf("  %s\n", f.c_str());
}

// A PNG file's colour key: the tRNS chunk before the image data of a grey
// or RGB file, of the length its colour type gives.
struct ColourKey {
    int bitDepth = 0;
    std::vector<uint16_t> values;  // grey, or red, green, blue
};

std::optional<ColourKey> ReadColourKey(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto be32 = [&](size_t at) { return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | b[at + 2] << 8 | b[at + 3]; };
    ColourKey key;
    int colourType = -1;
    for (size_t at = 8; at + 12 <= b.size();) {
        const uint32_t length = be32(at);
        const std::string type(b.begin() + static_cast<long>(at) + 4, b.begin() + static_cast<long>(at) + 8);
        const uint8_t* data = b.data() + at + 8;
        if (type == "IHDR") {
            key.bitDepth = data[8];
            colourType = data[9];
        } else if (type == "tRNS" && ((colourType == 0 && length == 2) || (colourType == 2 && length == 6))) {
            for (uint32_t i = 0; i < length; i += 2) key.values.push_back(static_cast<uint16_t>(data[i] << 8 | data[i + 1]));
            return key;
        } else if (type == "IDAT") {
            break;
        }
        at += 12 + length;
    }
    return std::nullopt;
}

// Pillow's colour samples of a keyed file with the alpha the key gives: 0
// where each stored sample of a pixel equals the key's (its low bit-depth
// bits), else the peak. Pillow scales grey below 8 bits to 0..255, so the
// stored value is its sample over 255 / (2^depth - 1).
PillowResult WithKeyAlpha(const PillowResult& colour, const ColourKey& key) {
    PillowResult out = colour;
    const int channels = colour.channels;
    const size_t pixels = static_cast<size_t>(colour.width) * static_cast<size_t>(colour.height);
    const int bytes = colour.bits / 8;
    const uint32_t depthMax = (uint32_t{1} << key.bitDepth) - 1;
    const uint32_t scale = key.bitDepth < 8 ? 255 / depthMax : 1;
    const uint32_t peak = colour.bits == 16 ? 65535 : 255;
    out.channels = channels + 1;
    out.bytes.clear();
    for (size_t p = 0; p < pixels; ++p) {
        bool matches = static_cast<int>(key.values.size()) == channels;
        for (int c = 0; c < channels; ++c) {
            const size_t at = (p * channels + c) * bytes;
            const uint32_t sample = bytes == 2 ? colour.bytes[at] | colour.bytes[at + 1] << 8 : colour.bytes[at];
            matches = matches && sample / scale == (key.values[c] & depthMax);
            out.bytes.insert(out.bytes.end(), colour.bytes.begin() + static_cast<long>(at),
                             colour.bytes.begin() + static_cast<long>(at + bytes));
        }
        const uint32_t alpha = matches ? 0 : peak;
        out.bytes.push_back(static_cast<uint8_t>(alpha));
        if (bytes == 2) out.bytes.push_back(static_cast<uint8_t>(alpha >> 8));
    }
    return out;
}

// Every picture of the PNG suite (the x files are broken on purpose and
// tested elsewhere) decodes to Pillow's samples, 16 bits whole; a file with
// a colour key to Pillow's colour samples with the alpha the key gives.
TEST(PillowCrossCheck, PngSuiteDecodesAlike) {
    const std::vector<std::string> files = PngSuiteFiles(false);
    ASSERT_FALSE(files.empty()) << "no PNG suite in " << CITRA_PNGSUITE_DIR;
    const std::vector<PillowResult> pillow = DecodeWithPillow(files);
    int keyed = 0, sixteen = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        ASSERT_EQ(pillow[i].error, "");
        Image image;
        try {
            image = ReadImage(files[i]);
        } catch (const CitraError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        PillowResult want = pillow[i];
        if (const std::optional<ColourKey> key = ReadColourKey(files[i])) {
            want = WithKeyAlpha(want, *key);
            ++keyed;
        }
        sixteen += image.bitDepth == 16;
        EXPECT_EQ(Compare(image, want), "");
    }
    // tbbn0g04 (4-bit grey), tbwn0g16, tbrn2c08, tbbn2c16 and tbgn2c16.
    EXPECT_EQ(keyed, 5);
    EXPECT_GT(sixteen, 20);
}

TEST(PillowCrossCheck, GeneratedFilesDecodeAlike) {
    ScratchDir dir;
    std::vector<std::string> files;
    auto add = [&](const std::string& name, const std::vector<uint8_t>& bytes) { files.push_back(dir.Write(name, bytes)); };
    const uint32_t w = 19, h = 13;
    const auto ramp = enc::Ramp(w * h * 4);
    const auto ramp16 = enc::Ramp16(w * h * 4);
    auto take = [](const std::vector<uint8_t>& v, size_t n) { return std::vector<uint8_t>(v.begin(), v.begin() + n); };
    auto take16 = [](const std::vector<uint16_t>& v, size_t n) {
        return enc::HostBytes(std::vector<uint16_t>(v.begin(), v.begin() + n));
    };
    std::vector<uint8_t> packed((w + 7) / 8 * h);
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = ramp[i];
    std::vector<uint8_t> packed4((w + 1) / 2 * h);
    for (size_t i = 0; i < packed4.size(); ++i) packed4[i] = ramp[i];
    std::vector<uint8_t> palette(3 * 16);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i * 5);
    add("grey1.png", enc::Png(w, h, 0, 1, packed));
    add("grey4.png", enc::Png(w, h, 0, 4, packed4));
    add("grey8.png", enc::Png(w, h, 0, 8, take(ramp, w * h)));
    add("grey16.png", enc::Png(w, h, 0, 16, take16(ramp16, w * h)));
    add("greyalpha8.png", enc::Png(w, h, 4, 8, take(ramp, w * h * 2)));
    add("rgb8.png", enc::Png(w, h, 2, 8, take(ramp, w * h * 3)));
    add("rgba8.png", enc::Png(w, h, 6, 8, take(ramp, w * h * 4)));
    add("palette4.png", enc::Png(w, h, 3, 4, packed4, palette));
    add("palette4trns.png", enc::Png(w, h, 3, 4, packed4, palette, {0, 100, 200}));
    for (uint16_t bits : {8, 16}) {
        for (uint16_t spp : {1, 3, 4}) {
            for (uint32_t tile : {0u, 16u}) {
                enc::TiffShape shape;
                shape.width = w;
                shape.height = h;
                shape.bits = bits;
                shape.samplesPerPixel = spp;
                shape.photometric = spp == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
                shape.compression = tile ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_LZW;
                shape.rowsPerStrip = 4;
                shape.tile = tile;
                // Pillow reads 16-bit TIFF as single-channel grey only.
                if (bits == 16 && spp != 1) continue;
                add("t" + std::to_string(bits) + "_" + std::to_string(spp) + "_" + std::to_string(tile) + ".tif",
                    enc::Tiff(shape, bits == 16 ? take16(ramp16, w * h * spp) : take(ramp, w * h * spp)));
            }
        }
    }
    enc::TiffShape white;
    white.width = w;
    white.height = h;
    white.photometric = PHOTOMETRIC_MINISWHITE;
    add("miniswhite.tif", enc::Tiff(white, take(ramp, w * h)));
    // JPEG-compressed YCbCr: both convert it to RGB through the JPEG library.
    add("ycbcr_strips.tif", enc::TiffYCbCrJpeg(w, h, take(ramp, w * h * 3), 16));
    add("ycbcr_tiles.tif", enc::TiffYCbCrJpeg(w, h, take(ramp, w * h * 3), 0, 16));
    add("grey.jpg", enc::Jpeg(w, h, 1, take(ramp, w * h), 80));
    add("rgb.jpg", enc::Jpeg(w, h, 3, take(ramp, w * h * 3), 80));
    add("rgbprogressive.jpg", enc::Jpeg(w, h, 3, take(ramp, w * h * 3), 60, true));
    add("grey.pgm", enc::Pnm("P5\n# made here\n19 13\n255\n", take(ramp, w * h)));
    add("grey16.pgm", enc::Pnm("P5 19 13 65535\n", take16(ramp16, w * h)));
    add("rgb.ppm", enc::Pnm("P6 19 13 255\n", take(ramp, w * h * 3)));
    add("bits.pbm", enc::Pnm("P4 19 13\n", take(ramp, 3 * h)));
    // The 16-bit PGM's samples are written in host order above; big-endian
    // is what the file means, so ours and Pillow's read of it must agree.

    const std::vector<PillowResult> pillow = DecodeWithPillow(files);
    for (size_t i = 0; i < files.size(); ++i) {
        ASSERT_EQ(pillow[i].error, "") << files[i];
        const Image image = ReadImage(files[i]);
        EXPECT_EQ(Compare(image, pillow[i]), "") << files[i];
    }
}

}  // namespace
