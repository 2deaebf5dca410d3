// The LSB estimators on raw grey pictures, for bench/detect_accuracy.py.
// Reads lines "PATH WIDTH HEIGHT" from standard input (PATH without
// spaces: the script's own scratch files) and writes for each
// "PATH RS SPA WS WS_PLAIN CHI_PROBABILITY", "none" where there is no
// value (WS bias-corrected, WS_PLAIN the papers' estimate).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "detect.h"

namespace {

std::string Text(const std::optional<double>& v) {
    if (!v) return "none";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", *v);
    return buffer;
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream fields(line);
        std::string path;
        int32_t width = 0, height = 0;
        if (!(fields >> path >> width >> height) || width < 0 || height < 0) {
            std::fprintf(stderr, "citra_detect_samples: bad line: %s\n", line.c_str());
            return 1;
        }
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> samples((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || samples.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
            std::fprintf(stderr, "citra_detect_samples: %s does not hold %d x %d samples\n", path.c_str(), width,
                         height);
            return 1;
        }
        const SamplePlane plane = GreyPlane(samples.data(), width, height);
        std::cout << path << ' ' << Text(RsAnalysis(plane).raw) << ' ' << Text(SamplePairAnalysis(plane).raw) << ' '
                  << Text(WeightedStego(plane).raw) << ' ' << Text(WeightedStego(plane, WsBias::Plain).raw) << ' '
                  << Text(ChiSquareAttack(plane, {}).whole.probability) << '\n';
    }
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "citra_detect_samples: cannot write the output\n");
        return 1;
    }
    return 0;
}
