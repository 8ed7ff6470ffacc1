// The in-process figures of the Linux console's own parts: the renderer's
// terminal bytes for the painted menu and key decoding (the figures through
// the public routines are in inprocess_bench.cpp). `make bench` runs them
// with repetitions and reports the median and the spread.
#include <benchmark/benchmark.h>

#include <string>

#include "con_output.h"
#include "console_host.h"
#include "console_object.h"
#include "key_decoder.h"
#include "menu.h"
#include "mutex.h"
#include "renderer.h"

namespace {

using namespace posix_console;

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
        renderer.render(console().screen.cell_rows(), codepage, out);
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
    renderer.render(console().screen.cell_rows(), codepage, out);
    char mark = 'X';
    for (auto _ : state) {
        con_goto(12, 40);
        con_write_char(mark ^= 'X' ^ 'O');
        out.clear();
        renderer.render(console().screen.cell_rows(), codepage, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(render_one_cell);

// The console's lock as the write loop takes it, a short line a time, with
// nobody else wanting it: the spin lock it has, against a mutex. (Under the
// i386 emulator: 585 against 640 ns a line.)

template <typename Lock> void write_loop_lock(benchmark::State &state) {
    Lock lock;
    ScreenBuffer screen(80, 25);
    const unsigned char line[] = "line 12345\r\n";
    for (auto _ : state) {
        lock.lock();
        screen.write_processed(line, sizeof line - 1);
        lock.unlock();
    }
    benchmark::DoNotOptimize(screen.version());
}
void write_loop_mutex(benchmark::State &state) {
    write_loop_lock<Mutex>(state);
}
void write_loop_spin_lock(benchmark::State &state) {
    write_loop_lock<SpinLock>(state);
}
BENCHMARK(write_loop_mutex);
BENCHMARK(write_loop_spin_lock);

// A terminal's bytes as typing and pasting bring them: text, cursor and
// modified keys, UTF-8, a bracketed paste.
void decode_keys(benchmark::State &state) {
    std::string bytes;
    for (int i = 0; i < 16; ++i)
        bytes += "hello 42\r\x1b[A\x1b[1;5C\x1bOP\xc3\xa9\xe4\xb8\xad\x7f\x1b[200~pasted\x1b[201~";
    DecoderOptions options;
    for (auto _ : state) {
        DecoderState decoder;
        key_decoder_drain(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), true,
                          options, decoder, [](const DecodedKey &key, DecodeResult) {
                              benchmark::DoNotOptimize(key.count);
                          });
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(decode_keys);

} // namespace

BENCHMARK_MAIN();
