// The in-process figures that go only through the runtime's public routines,
// for both targets: painting the menu, real-number output, the recurrence
// and a clear of a tall buffer. On Linux they run on our console with no
// terminal behind it; on Windows on the process's real console. `make bench`
// runs them with repetitions and reports the median and the spread.
#include <benchmark/benchmark.h>

#include "con_output.h"
#include "con_real.h"
#include "console_host.h"
#include "menu.h"

namespace {

// The menu through the runtime's calls into an 80 x 25 buffer.
void paint_into_buffer(benchmark::State &state) {
    console_host_open(80, 25);
    for (auto _ : state) paint_menu();
}
BENCHMARK(paint_into_buffer);

// Ordinary values, both ends of the double range, the single-step path.
void write_real(benchmark::State &state) {
    const long double values[] = {1.5, -2.25, 0.3, 2.0 / 3.0, 123456789.0, 1e-300, 1e300, 0.0};
    console_host_open(80, 25);
    unsigned i = 0;
    for (auto _ : state) con_write_real(values[i++ % 8]);
}
BENCHMARK(write_real);

void recurrence(benchmark::State &state) {
    console_host_open(80, 25);
    for (auto _ : state) compute_recurrence(static_cast<int32_t>(state.range(0)));
}
BENCHMARK(recurrence)->Arg(10)->Arg(1473)->Arg(1000000)->Arg(2147483647);

void clear_tall_buffer(benchmark::State &state) {
    console_host_open(120, 9001);
    con_set_color(0x1F);
    for (auto _ : state) con_clear_screen();
}
BENCHMARK(clear_tall_buffer)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
