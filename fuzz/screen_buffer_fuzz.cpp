// The screen buffer's processed output and region operations, against a
// model written the plain way: rows that really move on a scroll, one cell
// at a time. After every operation both must hold the same cells and cursor.
// And text cut into writes anywhere shows as the same text written whole, in
// code page 950 and in UTF-8.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

#include "codepage.h"
#include "fuzz_check.h"
#include "screen_buffer.h"

namespace {

using namespace posix_console;

struct Model {
    int columns, rows;
    std::vector<std::vector<Cell>> cells;
    int x = 0, y = 0;
    WORD attribute = DEFAULT_ATTRIBUTE;

    Model(int c, int r) : columns(c), rows(r), cells(r, std::vector<Cell>(c, Cell{' ', 7})) {}

    void line_feed() {
        x = 0;
        if (y + 1 < rows) {
            ++y;
            return;
        }
        cells.erase(cells.begin());
        cells.push_back(std::vector<Cell>(columns, Cell{' ', attribute}));
    }
    void put(unsigned char byte) {
        cells[y][x] = Cell{byte, attribute};
        if (++x == columns) line_feed();
    }
    void write(unsigned char byte) {
        switch (byte) {
        case '\r': x = 0; break;
        case '\n': line_feed(); break;
        case '\b': x = x > 0 ? x - 1 : 0; break;
        case '\a': break;
        case '\0': put(' '); break;
        case '\t':
            // Blanks to the next multiple of eight, or to the end of the row.
            for (int stop = x - x % 8 + 8; x < stop && x < columns;) {
                bool last = x == columns - 1;
                put(' ');
                if (last) break;
            }
            break;
        default: put(byte); break;
        }
    }
    // The cell that a region operation reaches `offset` cells after `at`.
    Cell &at(COORD start, int offset) {
        int linear = start.Y * columns + start.X + offset;
        return cells[linear / columns][linear % columns];
    }
};

void check_same(const ScreenBuffer &buffer, const Model &model) {
    FUZZ_CHECK(buffer.cursor().X == model.x && buffer.cursor().Y == model.y);
    for (int r = 0; r < model.rows; ++r)
        for (int c = 0; c < model.columns; ++c) FUZZ_CHECK(buffer.cell(r, c) == model.cells[r][c]);
}

int region_room(const Model &model, COORD at) {
    if (at.X < 0 || at.Y < 0 || at.X >= model.columns || at.Y >= model.rows) return 0;
    return model.columns * model.rows - (at.Y * model.columns + at.X);
}

// Two buffers in the same code page: one takes the text whole, the other in
// pieces cut where the input says; they must end the same.
void check_cut_anywhere(FuzzedDataProvider &input, int columns, int rows) {
    static CodePage big5(950);
    static CodePage utf8(UTF8_CODEPAGE);
    CodePage &codepage = input.ConsumeBool() ? utf8 : big5;
    ScreenBuffer whole(columns, rows), cut(columns, rows);
    DWORD mode = input.ConsumeBool() ? ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT
                                     : ENABLE_WRAP_AT_EOL_OUTPUT;
    for (ScreenBuffer *buffer : {&whole, &cut}) {
        buffer->set_lead_bytes(codepage.lead_bytes());
        buffer->set_utf8(codepage.is_utf8());
        buffer->set_mode(mode);
    }
    std::vector<uint8_t> text = input.ConsumeBytes<uint8_t>(input.ConsumeIntegral<uint8_t>());
    whole.write_processed(text.data(), text.size());
    for (size_t at = 0; at < text.size();) {
        size_t piece = std::min(text.size() - at, input.ConsumeIntegralInRange<size_t>(0, 5));
        cut.write_processed(text.data() + at, piece);
        at += piece;
        if (input.remaining_bytes() == 0 && at < text.size()) {
            cut.write_processed(text.data() + at, text.size() - at);
            break;
        }
    }
    FUZZ_CHECK(whole.cursor().X == cut.cursor().X && whole.cursor().Y == cut.cursor().Y);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) FUZZ_CHECK(whole.cell(r, c) == cut.cell(r, c));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    int columns = input.ConsumeIntegralInRange(1, 90);
    int rows = input.ConsumeIntegralInRange(1, 30);
    ScreenBuffer buffer(columns, rows);
    Model model(columns, rows);
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 6)) {
        case 0: {
            std::vector<uint8_t> text =
                input.ConsumeBytes<uint8_t>(input.ConsumeIntegral<uint8_t>());
            buffer.write_processed(text.data(), text.size());
            for (uint8_t b : text) model.write(b);
            break;
        }
        case 1: {
            WORD attribute = input.ConsumeIntegral<uint16_t>();
            buffer.set_attribute(attribute);
            model.attribute = attribute;
            break;
        }
        case 2: {
            COORD to{static_cast<SHORT>(input.ConsumeIntegralInRange(-2, 92)),
                     static_cast<SHORT>(input.ConsumeIntegralInRange(-2, 32))};
            bool inside = region_room(model, to) > 0;
            FUZZ_CHECK(buffer.set_cursor(to) == inside);
            if (inside) model.x = to.X, model.y = to.Y;
            break;
        }
        case 3: { // raw bytes into a region, then read back
            COORD at{static_cast<SHORT>(input.ConsumeIntegralInRange(-1, 91)),
                     static_cast<SHORT>(input.ConsumeIntegralInRange(-1, 31))};
            std::vector<uint8_t> bytes =
                input.ConsumeBytes<uint8_t>(input.ConsumeIntegral<uint16_t>() % 3000);
            DWORD n = buffer.write_bytes(at, bytes.data(), static_cast<DWORD>(bytes.size()));
            FUZZ_CHECK(static_cast<int>(n) == std::min<int>(bytes.size(), region_room(model, at)));
            for (DWORD i = 0; i < n; ++i) model.at(at, static_cast<int>(i)).ch = bytes[i];
            std::vector<unsigned char> back(bytes.size() + 1);
            FUZZ_CHECK(buffer.read_bytes(at, back.data(), static_cast<DWORD>(back.size())) ==
                       static_cast<DWORD>(std::min<int>(back.size(), region_room(model, at))));
            break;
        }
        case 4: {
            COORD at{static_cast<SHORT>(input.ConsumeIntegralInRange(0, 90)),
                     static_cast<SHORT>(input.ConsumeIntegralInRange(0, 30))};
            size_t count = input.ConsumeIntegralInRange<size_t>(0, 3000);
            WORD attribute = input.ConsumeIntegral<uint16_t>();
            std::vector<WORD> attributes(count, attribute);
            DWORD n = buffer.write_attributes(at, attributes.data(), static_cast<DWORD>(count));
            FUZZ_CHECK(static_cast<int>(n) == std::min<int>(count, region_room(model, at)));
            for (DWORD i = 0; i < n; ++i) model.at(at, static_cast<int>(i)).attribute = attribute;
            break;
        }
        case 5: {
            columns = input.ConsumeIntegralInRange(1, 90);
            rows = input.ConsumeIntegralInRange(1, 30);
            buffer.reset(columns, rows);
            model = Model(columns, rows);
            break;
        }
        case 6: check_cut_anywhere(input, columns, rows); break;
        }
        check_same(buffer, model);
    }
    return 0;
}
