// citra compare on many pairs: folder operands, CSV, worker counts,
// progress bar; runs the built executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "../core/scratch_dir.h"
#include "csv_output.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

namespace fs = std::filesystem;

// The lines up to the first empty one: a text table ends there and its
// summary follows (tested on its own in study_exe_test).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && !line.empty();) lines.push_back(line);
    return lines;
}

Bgr Pattern(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 20), static_cast<uint8_t>(100 + x + 4 * y)};
}

// The "manipulated" value of a JSON line.
std::string Manipulated(const std::string& line) {
    const std::string key = R"("manipulated":")";
    const size_t start = line.find(key) + key.size();
    return line.substr(start, line.find('"', start) - start);
}

class CompareBatch : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        WriteBmp(Path("asli.bmp"), 4, 4, 24, Pattern);
        WriteBmp(Path("sama.bmp"), 4, 4, 24, Pattern);
        WriteBmp(Path("satu.bmp"), 4, 4, 24, [](int32_t x, int32_t y) {
            Bgr p = Pattern(x, y);
            if (x == 2 && y == 1) p.g += 1;
            return p;
        });
        WriteBmp(Path("abu8.bmp"), 4, 4, 8, Pattern);
        WriteBmp(Path("lebar.bmp"), 5, 4, 24, Pattern);

        // A folder of every kind of entry; only the .bmp files directly in it count.
        fs::create_directories(Path("set/sub"));
        fs::create_directories(Path("set/dir.bmp"));
        for (const char* name : {"b.bmp", "A.BMP", "c.Bmp", "a.bmp", "Z.bmp", "\xc3\x89.bmp", "sub/d.bmp",
                                 "dir.bmp/e.bmp"}) {
            WriteBmp(Path(std::string("set/") + name), 4, 4, 24, [&](int32_t x, int32_t y) {
                Bgr p = Pattern(x, y);
                p.r = static_cast<uint8_t>(p.r + name[0] % 7);  // each file its own MSE
                return p;
            });
        }
        for (const char* name : {"notes.txt", "x.bmp.txt", "bmp", "a.bmpx"}) WriteFileBytes(Path("set/") + name, {'x'});
        fs::create_symlink(Path("satu.bmp"), Path("set/link.bmp"));
        fs::create_symlink(Path("missing.bmp"), Path("set/dangling.bmp"));

        fs::create_directories(Path("nobmp/sub"));
        WriteFileBytes(Path("nobmp/readme.txt"), {'x'});
        WriteBmp(Path("nobmp/sub/deep.bmp"), 4, 4, 24, Pattern);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    static std::string Path(const std::string& name) { return dir_->Path(name); }

    static ProcessOutput Citra(const std::vector<std::string>& args, const Env& env = kPlainEnv) {
        return RunProcess({.program = CITRA_EXE, .args = args, .env = env});
    }

    static inline ScratchDir* dir_ = nullptr;
};

// Byte order: upper case before lower case, UTF-8 after ASCII.
const std::vector<std::string> kSetOrder{"A.BMP", "Z.bmp", "a.bmp", "b.bmp", "c.Bmp", "link.bmp", "\xc3\x89.bmp"};

TEST_F(CompareBatch, FolderStandsForItsBmpFilesInByteOrder) {
    for (const std::string& folder : {Path("set"), Path("set/")}) {
        const auto run = Citra({"--json", "compare", Path("asli.bmp"), folder});
        EXPECT_EQ(run.exitCode, 0) << run.out;
        const auto lines = Lines(run.out);
        ASSERT_EQ(lines.size(), kSetOrder.size()) << run.out;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(Manipulated(lines[i]), Path("set/" + kSetOrder[i])) << lines[i];
            EXPECT_NE(lines[i].find("\"mse\":"), std::string::npos) << lines[i];
        }
    }
}

TEST_F(CompareBatch, FoldersAndFilesKeepArgumentOrder) {
    const auto run = Citra({"--json", "compare", Path("asli.bmp"), Path("sama.bmp"), Path("set"), Path("satu.bmp"),
                            Path("set")});
    EXPECT_EQ(run.exitCode, 0);
    std::vector<std::string> expected{Path("sama.bmp")};
    for (const auto& name : kSetOrder) expected.push_back(Path("set/" + name));
    expected.push_back(Path("satu.bmp"));
    for (const auto& name : kSetOrder) expected.push_back(Path("set/" + name));
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), expected.size()) << run.out;
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Manipulated(lines[i]), expected[i]);
}

TEST_F(CompareBatch, FolderWithoutImageFilesIsOneErrorLine) {
    fs::create_directories(Path("empty"));
    const auto run = Citra({"--json", "compare", Path("asli.bmp"), Path("nobmp"), Path("sama.bmp"), Path("empty")});
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    const std::string head = R"({"original":")" + Path("asli.bmp") + R"(","manipulated":")";
    EXPECT_EQ(lines[0], head + Path("nobmp") + R"(","error":"No image file in folder \")" + Path("nobmp") + R"(\""})");
    EXPECT_EQ(Manipulated(lines[1]), Path("sama.bmp"));
    EXPECT_EQ(lines[2], head + Path("empty") + R"(","error":"No image file in folder \")" + Path("empty") + R"(\""})");
}

