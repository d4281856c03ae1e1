#pragma once
// Real-input transform of n samples on the complex transform of n/2 points: the even samples are
// the real parts, the odd samples the imaginary parts, and one extra pass separates the two
// interleaved spectra. The inverse undoes that pass first.

#include <cstddef>

#include "fftcore/fft_impl.h"

namespace fftcore {

template <class V>
struct RealFFT {
    using T = typename V::T;

    // On return re[k], im[k] hold bin k (1 <= k < n/2), re[0] bin 0 and im[0] bin n/2.
    static void rfft(float* re, float* im, int log2n, const float* table, const float* rtable) {
        if (log2n <= 0) return;
        if (log2n == 1) {
            sumAndDifference(re[0], im[0]);
            return;
        }
        FFT<V>::fft(re, im, log2n - 1, table);
        rfft_last_pass(re, im, log2n, rtable);
    }

    // Unnormalised inverse of rfft: n times the signal, even samples in re, odd samples in im.
    static void irfft(float* re, float* im, int log2n, const float* table, const float* rtable) {
        if (log2n <= 0) return;
        irfft_first_pass(re, im, log2n, rtable);
        // The forward transform with real and imaginary parts exchanged is the inverse.
        FFT<V>::fft(im, re, log2n - 1, table);
    }

    static void rfft_last_pass(float* re, float* im, int log2n, const float* rtable) {
        const std::size_t half = std::size_t{1} << (log2n - 1);
        const std::size_t quarter = half / 2;
        if (log2n >= 4) {
            // Four pairs at once; the last group reaches the middle bin from both sides, so that
            // bin is restored afterwards.
            const float middleRe = re[quarter], middleIm = im[quarter];
            const T halfV = V::scalar_to_vector(0.5f);
            for (std::size_t c = 0; c < quarter / 4; ++c) {
                const std::size_t k = 4 * c + 1, u = half - 4 * c - 4;
                T zr = V::unaligned_load(re + k), zi = V::unaligned_load(im + k);
                T yr = V::reverse(V::load(re + u)), yi = V::reverse(V::load(im + u));
                T wr = V::load(rtable + 8 * c), wi = V::load(rtable + 8 * c + 4);
                T e = V::mul(V::add(zr, yr), halfV), f = V::mul(V::sub(yi, zi), halfV);
                T g = V::mul(V::sub(zr, yr), halfV), h = V::mul(V::add(zi, yi), halfV);
                T t1 = V::add(V::mul(wr, h), V::mul(wi, g));
                T t2 = V::sub(V::mul(h, wi), V::mul(g, wr));
                V::unaligned_store(re + k, V::add(e, t1));
                V::unaligned_store(im + k, V::sub(t2, f));
                V::store(re + u, V::reverse(V::sub(e, t1)));
                V::store(im + u, V::reverse(V::add(t2, f)));
            }
            re[quarter] = middleRe;
            im[quarter] = -middleIm;
        } else {
            for (std::size_t k = 1; k < quarter; ++k)
                lastPassPair(re, im, k, half - k, rtable[2 * (k - 1)], rtable[2 * (k - 1) + 1]);
            im[quarter] = -im[quarter];
        }
        sumAndDifference(re[0], im[0]);
    }

    // Rebuilds twice the spectrum of (even + i*odd) from the real signal's spectrum.
    static void irfft_first_pass(float* re, float* im, int log2n, const float* rtable) {
        sumAndDifference(re[0], im[0]);
        if (log2n < 2) return;
        const std::size_t half = std::size_t{1} << (log2n - 1);
        const std::size_t quarter = half / 2;
        for (std::size_t k = 1; k < quarter; ++k) {
            float wr, wi;
            factor(rtable, log2n, k - 1, wr, wi);
            const std::size_t kk = half - k;
            // E = X[k] + conj(X[kk]), D = X[k] - conj(X[kk]), O = conj(W^k) * D.
            float er = re[k] + re[kk], ei = im[k] - im[kk];
            float dr = re[k] - re[kk], di = im[k] + im[kk];
            float orr = wr * dr + wi * di, oi = wr * di - wi * dr;
            re[k] = er - oi;
            im[k] = ei + orr;
            re[kk] = er + oi;
            im[kk] = orr - ei;
        }
        re[quarter] = 2.0f * re[quarter];
        im[quarter] = -2.0f * im[quarter];
    }

private:
    static void sumAndDifference(float& a, float& b) {
        float s = a + b, d = a - b;
        a = s;
        b = d;
    }

    static void lastPassPair(float* re, float* im, std::size_t k, std::size_t kk, float wr,
                             float wi) {
        float zr = re[k], zi = im[k], yr = re[kk], yi = im[kk];
        float e = (zr + yr) * 0.5f, f = (yi - zi) * 0.5f;
        float g = (zr - yr) * 0.5f, h = (zi + yi) * 0.5f;
        float t1 = wr * h + wi * g, t2 = h * wi - g * wr;
        re[k] = e + t1;
        im[k] = t2 - f;
        re[kk] = e - t1;
        im[kk] = t2 + f;
    }

    // Entry e of the real-pass table, which holds vector groups from log2n = 4 on.
    static void factor(const float* rtable, int log2n, std::size_t e, float& wr, float& wi) {
        if (log2n >= 4) {
            wr = rtable[8 * (e / 4) + e % 4];
            wi = rtable[8 * (e / 4) + 4 + e % 4];
        } else {
            wr = rtable[2 * e];
            wi = rtable[2 * e + 1];
        }
    }
};

}  // namespace fftcore
