// The LSB estimators against the plain numpy ones of
// tests/reference/stego_estimators.py, on the images
// tests/reference/stego_cases.py writes: every estimate to 1e-9, "no
// estimate" with the same reason exactly where the reference has none;
// and on natural pictures carrying known payloads, the estimates near
// the payload.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "detect.h"
#include "scratch_dir.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";

// A value or the reason there is none; `unknown` when the reference could
// not compute it (no scipy).
struct Expected {
    std::optional<double> value;
    std::string reason;
    bool unknown = false;
};

struct ChiRecord {
    int percent = 0;  // 0: the whole channel
    uint64_t samples = 0;
    double statistic = 0;
    int categories = 0;
    Expected probability;
};

struct ChannelRecord {
    std::map<std::string, Expected> estimates;  // rs, spa, ws, ws_plain
    std::vector<ChiRecord> chi;
};

struct Case {
    std::string name;
    Image image;
    std::vector<ChannelRecord> channels;
};

struct Payload {
    std::string name;
    Image image;
    double rate = 0;
    std::string kind;  // replace or match
};

struct GammaRecord {
    int dof = 0;
    double statistic = 0, q = 0;
};

// "none REASON", "?" or a number; the stream is at the field.
Expected ReadExpected(std::istringstream& in) {
    std::string word;
    in >> word;
    Expected e;
    if (word == "none") {
        std::getline(in >> std::ws, e.reason);
    } else if (word == "?") {
        e.unknown = true;
    } else {
        e.value = std::strtod(word.c_str(), nullptr);
    }
    return e;
}

Image ReadRaw(const std::string& path, int32_t width, int32_t height, int channels) {
    Image image;
    image.width = width;
    image.height = height;
    image.layout = static_cast<ChannelLayout>(channels);
    std::ifstream in(path, std::ios::binary);
    image.samples8.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (image.samples8.size() != image.SampleCount()) throw std::runtime_error(path + ": wrong size");
    return image;
}

