// A program that polls for keys while it draws: a character moving one
// column a frame, 60 frames a second on absolute deadlines, con_poll_key in
// a loop between frames. Run in a terminal (bench/menu_input_bench.py
// --frames); prints to standard error the frames it drew a second and how
// late each frame started.
//   frame_poll_posix_bench SECONDS
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "con_input.h"
#include "win32.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto FRAME = std::chrono::microseconds(16667);

void draw(HANDLE out, int frame) {
    DWORD written = 0;
    SHORT column = static_cast<SHORT>(frame % 60);
    SetConsoleCursorPosition(out, COORD{static_cast<SHORT>((column + 59) % 60), 5});
    WriteConsoleA(out, " ", 1, &written, nullptr);
    SetConsoleCursorPosition(out, COORD{column, 5});
    WriteConsoleA(out, "@", 1, &written, nullptr);
}

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 5.0;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::vector<double> late;
    const Clock::time_point start = Clock::now();
    Clock::time_point due = start;
    int frames = 0;
    while (milliseconds(Clock::now() - start) < seconds * 1000) {
        while (Clock::now() < due) con_poll_key(nullptr);
        late.push_back(milliseconds(Clock::now() - due));
        draw(out, frames++);
        due += FRAME;
    }
    double elapsed = milliseconds(Clock::now() - start) / 1000;
    std::sort(late.begin(), late.end());
    fprintf(stderr,
            "polling while drawing: %d frames in %.2f s = %.2f a second; frame start late by "
            "median %.3f ms, 99th percentile %.3f ms\n",
            frames, elapsed, frames / elapsed, late[late.size() / 2],
            late[std::min(late.size() - 1, late.size() * 99 / 100)]);
    return 0;
}
