// Reads a fuzzer's bytes as a stream of choices; past the end every read yields zeros, so any
// input, the empty one included, decodes to a complete run.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace hardening {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : p_(data), n_(size) {}

    bool empty() const { return n_ == 0; }
    std::uint8_t u8() {
        if (n_ == 0) return 0;
        n_--;
        return *p_++;
    }
    std::uint16_t u16() { return (std::uint16_t)(u8() | (u8() << 8)); }
    std::uint64_t u64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; i++)
            v |= (std::uint64_t)u8() << (8 * i);
        return v;
    }

    // A double that reaches the interesting values often: table entries (NaN, infinities, subnormals,
    // the extremes, values at the clamps), any bit pattern, or a multiple of 1/4 in [-8192, 8192).
    double number() {
        const std::uint8_t kind = u8();
        if (kind < 128) return special(u8());
        if (kind < 192) {
            const std::uint64_t bits = u64();
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        return (double)(std::int16_t)u16() / 4.0;
    }

    static double special(std::uint8_t i) {
        constexpr double inf = std::numeric_limits<double>::infinity();
        static const double kTable[] = {
            0.0,
            -0.0,
            1.0,
            -1.0,
            0.5,
            std::nan(""),
            -std::nan(""),
            inf,
            -inf,
            std::numeric_limits<double>::min(),
            std::numeric_limits<double>::denorm_min(),
            -std::numeric_limits<double>::denorm_min(),
            std::numeric_limits<double>::max(),
            -std::numeric_limits<double>::max(),
            1e300,
            -1e300,
            1e-300,
            // periods around the smallest ones and around the default maxDelay
            2.0,
            2.5,
            2.9999999999999996,
            3.0,
            3.5,
            3.9999999999999996,
            4.0,
            4.5,
            5.0,
            5.5,
            50.0,
            100.25,
            8191.0,
            8192.0,
            8192.5,
            8193.0,
            8194.0,
            8196.0,
            8197.0,
            20000.0,
            1e9,
            // gains around the bounds
            0.99999,
            -0.99999,
            0.9999900000000001,
            -0.9999900000000001,
            0.999999,
            1.00001,
            0.9,
            0.99,
            -0.5,
            // sample rates and integers at the width limits
            44100.0,
            48000.0,
            96000.0,
            1.0,
            0.9999999999999999,
            2147483647.0,
            2147483648.0,
            4294967296.0,
            9007199254740992.0,
            9.2233720368547758e18,
            -9.2233720368547758e18,
        };
        return kTable[i % (sizeof kTable / sizeof kTable[0])];
    }

  private:
    const std::uint8_t *p_;
    std::size_t n_;
};

} // namespace hardening
