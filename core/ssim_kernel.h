#pragma once
// The inner loops of SSIM, included by one source file per instruction set
// (ssim_kernel_generic.cpp, ssim_kernel_avx2.cpp). Everything here has
// internal linkage and calls no library templates, so code built for one
// instruction set never stands in for another's at link time.
#include <cstddef>
#include <cstdint>

#include "ssim_job.h"

namespace {

constexpr size_t kRadius = ssim_detail::kRadius;
constexpr size_t kTaps = 2 * kRadius + 1;
constexpr size_t kQuantities = 5;  // x, y, x*x, y*y, x*y

// Widens row `row` (columns [in0, in0 + n) in samples) of both images into
// the five quantities the window averages.
template <class T>
inline void WidenRow(const ssim_detail::Job& job, size_t row, size_t in0, size_t n, double* out, size_t stride) {
    const size_t rowSamples = job.width * job.channels;
    const T* a = static_cast<const T*>(job.a) + row * rowSamples + in0;
    const T* b = static_cast<const T*>(job.b) + row * rowSamples + in0;
    double* x = out;
    double* y = out + stride;
    double* xx = out + 2 * stride;
    double* yy = out + 3 * stride;
    double* xy = out + 4 * stride;
    for (size_t k = 0; k < n; ++k) {
        const double va = a[k];
        const double vb = b[k];
        x[k] = va;
        y[k] = vb;
        xx[k] = va * va;
        yy[k] = vb * vb;
        xy[k] = va * vb;
    }
}

// One column pass over 11 rows: centre first, then the pairs from the
// outermost in, as scipy's symmetric correlation sums them.
inline void VerticalPass(const double* const* rows, const double* w, double* out, size_t n) {
    const double* r0 = rows[0];
    const double* r1 = rows[1];
    const double* r2 = rows[2];
    const double* r3 = rows[3];
    const double* r4 = rows[4];
    const double* r5 = rows[5];
    const double* r6 = rows[6];
    const double* r7 = rows[7];
    const double* r8 = rows[8];
    const double* r9 = rows[9];
    const double* r10 = rows[10];
    const double w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3], w4 = w[4], w5 = w[5];
    for (size_t k = 0; k < n; ++k) {
        double t = r5[k] * w0;
        t += (r10[k] + r0[k]) * w5;
        t += (r9[k] + r1[k]) * w4;
        t += (r8[k] + r2[k]) * w3;
        t += (r7[k] + r3[k]) * w2;
        t += (r6[k] + r4[k]) * w1;
        out[k] = t;
    }
}

inline double Horizontal(const double* v, size_t c, const double* w) {
    double t = v[0] * w[0];
    t += (v[5 * c] + v[-static_cast<ptrdiff_t>(5 * c)]) * w[5];
    t += (v[4 * c] + v[-static_cast<ptrdiff_t>(4 * c)]) * w[4];
    t += (v[3 * c] + v[-static_cast<ptrdiff_t>(3 * c)]) * w[3];
    t += (v[2 * c] + v[-static_cast<ptrdiff_t>(2 * c)]) * w[2];
    t += (v[1 * c] + v[-static_cast<ptrdiff_t>(1 * c)]) * w[1];
    return t;
}

// Row pass over the five column-filtered quantities and the SSIM of every
// sample of the output tile, written to s.
inline void HorizontalAndSsim(const double* v, size_t stride, size_t c, size_t halo, size_t outN, const double* w,
                              double c1, double c2, double* s) {
    const double* vx = v + halo;
    const double* vy = v + stride + halo;
    const double* vxx = v + 2 * stride + halo;
    const double* vyy = v + 3 * stride + halo;
    const double* vxy = v + 4 * stride + halo;
    for (size_t k = 0; k < outN; ++k) {
        const double ux = Horizontal(vx + k, c, w);
        const double uy = Horizontal(vy + k, c, w);
        const double uxx = Horizontal(vxx + k, c, w);
        const double uyy = Horizontal(vyy + k, c, w);
        const double uxy = Horizontal(vxy + k, c, w);
        const double varX = uxx - ux * ux;
        const double varY = uyy - uy * uy;
        const double cov = uxy - ux * uy;
        const double a1 = 2 * ux * uy + c1;
        const double a2 = 2 * cov + c2;
        const double b1 = ux * ux + uy * uy + c1;
        const double b2 = varX + varY + c2;
        s[k] = (a1 * a2) / (b1 * b2);
    }
}

template <class T>
void SsimRowsOf(const ssim_detail::Job& job, size_t rowBegin, size_t rowEnd, double* work, double* rowSums) {
    const size_t c = job.channels;
    const size_t stride = job.tileStride;
    const size_t halo = kRadius * c;
    double* ring = work;                                // kTaps slots of five quantities
    double* v = ring + kTaps * kQuantities * stride;    // five column-filtered quantities
    double* s = v + kQuantities * stride;               // SSIM of the tile's samples
    const double* rows[kTaps];

    for (size_t r = rowBegin; r < rowEnd; ++r)
        for (size_t ch = 0; ch < c; ++ch) rowSums[(r - rowBegin) * c + ch] = 0;

    const size_t lastPixel = job.width - kRadius;  // output pixels [kRadius, lastPixel)
    for (size_t px0 = kRadius; px0 < lastPixel; px0 += ssim_detail::kTilePixels) {
        const size_t px1 = px0 + ssim_detail::kTilePixels < lastPixel ? px0 + ssim_detail::kTilePixels : lastPixel;
        const size_t in0 = (px0 - kRadius) * c;
        const size_t inN = (px1 - px0) * c + 2 * halo;
        const size_t outN = (px1 - px0) * c;
        for (size_t r = rowBegin - kRadius; r < rowBegin + kRadius; ++r)
            WidenRow<T>(job, r, in0, inN, ring + (r % kTaps) * kQuantities * stride, stride);
        for (size_t r = rowBegin; r < rowEnd; ++r) {
            const size_t newest = r + kRadius;
            WidenRow<T>(job, newest, in0, inN, ring + (newest % kTaps) * kQuantities * stride, stride);
            for (size_t q = 0; q < kQuantities; ++q) {
                for (size_t t = 0; t < kTaps; ++t)
                    rows[t] = ring + ((r - kRadius + t) % kTaps) * kQuantities * stride + q * stride;
                VerticalPass(rows, job.weights, v + q * stride, inN);
            }
            HorizontalAndSsim(v, stride, c, halo, outN, job.weights, job.c1, job.c2, s);
            double* sums = rowSums + (r - rowBegin) * c;
            for (size_t ch = 0; ch < c; ++ch) {
                double sum = 0;
                for (size_t k = ch; k < outN; k += c) sum += s[k];
                sums[ch] += sum;
            }
        }
    }
}

}  // namespace
