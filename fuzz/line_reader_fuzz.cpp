// The line reader: keys in, lines out through reads of random sizes. Every
// read gives at most what was asked, the pieces of a line are the line and
// its line end, and the echo on the screen is the line as delivered, in the
// console's own layout, wherever the buffer's size made it wrap and scroll.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "codepage.h"
#include "console_host.h"
#include "console_screen.h"
#include "fuzz_check.h"
#include "line_reader.h"
#include "win32.h"

namespace {

using console_screen::key_event;

const INPUT_RECORD EDITING_KEYS[] = {
    key_event(true, VK_LEFT, 0x4B, 0, ENHANCED_KEY),
    key_event(true, VK_RIGHT, 0x4D, 0, ENHANCED_KEY),
    key_event(true, VK_HOME, 0x47, 0, ENHANCED_KEY),
    key_event(true, VK_END, 0x4F, 0, ENHANCED_KEY),
    key_event(true, VK_INSERT, 0x52, 0, ENHANCED_KEY),
    key_event(true, VK_DELETE, 0x53, 0, ENHANCED_KEY),
    key_event(true, VK_UP, 0x48, 0, ENHANCED_KEY),
    key_event(true, VK_DOWN, 0x50, 0, ENHANCED_KEY),
    key_event(true, VK_PRIOR, 0x49, 0, ENHANCED_KEY),
    key_event(true, VK_NEXT, 0x51, 0, ENHANCED_KEY),
    key_event(true, VK_LEFT, 0x4B, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
    key_event(true, VK_RIGHT, 0x4D, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
    key_event(true, VK_HOME, 0x47, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
    key_event(true, VK_END, 0x4F, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
    key_event(true, VK_BACK, 0x0E, 0x7F, LEFT_CTRL_PRESSED),
    key_event(true, VK_ESCAPE, 0x01, 0x1B, 0),
};
constexpr uint8_t EDITING_PREFIX = 0xFF;

// The cells a line shows as from column `first`: control bytes as ^X, a
// tab as blanks to the next multiple of eight within the row. A double-byte
// character (or a lead byte that ends the line) never starts in the last
// column: that cell stays blank.
std::string layout(const std::string &line, int first, int width,
                   const posix_console::CodePage &codepage) {
    std::string cells;
    bool begins = true;
    for (size_t i = 0; i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        int column = static_cast<int>((first + cells.size()) % width);
        bool lead = begins && codepage.is_lead_byte(c);
        begins = !lead;
        if (lead && width > 1 && column == width - 1) {
            cells += ' ';
            column = 0;
        }
        if (c == '\t')
            cells.append(std::min(8 - column % 8, width - column), ' ');
        else if (c < 0x20 || c == 0x7F)
            cells += std::string("^") + static_cast<char>(c == 0x7F ? '?' : c + '@');
        else
            cells += static_cast<char>(c);
    }
    return cells;
}

// Sends keys up to the next Enter (or to the end of the input, then Enter).
void send_line(FuzzedDataProvider &input) {
    HANDLE in = console_screen::input();
    for (;;) {
        INPUT_RECORD key = key_event(true, VK_RETURN, 0x1C, '\r');
        if (input.remaining_bytes() > 0) {
            uint8_t byte = input.ConsumeIntegral<uint8_t>();
            if (byte == EDITING_PREFIX)
                key = EDITING_KEYS[input.ConsumeIntegral<uint8_t>() % std::size(EDITING_KEYS)];
            else
                key = key_event(true, byte == '\b' ? VK_BACK : 0, 0, static_cast<char>(byte));
        }
        DWORD written = 0;
        FUZZ_CHECK(WriteConsoleInputA(in, &key, 1, &written) && written == 1);
        if (key.Event.KeyEvent.uChar.AsciiChar == '\r') return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int columns = input.ConsumeIntegralInRange(1, 40);
    const int rows = input.ConsumeIntegralInRange(1, 8);
    setenv("CONRT_CODEPAGE", "950", 1);
    static const posix_console::CodePage codepage(950);
    console_host_open(columns, rows);
    HANDLE in = console_screen::input();
    const bool processed = input.ConsumeBool();
    FUZZ_CHECK(SetConsoleMode(in, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                      (processed ? ENABLE_PROCESSED_INPUT : 0)));
    const std::string end = processed ? "\r\n" : "\r";
    for (int lines = 0; lines < 60 && input.remaining_bytes() > 0; ++lines) {
        COORD origin = console_screen::cursor();
        send_line(input);
        std::string line;
        while (line.size() < end.size() ||
               line.compare(line.size() - end.size(), end.size(), end)) {
            DWORD want = input.ConsumeIntegralInRange<DWORD>(1, 100);
            std::string piece(want, '\xCC');
            DWORD got = 0;
            FUZZ_CHECK(ReadConsoleA(in, piece.data(), want, &got, nullptr));
            FUZZ_CHECK(got >= 1 && got <= want);
            line.append(piece, 0, got);
        }
        line.resize(line.size() - end.size());
        FUZZ_CHECK(line.find_first_of(std::string("\r\n\x1b\0", 4)) == std::string::npos);
        FUZZ_CHECK(line.size() <= size);

        // The echo ends on the row above the cursor, which the line end's CR
        // LF put at the start of a row; the line's first cell is in the
        // column the read began at, however far the buffer scrolled since.
        std::string cells = layout(line, origin.X, columns, codepage);
        COORD now = console_screen::cursor();
        FUZZ_CHECK(now.X == 0);
        long end = static_cast<long>(now.Y - 1) * columns + (origin.X + cells.size()) % columns;
        long start = end - static_cast<long>(cells.size());
        long skip = std::max(0L, -start); // the part scrolled off the top
        if (skip < static_cast<long>(cells.size())) {
            long at = start + skip;
            std::string shown =
                console_screen::text(static_cast<int>(at / columns), static_cast<int>(at % columns),
                                     static_cast<int>(cells.size() - skip));
            FUZZ_CHECK(shown == cells.substr(skip));
        }
    }
    return 0;
}
