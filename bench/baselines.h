#pragma once
// The floors the benchmarks are measured against: one pass adding every
// byte, in the blocked form that lets the compiler vectorise it (a 32-bit
// sum per block, widened after).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

inline uint64_t SumBytes(const uint8_t* p, size_t n) {
    uint64_t total = 0;
    while (n > 0) {
        const size_t len = std::min<size_t>(n, 1 << 16);
        uint32_t acc = 0;
        for (size_t i = 0; i < len; ++i) acc += p[i];
        total += acc;
        p += len;
        n -= len;
    }
    return total;
}

// The same over two buffers of n bytes at once.
inline uint64_t SumBytesOfTwo(const uint8_t* a, const uint8_t* b, size_t n) {
    uint64_t total = 0;
    while (n > 0) {
        const size_t len = std::min<size_t>(n, 1 << 16);
        uint32_t acc = 0;
        for (size_t i = 0; i < len; ++i) acc += uint32_t{a[i]} + uint32_t{b[i]};
        total += acc;
        a += len;
        b += len;
        n -= len;
    }
    return total;
}

// Takes "--name=value" out of argv, leaving the rest for the benchmark library.
inline std::optional<std::string> TakeOption(int& argc, char** argv, const std::string& name) {
    const std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            std::string value = argv[i] + prefix.size();
            for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
            --argc;
            return value;
        }
    }
    return std::nullopt;
}