TEST_F(CompareBatch, FolderAsOriginalIsAUsageError) {
    const auto run = Citra({"compare", Path("set"), Path("sama.bmp")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("citra: ORIGINAL '" + Path("set") + "' is a folder, not a file\nusage: citra", 0), 0u)
        << run.err;
}

TEST_F(CompareBatch, CsvLinesQuotedAndWithFullStops) {
    fs::copy_file(Path("satu.bmp"), Path("koma,\"satu\".bmp"), fs::copy_options::overwrite_existing);
    const Env indonesian{{"LC_ALL", std::nullopt}, {"LC_NUMERIC", std::nullopt}, {"LANG", "id_ID.UTF-8"}};
    const auto run = Citra({"compare", "--csv", Path("asli.bmp"), Path("koma,\"satu\".bmp"), Path("abu8.bmp"),
                            Path("hilang.bmp")},
                           indonesian);
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    // Today's columns first, the field's metrics after them.
    EXPECT_EQ(lines[0], PairCsvHeader());
    EXPECT_EQ(lines[0].rfind("original,manipulated,mse,psnr,mse_text,psnr_text,error,std_mse,", 0), 0u);
    const std::string a = Path("asli.bmp");
    EXPECT_EQ(lines[1].rfind(a + ",\"" + Path("koma,\"\"satu\"\".bmp") + "\",0.0625,60.17193", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find(",0.063,60.172,,0.020833333333333332,64.94321598243498,,false,255,1,1,"),
              std::string::npos)
        << lines[1];
    // An 8-bit bitmap is decoded to its colours: a pair with no error whose
    // desktop MSE is three times the MSE per sample.
    std::vector<std::string> fields;
    std::stringstream row(lines[2]);
    for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
    ASSERT_GT(fields.size(), 7u) << lines[2];
    EXPECT_EQ(fields[1], Path("abu8.bmp"));
    EXPECT_EQ(fields[6], "") << lines[2];
    EXPECT_GT(std::stod(fields[7]), 0);
    EXPECT_DOUBLE_EQ(std::stod(fields[2]), 3 * std::stod(fields[7]));
    const std::string missing = a + "," + Path("hilang.bmp") + ",,,,,\"Cannot open file \"\"" +
                                Path("hilang.bmp") + "\"\". No such file or directory\"";
    EXPECT_EQ(lines[3], missing + std::string(std::count(lines[0].begin(), lines[0].end(), ',') - 6, ','));
}

TEST_F(CompareBatch, WorkerCountChangesNothingInTheOutput) {
    fs::create_directories(Path("empty"));
    const std::vector<std::string> operands{Path("asli.bmp"), Path("sama.bmp"), Path("abu8.bmp"), Path("set"),
                                            Path("lebar.bmp"), Path("hilang.bmp"), Path("empty"), Path("satu.bmp"),
                                            Path("set"), Path("sama.bmp")};
    using Args = std::vector<std::string>;
    for (const Args& format : {Args{}, Args{"--json"}, Args{"--csv"}}) {
        std::vector<ProcessOutput> runs;
        for (const Args& jobs : {Args{"-j", "1"}, Args{"-j4"}, Args{}}) {
            std::vector<std::string> args = format;
            args.insert(args.end(), jobs.begin(), jobs.end());
            args.push_back("compare");
            args.insert(args.end(), operands.begin(), operands.end());
            runs.push_back(Citra(args));
        }
        const std::string name = format.empty() ? "text" : format[0];
        EXPECT_EQ(runs[0].exitCode, 1) << name;
        EXPECT_EQ(Lines(runs[0].out).size(), 2 * kSetOrder.size() + 7 + (name == "--json" ? 0 : 1)) << runs[0].out;
        for (size_t i = 1; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].exitCode, runs[0].exitCode) << name;
            EXPECT_EQ(runs[i].out, runs[0].out) << name;
            EXPECT_EQ(runs[i].err, "") << name;
        }
    }
}

TEST_F(CompareBatch, ProgressBarOnlyWhenAskedForOrOnATerminal) {
    const std::vector<std::string> pairs{Path("asli.bmp"), Path("sama.bmp"), Path("satu.bmp"), Path("set")};
    const auto args = [&](std::vector<std::string> options) {
        options.push_back("compare");
        options.insert(options.end(), pairs.begin(), pairs.end());
        return options;
    };
    // Standard error here is a file, not a terminal.
    EXPECT_EQ(Citra(args({"--json"})).err, "");
    EXPECT_EQ(Citra(args({"--json", "--progress", "--no-progress"})).err, "");

    const auto run = Citra(args({"--json", "--progress"}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Lines(run.out).size(), 9u);
    // Frames "\r[...]  n/9 ...", then the last one blanked out.
    ASSERT_EQ(run.err.rfind("\r[", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("/9  "), std::string::npos) << run.err;
    const size_t lastFrame = run.err.rfind("\r[");
    const size_t erase = run.err.find('\r', lastFrame + 1);
    ASSERT_NE(erase, std::string::npos) << run.err;
    const size_t width = erase - lastFrame - 1;
    std::string blanked(width + 2, ' ');
    blanked.front() = blanked.back() = '\r';
    EXPECT_EQ(run.err.substr(erase), blanked);
}

}  // namespace
