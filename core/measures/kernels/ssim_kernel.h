#pragma once
// The inner loops of SSIM, included by one source file per instruction set
// (ssim_kernel_generic.cpp, ssim_kernel_avx2.cpp). Everything here has
// internal linkage and calls no library templates, so code built for one
// instruction set never stands in for another's at link time.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "ssim_job.h"

namespace {

constexpr size_t kRadius = ssim_detail::kRadius;
constexpr size_t kTaps = 2 * kRadius + 1;
// The window averages x, y, x*x + y*y and x*y: the variances only ever
// appear summed, so one quantity serves both.
constexpr size_t kQuantities = 4;

// Sums of two or four samples' values, squares and products, exact: in
// 32-bit integers for 8-bit samples, in doubles (exact below 2^53) for 16-bit.
template <class T>
using Wide = std::conditional_t<sizeof(T) == 1, int32_t, double>;

template <class W>
inline void AddPair(W a1, W a2, W b1, W b2, double w, double& x, double& y, double& sq, double& xy) {
    x += static_cast<double>(a1 + a2) * w;
    y += static_cast<double>(b1 + b2) * w;
    sq += static_cast<double>(a1 * a1 + a2 * a2 + b1 * b1 + b2 * b2) * w;
    xy += static_cast<double>(a1 * b1 + a2 * b2) * w;
}

// The column pass straight from the samples of 11 rows of both images
// (ra[5], rb[5] the centre row) into the four quantities the window
// averages: x, y, x*x + y*y and x*y.
template <class T>
inline void ColumnPass(const T* const* ra, const T* const* rb, const double* w, double* __restrict vx,
                       double* __restrict vy, double* __restrict vsq, double* __restrict vxy, size_t n) {
    using W = Wide<T>;
    const T* __restrict a0 = ra[0];
    const T* __restrict a1 = ra[1];
    const T* __restrict a2 = ra[2];
    const T* __restrict a3 = ra[3];
    const T* __restrict a4 = ra[4];
    const T* __restrict a5 = ra[5];
    const T* __restrict a6 = ra[6];
    const T* __restrict a7 = ra[7];
    const T* __restrict a8 = ra[8];
    const T* __restrict a9 = ra[9];
    const T* __restrict a10 = ra[10];
    const T* __restrict b0 = rb[0];
    const T* __restrict b1 = rb[1];
    const T* __restrict b2 = rb[2];
    const T* __restrict b3 = rb[3];
    const T* __restrict b4 = rb[4];
    const T* __restrict b5 = rb[5];
    const T* __restrict b6 = rb[6];
    const T* __restrict b7 = rb[7];
    const T* __restrict b8 = rb[8];
    const T* __restrict b9 = rb[9];
    const T* __restrict b10 = rb[10];
    const double w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3], w4 = w[4], w5 = w[5];
    for (size_t k = 0; k < n; ++k) {
        const W ca = a5[k], cb = b5[k];
        double x = static_cast<double>(ca) * w0;
        double y = static_cast<double>(cb) * w0;
        double sq = static_cast<double>(ca * ca + cb * cb) * w0;
        double xy = static_cast<double>(ca * cb) * w0;
        AddPair<W>(a10[k], a0[k], b10[k], b0[k], w5, x, y, sq, xy);
        AddPair<W>(a9[k], a1[k], b9[k], b1[k], w4, x, y, sq, xy);
        AddPair<W>(a8[k], a2[k], b8[k], b2[k], w3, x, y, sq, xy);
        AddPair<W>(a7[k], a3[k], b7[k], b3[k], w2, x, y, sq, xy);
        AddPair<W>(a6[k], a4[k], b6[k], b4[k], w1, x, y, sq, xy);
        vx[k] = x;
        vy[k] = y;
        vsq[k] = sq;
        vxy[k] = xy;
    }
}

