#pragma once
// Forced into the engine sources of the fuzz build only. The engine computes some of its tables at compile
// time with <cmath> functions, which GCC evaluates as constant expressions and clang does not; here they get
// constexpr stand-ins (series accurate to about 1e-15, enough for tables rounded to integers).

#include <cmath>
#include <cstdint>

namespace cantavo_fuzz_math {

constexpr double kLn2 = 0.69314718055994530942;
constexpr double kPi = 3.14159265358979323846;

constexpr double Floor(double x) {
    const double truncated = static_cast<double>(static_cast<int64_t>(x));
    return truncated > x ? truncated - 1 : truncated;
}

constexpr double Exp(double x) {
    const double k = Floor(x / kLn2 + 0.5);
    const double r = x - k * kLn2;
    double term = 1, sum = 1;
    for (int n = 1; n < 30; ++n) {
        term *= r / n;
        sum += term;
    }
    double scale = 1;
    for (int i = 0; i < static_cast<int>(k < 0 ? -k : k); ++i) scale *= 2;
    return k < 0 ? sum / scale : sum * scale;
}

constexpr double Log(double x) {
    int exponent = 0;
    while (x >= 2) {
        x /= 2;
        ++exponent;
    }
    while (x < 1) {
        x *= 2;
        --exponent;
    }
    const double y = (x - 1) / (x + 1);
    double term = y, sum = 0;
    for (int n = 1; n < 80; n += 2) {
        sum += term / n;
        term *= y * y;
    }
    return 2 * sum + exponent * kLn2;
}

constexpr double Pow(double base, double exponent) {
    return base == 0 ? 0 : Exp(exponent * Log(base));
}
constexpr double Exp2(double x) {
    return Exp(x * kLn2);
}

constexpr double Sin(double x) {
    x -= 2 * kPi * Floor(x / (2 * kPi));
    if (x > kPi) x -= 2 * kPi;
    double term = x, sum = x;
    for (int n = 1; n < 30; ++n) {
        term *= -x * x / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

}  // namespace cantavo_fuzz_math

namespace std {
constexpr double cantavo_pow(double b, double e) {
    return cantavo_fuzz_math::Pow(b, e);
}
constexpr double cantavo_exp2(double x) {
    return cantavo_fuzz_math::Exp2(x);
}
constexpr double cantavo_floor(double x) {
    return cantavo_fuzz_math::Floor(x);
}
constexpr double cantavo_sin(double x) {
    return cantavo_fuzz_math::Sin(x);
}
}  // namespace std

#define pow cantavo_pow
#define exp2 cantavo_exp2
#define floor cantavo_floor
#define sin cantavo_sin
