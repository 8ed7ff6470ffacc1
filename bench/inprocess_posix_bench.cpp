// The in-process figures on Google Benchmark: painting the menu into the
// screen buffer and rendering it as terminal bytes, real-number output, the
// recurrence, a clear of a tall buffer and key decoding. `make bench` runs
// them with repetitions and reports mean, median and spread.
#include <benchmark/benchmark.h>

#include <string>

#include "con_output.h"
#include "con_real.h"
#include "console_host.h"
#include "console_object.h"
#include "key_decoder.h"
#include "menu.h"
#include "renderer.h"

namespace {

using namespace posix_console;

// The menu through the runtime's calls into an 80 x 25 buffer.
void paint_into_buffer(benchmark::State &state) {
    console_host_open(80, 25);
    for (auto _ : state) paint_menu();
}
BENCHMARK(paint_into_buffer);

// The painted menu as terminal bytes, from a cleared terminal.
void render_first_paint(benchmark::State &state) {
    console_host_open(80, 25);
    paint_menu();
    CodePage codepage(950);
    std::string out;
    for (auto _ : state) {
        Renderer renderer;
        out.clear();
        renderer.clear(80, 25, out);
        renderer.render(console().screen, codepage, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(render_first_paint);

// One cell changed on the painted menu: what a moving character costs.
void render_one_cell(benchmark::State &state) {
    console_host_open(80, 25);
    paint_menu();
    CodePage codepage(950);
    Renderer renderer;
    std::string out;
    renderer.clear(80, 25, out);
    renderer.render(console().screen, codepage, out);
    char mark = 'X';
    for (auto _ : state) {
        con_goto(12, 40);
        con_write_char(mark ^= 'X' ^ 'O');
        out.clear();
        renderer.render(console().screen, codepage, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(render_one_cell);

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

// A terminal's bytes as typing and pasting bring them: text, cursor and
// modified keys, UTF-8, a bracketed paste.
void decode_keys(benchmark::State &state) {
    std::string bytes;
    for (int i = 0; i < 16; ++i)
        bytes += "hello 42\r\x1b[A\x1b[1;5C\x1bOP\xc3\xa9\xe4\xb8\xad\x7f\x1b[200~pasted\x1b[201~";
    DecoderOptions options;
    for (auto _ : state) {
        DecoderState decoder;
        size_t at = 0;
        while (at < bytes.size()) {
            DecodedKey key;
            DecodeResult r =
                key_decoder_decode(reinterpret_cast<const unsigned char *>(bytes.data()) + at,
                                   bytes.size() - at, true, options, decoder, key);
            benchmark::DoNotOptimize(key.count);
            at += r.consumed;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(decode_keys);

} // namespace

BENCHMARK_MAIN();