// The row pass: the 11-tap window over 11 shifted views of one row, centre
// first, then the pairs from the outermost in, as scipy's symmetric
// correlation sums them.
inline void RowPass(const double* const* rows, const double* w, double* __restrict out, size_t n) {
    const double* __restrict r0 = rows[0];
    const double* __restrict r1 = rows[1];
    const double* __restrict r2 = rows[2];
    const double* __restrict r3 = rows[3];
    const double* __restrict r4 = rows[4];
    const double* __restrict r5 = rows[5];
    const double* __restrict r6 = rows[6];
    const double* __restrict r7 = rows[7];
    const double* __restrict r8 = rows[8];
    const double* __restrict r9 = rows[9];
    const double* __restrict r10 = rows[10];
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

// The SSIM of every sample from the window's means ux, uy, its x*x + y*y
// (whose excess over ux^2 + uy^2 is the two variances' sum) and x*y.
inline void SsimOfTile(const double* __restrict hx, const double* __restrict hy, const double* __restrict hsq,
                       const double* __restrict hxy, size_t n, double c1, double c2, double* __restrict s) {
    for (size_t k = 0; k < n; ++k) {
        const double ux = hx[k];
        const double uy = hy[k];
        const double means = ux * ux + uy * uy;
        const double cross = ux * uy;
        const double a1 = 2 * cross + c1;
        const double a2 = 2 * (hxy[k] - cross) + c2;
        const double b1 = means + c1;
        const double b2 = (hsq[k] - means) + c2;
        s[k] = (a1 * a2) / (b1 * b2);
    }
}

// Adds s[k] to sums[k % c]. Twelve running sums (a multiple of every
// channel count) keep the additions independent of each other.
inline void AddByChannel(const double* __restrict s, size_t n, size_t c, double* __restrict sums) {
    constexpr size_t kLanes = 12;
    double lanes[kLanes] = {};
    size_t k = 0;
    for (; k + kLanes <= n; k += kLanes)
        for (size_t l = 0; l < kLanes; ++l) lanes[l] += s[k + l];
    for (size_t l = 0; l < kLanes; ++l) sums[l % c] += lanes[l];
    for (; k < n; ++k) sums[k % c] += s[k];
}

// The mean of the first m of each pixel's c samples, for n pixels.
inline void MapOfTile(const double* __restrict s, size_t n, size_t c, size_t m, float* __restrict out) {
    for (size_t p = 0; p < n; ++p) {
        double sum = 0;
        for (size_t ch = 0; ch < m; ++ch) sum += s[p * c + ch];
        out[p] = static_cast<float>(sum / static_cast<double>(m));
    }
}

template <class T>
void SsimRowsOf(const ssim_detail::Job& job, size_t rowBegin, size_t rowEnd, double* work, double* rowSums) {
    const size_t c = job.channels;
    const size_t stride = job.tileStride;
    const size_t halo = kRadius * c;
    double* v = work;                       // column-filtered quantities of a tile
    double* h = v + kQuantities * stride;   // and then row-filtered
    double* s = h + kQuantities * stride;   // SSIM of the tile's samples
    const double* rows[kTaps];
    const T* rowsA[kTaps];
    const T* rowsB[kTaps];
    const T* a = static_cast<const T*>(job.a);
    const T* b = static_cast<const T*>(job.b);
    const size_t rowSamples = job.width * c;

    for (size_t r = rowBegin; r < rowEnd; ++r)
        for (size_t ch = 0; ch < c; ++ch) rowSums[(r - rowBegin) * c + ch] = 0;

    const size_t lastPixel = job.width - kRadius;  // output pixels [kRadius, lastPixel)
    for (size_t px0 = kRadius; px0 < lastPixel; px0 += ssim_detail::kTilePixels) {
        const size_t px1 = px0 + ssim_detail::kTilePixels < lastPixel ? px0 + ssim_detail::kTilePixels : lastPixel;
        const size_t in0 = (px0 - kRadius) * c;
        const size_t inN = (px1 - px0) * c + 2 * halo;
        const size_t outN = (px1 - px0) * c;
        for (size_t r = rowBegin; r < rowEnd; ++r) {
            for (size_t t = 0; t < kTaps; ++t) {
                rowsA[t] = a + (r - kRadius + t - job.firstRow) * rowSamples + in0;
                rowsB[t] = b + (r - kRadius + t - job.firstRow) * rowSamples + in0;
            }
            ColumnPass<T>(rowsA, rowsB, job.weights, v, v + stride, v + 2 * stride, v + 3 * stride, inN);
            for (size_t q = 0; q < kQuantities; ++q) {
                const double* centre = v + q * stride + halo;
                for (size_t t = 0; t < kTaps; ++t) rows[t] = centre + t * c - halo;
                RowPass(rows, job.weights, h + q * stride, outN);
            }
            SsimOfTile(h, h + stride, h + 2 * stride, h + 3 * stride, outN, job.c1, job.c2, s);
            AddByChannel(s, outN, c, rowSums + (r - rowBegin) * c);
            if (job.map != nullptr) MapOfTile(s, px1 - px0, c, job.mapChannels, job.map + r * job.width + px0);
        }
    }
}

}  // namespace
