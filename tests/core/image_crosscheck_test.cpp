// ReadImage against a second decoder, Pillow (Debian's python3-pil, run as
// /usr/bin/python3 through tests/core/pillow_decode.py): the BMP corpus and
// generated PNG, TIFF, JPEG and PNM files must decode to the same samples.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
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