class StegoReference : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string probe = std::string(kPython) + " -c 'import numpy, skimage.data' 2>/dev/null";
        if (std::system(probe.c_str()) != 0) {
            skipReason_ = new std::string(std::string(kPython) + " cannot import numpy and skimage");
            return;
        }
        scratch_ = new ScratchDir;
        const std::string run = std::string(kPython) + " '" + CITRA_STEGO_SCRIPT + "' '" + scratch_->Root() + "'";
        if (std::system(run.c_str()) != 0) throw std::runtime_error("the reference script failed: " + run);
        cases_ = new std::vector<Case>;
        payloads_ = new std::vector<Payload>;
        gammas_ = new std::vector<GammaRecord>;
        std::ifstream in(scratch_->Path("cases.txt"));
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string kind;
            fields >> kind;
            if (kind == "case") {
                Case c;
                int32_t width = 0, height = 0;
                int channels = 0;
                fields >> c.name >> width >> height >> channels;
                c.image = ReadRaw(scratch_->Path(c.name + ".raw"), width, height, channels);
                cases_->push_back(std::move(c));
            } else if (kind == "est" || kind == "chi") {
                size_t channel = 0;
                fields >> channel;
                std::vector<ChannelRecord>& records = cases_->back().channels;
                if (records.size() <= channel) records.resize(channel + 1);
                if (kind == "est") {
                    std::string which;
                    fields >> which;
                    records[channel].estimates[which] = ReadExpected(fields);
                } else {
                    ChiRecord r;
                    fields >> r.percent >> r.samples >> r.statistic >> r.categories;
                    r.probability = ReadExpected(fields);
                    records[channel].chi.push_back(r);
                }
            } else if (kind == "payload") {
                Payload p;
                int32_t width = 0, height = 0;
                fields >> p.name >> width >> height >> p.rate >> p.kind;
                p.image = ReadRaw(scratch_->Path(p.name + ".raw"), width, height, 1);
                payloads_->push_back(std::move(p));
            } else if (kind == "gamma") {
                GammaRecord g;
                fields >> g.dof >> g.statistic >> g.q;
                gammas_->push_back(g);
            }
            if (!fields && kind != "est" && kind != "chi") throw std::runtime_error("bad line in cases.txt: " + line);
        }
    }
    static void TearDownTestSuite() {
        delete cases_;
        delete payloads_;
        delete gammas_;
        delete scratch_;
        delete skipReason_;
        cases_ = nullptr;
        payloads_ = nullptr;
        gammas_ = nullptr;
        scratch_ = nullptr;
        skipReason_ = nullptr;
    }
    void SetUp() override {
        if (skipReason_ != nullptr) GTEST_SKIP() << *skipReason_;
        ASSERT_NE(cases_, nullptr);
        ASSERT_GE(cases_->size(), 40u);
    }

    static void ExpectEstimate(const PayloadEstimate& actual, const Expected& expected, const std::string& what) {
        SCOPED_TRACE(what);
        if (!expected.value) {
            EXPECT_FALSE(actual.raw.has_value())
                << "C++ estimate " << *actual.raw << ", reference: " << expected.reason;
            EXPECT_FALSE(actual.clamped.has_value());
            EXPECT_EQ(actual.reason, expected.reason);
            return;
        }
        ASSERT_TRUE(actual.raw.has_value()) << "C++ has none: " << actual.reason;
        EXPECT_NEAR(*actual.raw, *expected.value, 1e-9);
        ASSERT_TRUE(actual.clamped.has_value());
        EXPECT_NEAR(*actual.clamped, std::clamp(*expected.value, 0.0, 1.0), 1e-9);
        EXPECT_TRUE(actual.reason.empty());
    }

    static void ExpectStep(const ChiSquareStep& actual, const ChiRecord& expected) {
        SCOPED_TRACE("chi-square at " + std::to_string(expected.percent) + "%");
        EXPECT_EQ(actual.samples, expected.samples);
        EXPECT_EQ(actual.categories, expected.categories);
        EXPECT_NEAR(actual.statistic, expected.statistic, 1e-9 * std::max(1.0, expected.statistic));
        if (expected.probability.unknown) return;
        ExpectEstimate({actual.probability, actual.probability, actual.reason}, expected.probability, "probability");
    }

    static void CheckAll(unsigned threads) {
        for (const Case& c : *cases_) {
            SCOPED_TRACE(c.name + ", threads " + std::to_string(threads));
            const std::vector<ChannelDetection> found = DetectLsbEmbedding(c.image, {.threads = threads});
            ASSERT_EQ(found.size(), c.channels.size());
            for (size_t ch = 0; ch < found.size(); ++ch) {
                SCOPED_TRACE("channel " + std::string(found[ch].name));
                const ChannelRecord& ref = c.channels[ch];
                ExpectEstimate(found[ch].rs, ref.estimates.at("rs"), "RS");
                ExpectEstimate(found[ch].spa, ref.estimates.at("spa"), "SPA");
                ExpectEstimate(found[ch].ws, ref.estimates.at("ws"), "WS");
                ExpectEstimate(found[ch].wsPlain, ref.estimates.at("ws_plain"), "WS plain");
                const ChiSquareResult& chi = found[ch].chiSquare;
                ASSERT_EQ(chi.profile.size() + 1, ref.chi.size());
                ExpectStep(chi.whole, ref.chi[0]);
                for (size_t i = 0; i < chi.profile.size(); ++i) {
                    EXPECT_EQ(chi.profile[i].percent, ref.chi[i + 1].percent);
                    ExpectStep(chi.profile[i], ref.chi[i + 1]);
                }
            }
        }
    }

    static ScratchDir* scratch_;
    static std::vector<Case>* cases_;
    static std::vector<Payload>* payloads_;
    static std::vector<GammaRecord>* gammas_;
    static std::string* skipReason_;
};

