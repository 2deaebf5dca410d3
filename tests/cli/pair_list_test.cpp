// The pairs of a run: one original against files and folders, and a
// COVERS folder with STEGO folders paired by name without extension.
#include "pair_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "../core/scratch_dir.h"
#include "file_pair.h"
#include "input_file.h"

namespace {

struct Folder {
    std::string name;
    std::vector<std::string> files;
};

// What a pair must be; paths relative to the scratch folder.
struct Expected {
    std::string cover;
    std::string stego;
    std::string error;  // empty: none
};

struct PairingCase {
    const char* name;
    std::vector<Folder> folders;  // the first is COVERS
    std::vector<Expected> pairs;
};

void PrintTo(const PairingCase& c, std::ostream* os) { *os << c.name; }

class Pairing : public testing::TestWithParam<PairingCase> {};

TEST_P(Pairing, EveryFileInExactlyOnePairInNameOrder) {
    const PairingCase& c = GetParam();
    ScratchDir dir;
    std::vector<std::string> stego;
    for (const Folder& folder : c.folders) {
        std::filesystem::create_directory(dir.Path(folder.name));
        for (const std::string& file : folder.files) dir.Write(folder.name + "/" + file, {1, 2, 3});
        if (&folder != &c.folders.front()) stego.push_back(dir.Path(folder.name));
    }
    const auto pairs = PairStudyFolders(dir.Path(c.folders.front().name), stego);
    ASSERT_EQ(pairs.size(), c.pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
        // "@" in an expected text stands for the scratch folder.
        const auto full = [&](std::string text) {
            for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, dir.Root());
            return text;
        };
        EXPECT_EQ(pairs[i].original, full(c.pairs[i].cover)) << i;
        EXPECT_EQ(pairs[i].manipulated, full(c.pairs[i].stego)) << i;
        EXPECT_EQ(pairs[i].error.value_or(""), full(c.pairs[i].error)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pairing,
    testing::Values(
        PairingCase{"MatchedAcrossExtensions",
                    {{"c", {"0002.PGM", "0001.bmp", "0010.tiff"}}, {"s", {"0010.jpeg", "0001.png", "0002.ppm"}}},
                    {{"@/c/0001.bmp", "@/s/0001.png", ""},
                     {"@/c/0002.PGM", "@/s/0002.ppm", ""},
                     {"@/c/0010.tiff", "@/s/0010.jpeg", ""}}},
        PairingCase{"UnmatchedOnEitherSideInNameOrder",
                    {{"c", {"a.bmp", "b.bmp", "d.png"}}, {"s", {"b.bmp", "c.png", "d.pnm"}}},
                    {{"@/c/a.bmp", "@/s", R"(No partner for "@/c/a.bmp" in "@/s")"},
                     {"@/c/b.bmp", "@/s/b.bmp", ""},
                     {"@/c", "@/s/c.png", R"(No partner for "@/s/c.png" in "@/c")"},
                     {"@/c/d.png", "@/s/d.pnm", ""}}},
        PairingCase{"SameStemTwiceInStego",
                    {{"c", {"1.bmp", "2.bmp"}}, {"s", {"1.png", "1.bmp", "2.tif"}}},
                    {{"@/c/1.bmp", "@/s", R"(Several files named "1" in "@/s": 1.bmp, 1.png)"},
                     {"@/c/2.bmp", "@/s/2.tif", ""}}},
        PairingCase{"SameStemTwiceInCoversAndMissingInStego",
                    {{"c", {"1.jpg", "1.jpeg", "2.bmp"}}, {"s", {"2.bmp"}}},
                    {{"@/c", "@/s", R"(Several files named "1" in "@/c": 1.jpeg, 1.jpg)"},
                     {"@/c/2.bmp", "@/s/2.bmp", ""}}},
        PairingCase{"SeveralStegoFoldersOneAfterTheOther",
                    {{"c", {"1.bmp", "2.bmp"}}, {"lsb", {"2.png", "1.png"}}, {"dct", {"1.jpg"}}},
                    {{"@/c/1.bmp", "@/lsb/1.png", ""},
                     {"@/c/2.bmp", "@/lsb/2.png", ""},
                     {"@/c/1.bmp", "@/dct/1.jpg", ""},
                     {"@/c/2.bmp", "@/dct", R"(No partner for "@/c/2.bmp" in "@/dct")"}}},
        PairingCase{"OtherFilesAreNotImages",
                    {{"c", {"1.bmp", "notes.txt", "noextension", "1.bmp.bak"}}, {"s", {"1.gif", "1.png", ".png"}}},
                    {{"@/c", "@/s/.png", R"(No partner for "@/s/.png" in "@/c")"},
                     {"@/c/1.bmp", "@/s/1.png", ""}}},
        PairingCase{"EveryDecodedExtensionIsAnImage",
                    {{"c", {"a.pbm", "b.PNM", "c.TIF"}}, {"s", {"a.PBM", "b.pgm", "c.JPG"}}},
                    {{"@/c/a.pbm", "@/s/a.PBM", ""}, {"@/c/b.PNM", "@/s/b.pgm", ""}, {"@/c/c.TIF", "@/s/c.JPG", ""}}},
        PairingCase{"StemKeepsEarlierDots",
                    {{"c", {"a.b.bmp", "a.bmp"}}, {"s", {"a.b.png", "a.png"}}},
                    {{"@/c/a.bmp", "@/s/a.png", ""}, {"@/c/a.b.bmp", "@/s/a.b.png", ""}}},
        PairingCase{"StegoWithoutImagesIsOneFailure",
                    {{"c", {"1.bmp", "2.bmp"}}, {"s", {"readme.txt"}}},
                    {{"@/c", "@/s", R"(No image file in folder "@/s")"}}},
        PairingCase{"CoversWithoutImagesFailOncePerStegoFolder",
                    {{"c", {}}, {"s", {"1.bmp"}}, {"t", {"1.bmp"}}},
                    {{"@/c", "@/s", R"(No image file in folder "@/c")"},
                     {"@/c", "@/t", R"(No image file in folder "@/c")"}}}),
    [](const testing::TestParamInfo<PairingCase>& info) { return std::string(info.param.name); });

TEST(Pairing, FolderThatCannotBeListedIsOneFailure) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("c"));
    dir.Write("c/1.bmp", {1});
    const std::vector<std::string> stego{dir.Path("gone"), dir.Path("c/")};
    const auto pairs = PairStudyFolders(dir.Path("c"), stego);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].manipulated, dir.Path("gone"));
    EXPECT_EQ(pairs[0].error.value_or(""),
              "Cannot read folder \"" + dir.Path("gone") + "\". No such file or directory");
    // A trailing slash is not doubled in the paths.
    EXPECT_EQ(pairs[1].manipulated, dir.Path("c/1.bmp"));
    EXPECT_FALSE(pairs[1].error);
}

