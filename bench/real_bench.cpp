// Figures for the real-number output and the recurrence option, on a
// headless console: the time of one con_write_real call and of one
// compute_recurrence call (its output line included) for several n.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "con_real.h"
#include "console_host.h"
#include "menu.h"

namespace {

using Clock = std::chrono::steady_clock;

double nanoseconds_since(Clock::time_point start, long calls) {
    const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
    return elapsed.count() / static_cast<double>(calls);
}

// A spread of magnitudes: ordinary values, both ends of the double range,
// and values that take the single-step path past 10^128.
void bench_write_real() {
    const long double values[] = {1.5, -2.25, 0.3, 2.0 / 3.0, 123456789.0, 1e-300, 1e300, 0.0};
    const long calls = 400000;
    console_host_open(80, 25);
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < calls; ++i) con_write_real(values[i % 8]);
    std::printf("con_write_real: %.0f ns per call (%ld calls, mixed values)\n",
                nanoseconds_since(start, calls), calls);
}

void bench_recurrence(int32_t n, long calls) {
    console_host_open(80, 25);
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < calls; ++i) compute_recurrence(n);
    std::printf("compute_recurrence(%d): %.0f ns per call (%ld calls)\n", n,
                nanoseconds_since(start, calls), calls);
}

} // namespace

int main() {
    bench_write_real();
    bench_recurrence(10, 100000);
    bench_recurrence(1473, 20000);
    bench_recurrence(1000000, 20000);
    bench_recurrence(2147483647, 20000);
    return 0;
}
