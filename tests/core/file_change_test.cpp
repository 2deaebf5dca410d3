// A file that changes between its opening and the end of a pass over it
// fails the pass: no result mixes two versions of a picture.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bitmap_ssim.h"
#include "bmp_builder.h"
#include "error.h"
#include "histogram_stream.h"
#include "image_reader.h"
#include "scratch_dir.h"
#include "stream_compare.h"

namespace {

namespace fs = std::filesystem;
using bmp_builder::BmpSpec;
using bmp_builder::BuildBmp;

std::vector<uint8_t> Square(uint8_t seed) {
    BmpSpec s{.width = 16, .height = 16, .bitsPerPixel = 24};
    s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), seed);
    return BuildBmp(s);
}

void Overwrite(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

// Sets the modification time a second after the one the file has.
void Touch(const std::string& path) {
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    timespec times[2] = {info.st_atim, info.st_mtim};
    times[1].tv_sec += 1;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct Change {
    const char* name;
    std::function<void(const ScratchDir&, const std::string&)> apply;
};

const Change kChanges[] = {
    {"cut_to_half", [](const ScratchDir&, const std::string& p) { fs::resize_file(p, fs::file_size(p) / 2); }},
    {"same_size_rewritten",
     [](const ScratchDir&, const std::string& p) {
         Overwrite(p, Square(9));
         Touch(p);  // a coarse clock could give the same time
     }},
    {"replaced_by_rename",
     [](const ScratchDir& dir, const std::string& p) {
         const std::string other = dir.Write("next.bmp", Square(1));  // the same bytes, another file
         fs::rename(other, p);
     }},
};

class FileChange : public ::testing::TestWithParam<Change> {
protected:
    ScratchDir dir_;
};

void ExpectChanged(const std::function<void()>& pass, const std::string& path) {
    try {
        pass();
        ADD_FAILURE() << "the pass ended without a word";
    } catch (const CitraError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": file changed while it was read");
        EXPECT_EQ(e.Kind(), ErrorKind::InputOutput);
    }
}

TEST_P(FileChange, FailsTheComparisonPass) {
    const std::string a = dir_.Write("a.bmp", Square(1)), b = dir_.Write("b.bmp", Square(2));
    BitmapFileStream first(a), second(b);
    StreamBuffers buffers(64);
    GetParam().apply(dir_, b);
    ExpectChanged([&] { CompareStreams(first, second, buffers); }, b);
}

// The first pass saw one version, the SSIM pass would see another.
TEST_P(FileChange, FailsTheSsimPassAfterAGoodFirstPass) {
    const std::string a = dir_.Write("a.bmp", Square(1)), b = dir_.Write("b.bmp", Square(2));
    BitmapFileStream first(a), second(b);
    StreamBuffers buffers(64);
    CompareStreams(first, second, buffers);
    GetParam().apply(dir_, a);
    ExpectChanged([&] { BitmapPairSsim(first, second, 1); }, a);
}

TEST_P(FileChange, FailsTheStreamedHistogram) {
    const std::string a = dir_.Write("a.bmp", Square(1));
    BitmapFileStream stream(a);
    GetParam().apply(dir_, a);
    ExpectChanged([&] { ComputeChannelHistogramStreamed(a, stream, 64, 1); }, a);
}

INSTANTIATE_TEST_SUITE_P(Table, FileChange, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileChange, AnUnchangedFileReadsAsBefore) {
    const ScratchDir dir;
    const std::string a = dir.Write("a.bmp", Square(1)), b = dir.Write("b.bmp", Square(2));
    BitmapFileStream first(a), second(b);
    StreamBuffers buffers(64);
    EXPECT_NO_THROW(CompareStreams(first, second, buffers));
    EXPECT_NO_THROW(BitmapPairSsim(first, second, 1));
    EXPECT_NO_THROW(ReadImage(a));
}

}  // namespace