TEST(Pairing, FailedPairKeepsItsMessageAndPaths) {
    StreamBuffers buffers;
    const PairResult result = ComparePlannedPair({"c", "s/1.png", "No partner"}, nullptr, buffers, {});
    EXPECT_EQ(result.original, "c");
    EXPECT_EQ(result.manipulated, "s/1.png");
    EXPECT_EQ(result.error.value_or(""), "No partner");
}

// One original against files and folders: a folder stands for every image
// file in it, in byte order, whatever the original's format; a folder of
// none is one failed pair; a name that is not a folder is kept as it is.
TEST(OneOriginal, AFolderStandsForEveryImageFileInIt) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("m"));
    std::filesystem::create_directory(dir.Path("none"));
    for (const char* name : {"b.png", "a.bmp", "c.PBM", "d.tiff", "notes.txt", "e.ico"}) dir.Write(std::string("m/") + name, {1});
    dir.Write("none/x.txt", {1});
    const std::vector<std::string> operands{dir.Path("o.bmp"), dir.Path("m"), dir.Path("none"), dir.Path("lone.gif")};
    const PairListing listing = ListPairs(operands);
    ASSERT_FALSE(listing.usageError);
    EXPECT_FALSE(listing.study);
    std::vector<std::string> manipulated, errors;
    for (const ListedPair& pair : listing.pairs) {
        EXPECT_EQ(pair.original, dir.Path("o.bmp"));
        manipulated.push_back(pair.manipulated);
        errors.push_back(pair.error.value_or(""));
    }
    EXPECT_EQ(manipulated, (std::vector<std::string>{dir.Path("m/a.bmp"), dir.Path("m/b.png"), dir.Path("m/c.PBM"),
                                                     dir.Path("m/d.tiff"), dir.Path("none"), dir.Path("lone.gif")}));
    EXPECT_EQ(errors, (std::vector<std::string>{"", "", "", "", "No image file in folder \"" + dir.Path("none") + "\"",
                                                ""}));
}

TEST(OneOriginal, FoldersAfterACoversFolderOnlyElseAUsageError) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("c"));
    dir.Write("c/1.bmp", {1});
    dir.Write("a.png", {1});
    const std::vector<std::string> mixed{dir.Path("c"), dir.Path("a.png")};
    const PairListing refused = ListPairs(mixed);
    EXPECT_EQ(refused.usageError.value_or(""), "ORIGINAL '" + dir.Path("c") + "' is a folder, not a file");
    EXPECT_TRUE(refused.pairs.empty());
    const std::vector<std::string> study{dir.Path("c"), dir.Path("c")};
    const PairListing listing = ListPairs(study);
    EXPECT_FALSE(listing.usageError);
    EXPECT_TRUE(listing.study);
    EXPECT_EQ(listing.pairs.size(), 1u);
}

}  // namespace