ScratchDir* StegoReference::scratch_ = nullptr;
std::vector<Case>* StegoReference::cases_ = nullptr;
std::vector<Payload>* StegoReference::payloads_ = nullptr;
std::vector<GammaRecord>* StegoReference::gammas_ = nullptr;
std::string* StegoReference::skipReason_ = nullptr;

TEST_F(StegoReference, OneThreadAgrees) { CheckAll(1); }

TEST_F(StegoReference, ThreadPerChannelAgrees) { CheckAll(3); }

// The table reaches what it is meant to: every reason of every estimator,
// estimates of each, colour images, profiles both with and without a
// probability.
TEST_F(StegoReference, TableHasEveryKind) {
    std::set<std::string> reasons;
    int estimates = 0, colour = 0, chiWithout = 0, chiWith = 0;
    for (const Case& c : *cases_) {
        colour += c.channels.size() == 3;
        for (const ChannelRecord& ch : c.channels) {
            for (const auto& [which, e] : ch.estimates) {
                if (e.value) {
                    ++estimates;
                } else {
                    reasons.insert(which + ": " + e.reason);
                }
            }
            for (const ChiRecord& r : ch.chi) (r.probability.value || r.probability.unknown ? chiWith : chiWithout)++;
        }
    }
    EXPECT_EQ(reasons.size(), 9u);  // RS 4, SPA 3, WS 1 for each
    EXPECT_GE(estimates, 80);
    EXPECT_GE(colour, 3);
    EXPECT_GE(chiWith, 200);
    EXPECT_GE(chiWithout, 50);
}

// Tolerances from the accuracy table of bench/RESULTS.md (detect_accuracy.py):
// natural pictures stay within 0.06 of a replaced payload up to 0.6, where a
// wrong sign or a swapped class is off by the payload itself; LSB matching
// leaves them near zero.
TEST_F(StegoReference, KnownPayloads) {
    ASSERT_GE(payloads_->size(), 15u);
    for (const Payload& p : *payloads_) {
        SCOPED_TRACE(p.name);
        const std::vector<ChannelDetection> found = DetectLsbEmbedding(p.image);
        ASSERT_EQ(found.size(), 1u);
        const ChannelDetection& d = found[0];
        const bool saturated = p.name.starts_with("astronaut");  // 11% of its samples are 0
        for (const auto& [name, e] : {std::pair{"RS", d.rs}, {"SPA", d.spa}, {"WS", d.ws}}) {
            SCOPED_TRACE(name);
            if (p.kind == "match") {
                if (saturated) continue;  // at 0 and 255 matching is replacement
                ASSERT_TRUE(e.raw.has_value()) << e.reason;
                EXPECT_LE(std::fabs(*e.raw), 0.05);
            } else if (p.rate <= 0.6) {
                ASSERT_TRUE(e.raw.has_value()) << e.reason;
                EXPECT_NEAR(*e.raw, p.rate, 0.06);
            }
        }
        // The chi-square attack sees a full payload; covers without a
        // levelled histogram are clean.
        if (p.kind == "replace" && p.rate == 1.0) {
            ASSERT_TRUE(d.chiSquare.whole.probability.has_value());
            EXPECT_GT(*d.chiSquare.whole.probability, 0.99);
        }
        if (p.rate == 0 && !p.name.starts_with("coins")) {
            ASSERT_TRUE(d.chiSquare.whole.probability.has_value());
            EXPECT_LT(*d.chiSquare.whole.probability, 1e-6);
        }
    }
}

TEST_F(StegoReference, TailProbabilityAgreesWithScipy) {
    if (gammas_->empty()) GTEST_SKIP() << "scipy is not installed: detect_test.cpp checks the closed forms";
    for (const GammaRecord& g : *gammas_) {
        SCOPED_TRACE("dof " + std::to_string(g.dof) + ", statistic " + std::to_string(g.statistic));
        EXPECT_NEAR(ChiSquareTail(g.dof, g.statistic), g.q, 1e-13 * g.q + 1e-300);
    }
}

}  // namespace
