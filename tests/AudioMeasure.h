// Measurements of rendered audio for tests and benchmarks: level, spectral centroid and the
// energy left after a note's release.
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <span>
#include <vector>

namespace audio {

inline double Energy(std::span<const float> a) {
    double e = 0;
    for (float v : a)
        e += double(v) * v;
    return e;
}

// RMS level in dB full scale; -200 for silence.
inline double LevelDb(std::span<const float> a) {
    if (a.empty()) return -200;
    const double rms = std::sqrt(Energy(a) / double(a.size()));
    return rms > 0 ? 20 * std::log10(rms) : -200;
}

inline void Fft(std::vector<std::complex<double>>& x) {
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = -2 * M_PI / double(len);
        const std::complex<double> wl(std::cos(ang), std::sin(ang));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (size_t k = 0; k < len / 2; ++k) {
                auto u = x[i + k], v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
                w *= wl;
            }
        }
    }
}

// Spectral centroid in Hz of the signal, averaged over Hann-windowed frames of 4096.
inline double CentroidHz(std::span<const float> a, double sampleRate) {
    const size_t n = 4096;
    double weighted = 0, total = 0;
    for (size_t start = 0; start + n <= a.size(); start += n / 2) {
        std::vector<std::complex<double>> x(n);
        for (size_t i = 0; i < n; ++i)
            x[i] = a[start + i] * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n - 1)));
        Fft(x);
        for (size_t k = 1; k < n / 2; ++k) {
            const double mag = std::abs(x[k]);
            weighted += mag * double(k) * sampleRate / double(n);
            total += mag;
        }
    }
    return total > 0 ? weighted / total : 0;
}

// The strongest frequency of the signal in Hz (for pitch checks).
inline double PeakHz(std::span<const float> a, double sampleRate) {
    size_t n = 1;
    while (n * 2 <= a.size() && n < 65536)
        n *= 2;
    std::vector<std::complex<double>> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = a[i] * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n - 1)));
    Fft(x);
    size_t best = 1;
    for (size_t k = 1; k < n / 2; ++k)
        if (std::abs(x[k]) > std::abs(x[best])) best = k;
    return double(best) * sampleRate / double(n);
}

} // namespace audio
