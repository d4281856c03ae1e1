#include "fftcore/impl_float.h"

#include "fftcore/fft_impl.h"
#include "fftcore/real_pass.h"
#include "fftcore/shuffle.h"
#include "fftcore/sse_float.h"

namespace fftcore {

void fft(float* re, float* im, int m, const float* table) {
    FFT<SseFloat>::fft(re, im, m, table);
}

void ifft(float* re, float* im, int m, const float* table) {
    // The forward transform with real and imaginary parts exchanged is the inverse.
    FFT<SseFloat>::fft(im, re, m, table);
}

void rfft(float* re, float* im, int log2n, const float* table, const float* rtable) {
    RealFFT<SseFloat>::rfft(re, im, log2n, table, rtable);
}

void irfft(float* re, float* im, int log2n, const float* table, const float* rtable) {
    RealFFT<SseFloat>::irfft(re, im, log2n, table, rtable);
}

void deinterleave(float* data, int log2n, const std::uint8_t* itable) {
    InterleaveImpl<SseFloat>::deinterleave(data, log2n, itable);
}

}  // namespace fftcore
