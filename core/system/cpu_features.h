#pragma once
// Whether the loops built a second time for AVX2 and FMA may run here.

inline bool CpuHasAvx2Fma() {
#if defined(CITRA_AVX2_KERNELS)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return has;
#else
    return false;
#endif
}
