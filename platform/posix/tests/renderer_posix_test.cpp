// The renderer against small screens: golden escape output built from named
// helpers, every attribute change checked against a model of how a terminal
// applies SGR, and every cursor move against a model of the cursor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codepage.h"
#include "renderer.h"
#include "screen_buffer.h"

namespace posix_console {
namespace {

// ---- named pieces of terminal output ----

std::string csi(const std::string &body) {
    return "\x1b[" + body;
}

// Cursor to a 0-based cell; the terminal counts from 1.
std::string cup(int row, int column) {
    if (row == 0 && column == 0) return csi("H");
    return csi(std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H");
}

std::string sgr(std::initializer_list<int> parameters) {
    std::string body;
    for (int p : parameters) body += (body.empty() ? "" : ";") + std::to_string(p);
    return csi(body + "m");
}

std::string sgr_reset() {
    return csi("m");
}
std::string clear_screen() {
    return sgr_reset() + csi("H") + csi("2J");
}
std::string cursor_right(int n) {
    return csi(n == 1 ? "C" : std::to_string(n) + "C");
}
std::string show_cursor() {
    return csi("?25h");
}

const std::string ELLIPSIS = "\xE2\x80\xA6";
const std::string REPLACEMENT = "\xEF\xBF\xBD";
const std::string SMILEY = "\xE2\x98\xBA";
const std::string CJK_ONE = "\xE4\xB8\x80"; // Big5 A4 40

void put(ScreenBuffer &screen, int row, int column, const std::string &bytes, WORD attribute) {
    screen.set_cursor(COORD{static_cast<SHORT>(column), static_cast<SHORT>(row)});
    screen.set_attribute(attribute);
    screen.write_processed(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
}

class RendererGolden : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string ignored;
        renderer.clear(COLUMNS, ROWS, ignored);
        EXPECT_EQ(ignored, clear_screen());
    }

    std::string render() {
        std::string out;
        renderer.render(screen.cell_rows(), codepage, out);
        return out;
    }

    static constexpr int COLUMNS = 10;
    static constexpr int ROWS = 4;
    ScreenBuffer screen{COLUMNS, ROWS};
    CodePage codepage{950};
    Renderer renderer;
};

TEST_F(RendererGolden, BlankBufferOnClearedTerminalSendsNothing) {
    EXPECT_EQ(render(), "");
}

TEST_F(RendererGolden, DefaultTextNeedsNoColourAndNoMove) {
    put(screen, 0, 0, "Hi", 0x07);
    EXPECT_EQ(render(), "Hi");
}

TEST_F(RendererGolden, ColouredCellGoesThereInItsColours) {
    put(screen, 2, 5, "A", 0x1F);
    EXPECT_EQ(render(), cup(2, 5) + sgr({97, 44}) + "A");
}

TEST_F(RendererGolden, SecondRenderWithoutChangeSendsNothing) {
    put(screen, 1, 1, "abc", 0x2E);
    render();
    EXPECT_EQ(render(), "");
}

TEST_F(RendererGolden, OnlyTheChangedCellIsSent) {
    put(screen, 1, 0, "abcdef", 0x1F);
    screen.set_cursor(COORD{0, 3});
    render();
    put(screen, 1, 3, "X", 0x1F);
    screen.set_cursor(COORD{0, 3});
    EXPECT_EQ(render(), cup(1, 3) + "X" + csi("2B") + "\r");
}

TEST_F(RendererGolden, ColourChangeOfABlankIsSent) {
    WORD on_blue = 0x17;
    screen.write_attributes(COORD{4, 0}, &on_blue, 1);
    EXPECT_EQ(render(), cursor_right(4) + sgr({44}) + " \r");
}

TEST_F(RendererGolden, BackToDefaultColoursIsAReset) {
    put(screen, 0, 0, "a", 0x1F);
    put(screen, 0, 1, "b", 0x07);
    EXPECT_EQ(render(), sgr({97, 44}) + "a" + sgr_reset() + "b");
}

TEST_F(RendererGolden, Big5EllipsisFillsItsTwoCells) {
    put(screen, 0, 0, "\xA1\x4B!", 0x07);
    EXPECT_EQ(render(), ELLIPSIS + " !");
}

TEST_F(RendererGolden, WideCharacterCoversItsTwoCellsAlone) {
    put(screen, 0, 0, "\xA4\x40!", 0x07);
    EXPECT_EQ(render(), CJK_ONE + "!");
}

TEST_F(RendererGolden, ChangedSecondHalfRedrawsTheWholeCharacter) {
    put(screen, 0, 0, "\xA4\x40", 0x07);
    render();
    put(screen, 0, 1, "Z", 0x07);
    // A4 5A is another character: both cells go out again as one.
    std::string expected = "\r" + std::string(codepage.pair_glyph(0xA4, 0x5A));
    EXPECT_EQ(render(), expected);
}

TEST_F(RendererGolden, BrokenPairRedrawsBothCells) {
    put(screen, 0, 0, "\xA1\x4B", 0x07);
    render();
    put(screen, 0, 0, "x", 0x07);
    EXPECT_EQ(render(), "\rxK\b");
}

TEST_F(RendererGolden, LeadByteWithoutPartnerIsAReplacement) {
    put(screen, 0, 9, "\xA1", 0x07);
    EXPECT_EQ(render(), cursor_right(9) + REPLACEMENT + cup(1, 0));
}

TEST_F(RendererGolden, ControlBytesShowAsTheirGlyphs) {
    unsigned char raw[] = {0x01, 0x00};
    screen.write_bytes(COORD{0, 0}, raw, 2);
    EXPECT_EQ(render(), SMILEY + " \r");
}

TEST_F(RendererGolden, TextInTheLastColumnForgetsTheCursor) {
    put(screen, 0, 8, "ab", 0x07);
    screen.set_cursor(COORD{9, 0});
    // After the last column the terminal may hold a pending wrap, so the
    // cursor goes back by absolute position.
    EXPECT_EQ(render(), cursor_right(8) + "ab" + cup(0, 9));
}

TEST_F(RendererGolden, ClearAgainRepaintsEverything) {
    put(screen, 0, 0, "ab", 0x07);
    render();
    std::string out;
    renderer.clear(COLUMNS, ROWS, out);
    renderer.render(screen.cell_rows(), codepage, out);
    EXPECT_EQ(out, clear_screen() + "ab");
}

TEST_F(RendererGolden, BufferLargerThanTheTerminalIsClipped) {
    ScreenBuffer big(20, 8);
    put(big, 0, 8, "abcd", 0x07);
    put(big, 6, 0, "hidden", 0x07);
    big.set_cursor(COORD{15, 7});
    std::string out;
    renderer.render(big.cell_rows(), codepage, out);
    EXPECT_EQ(out, cursor_right(8) + "ab" + cup(ROWS - 1, COLUMNS - 1));
}

TEST_F(RendererGolden, ShortGapInTheColoursInForceIsWrittenAgain) {
    put(screen, 0, 0, "a b", 0x07);
    put(screen, 1, 0, "a    b", 0x07);
    screen.set_cursor(COORD{0, 2});
    EXPECT_EQ(render(), "a b\r\na" + cursor_right(4) + "b\r\n");
}

TEST_F(RendererGolden, RestoreGoesBelowTheLastOutput) {
    EXPECT_EQ(renderer.restore_text(), sgr_reset() + show_cursor() + cup(0, 0));
    put(screen, 2, 3, "x", 0x07);
    screen.set_cursor(COORD{0, 0});
    render();
    EXPECT_EQ(renderer.restore_text(), sgr_reset() + show_cursor() + cup(2, 0) + "\r\n");
    WORD coloured = 0x40;
    screen.write_attributes(COORD{9, 3}, &coloured, 1);
    render();
    EXPECT_EQ(renderer.restore_text(), sgr_reset() + show_cursor() + cup(3, 0) + "\r\n");
}

TEST(RendererRestore, BeforeAnyClearOnlyResetsAndShowsTheCursor) {
    Renderer renderer;
    EXPECT_EQ(renderer.restore_text(), sgr_reset() + show_cursor());
}

// ---- a terminal's SGR state, as a terminal applies the sequences ----

struct TerminalColours {
    int foreground = 39; // the SGR number in force: 39 and 49 are the defaults
    int background = 49;
};

// Applies every SGR sequence in text; fails on anything else.
void apply_sgr(const std::string &text, TerminalColours &colours) {
    size_t i = 0;
    while (i < text.size()) {
        ASSERT_EQ(text.compare(i, 2, "\x1b["), 0) << "not an SGR sequence: " << text;
        size_t end = text.find('m', i);
        ASSERT_NE(end, std::string::npos) << text;
        std::string body = text.substr(i + 2, end - i - 2);
        size_t start = 0;
        while (true) {
            size_t semi = body.find(';', start);
            std::string part =
                body.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
            int p = part.empty() ? 0 : std::stoi(part);
            if (p == 0) {
                colours = TerminalColours{};
            } else if ((p >= 30 && p <= 37) || (p >= 90 && p <= 97) || p == 39) {
                colours.foreground = p;
            } else if ((p >= 40 && p <= 47) || (p >= 100 && p <= 107) || p == 49) {
                colours.background = p;
            } else {
                ADD_FAILURE() << "unexpected SGR parameter " << p;
            }
            if (semi == std::string::npos) break;
            start = semi + 1;
        }
        i = end + 1;
    }
}

// Windows colour number to the SGR numbers a terminal should end up with.
constexpr int FOREGROUND_SGR[16] = {30, 34, 32, 36, 31, 35, 33, 39, 90, 94, 92, 96, 91, 95, 93, 97};
constexpr int BACKGROUND_SGR[16] = {49,  44,  42,  46,  41,  45,  43,  47,
                                    100, 104, 102, 106, 101, 105, 103, 107};

TEST(PenChange, EveryAttributeChangeLeavesTheTerminalInTheNewColours) {
    int checked = 0;
    for (int from = 0; from < 256; ++from) {
        TerminalColours start;
        std::string to_start;
        append_pen_change(DEFAULT_PEN, pen_of(static_cast<WORD>(from)), to_start);
        apply_sgr(to_start, start);
        for (int to = 0; to < 256; ++to) {
            TerminalColours colours = start;
            std::string change;
            append_pen_change(pen_of(static_cast<WORD>(from)), pen_of(static_cast<WORD>(to)),
                              change);
            apply_sgr(change, colours);
            if (colours.foreground != FOREGROUND_SGR[to & 0x0F] ||
                colours.background != BACKGROUND_SGR[to >> 4]) {
                ADD_FAILURE() << std::hex << "0x" << from << " -> 0x" << to << " sent "
                              << change.substr(1);
                return;
            }
            if (pen_of(static_cast<WORD>(from)) == pen_of(static_cast<WORD>(to))) {
                EXPECT_EQ(change, "");
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 65536);
}

TEST(PenChange, DefaultAttributeIsTheTerminalsOwnColours) {
    EXPECT_EQ(pen_of(0x07), DEFAULT_PEN);
    EXPECT_EQ(pen_of(0x4007), DEFAULT_PEN); // the high byte is not shown
}

TEST(PenChange, ShortestFormIsChosen) {
    std::string out;
    append_pen_change(pen_of(0x1F), pen_of(0x07), out);
    EXPECT_EQ(out, sgr_reset());
    out.clear();
    append_pen_change(pen_of(0x1F), pen_of(0x1E), out);
    EXPECT_EQ(out, sgr({93}));
    out.clear();
    append_pen_change(pen_of(0x1F), pen_of(0x0F), out);
    EXPECT_EQ(out, sgr({49}));
}

// ---- cursor moves, against a model of the terminal's cursor ----

struct CursorModel {
    int row;
    int column;
};

void apply_moves(const std::string &text, CursorModel &at) {
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r') {
            at.column = 0;
            ++i;
            continue;
        }
        if (c == '\n') {
            ++at.row;
            ++i;
            continue;
        }
        if (c == '\b') {
            if (at.column > 0) --at.column;
            ++i;
            continue;
        }
        ASSERT_EQ(text.compare(i, 2, "\x1b["), 0) << "unexpected byte in a move: " << text;
        size_t end = i + 2;
        while (end < text.size() &&
               (isdigit(static_cast<unsigned char>(text[end])) || text[end] == ';'))
            ++end;
        ASSERT_LT(end, text.size());
        std::string body = text.substr(i + 2, end - i - 2);
        int n = body.empty() ? 1 : std::stoi(body);
        switch (text[end]) {
        case 'A': at.row -= n; break;
        case 'B': at.row += n; break;
        case 'C': at.column += n; break;
        case 'D': at.column -= n; break;
        case 'H': {
            size_t semi = body.find(';');
            at.row = body.empty() ? 0 : std::stoi(body.substr(0, semi)) - 1;
            at.column = body.empty() ? 0 : std::stoi(body.substr(semi + 1)) - 1;
            break;
        }
        default: FAIL() << "unexpected move " << text;
        }
        i = end + 1;
    }
}

TEST(CursorMove, EveryMoveOnASmallScreenLandsOnItsTarget) {
    for (int from = 0; from < 12 * 12; ++from) {
        for (int to = 0; to < 12 * 12; ++to) {
            CursorPlace place{from / 12, from % 12, true};
            std::string move;
            append_cursor_move(place, to / 12, to % 12, move);
            CursorModel at{place.row, place.column};
            apply_moves(move, at);
            ASSERT_EQ(at.row, to / 12) << "move " << move.substr(1);
            ASSERT_EQ(at.column, to % 12) << "move " << move.substr(1);
            ASSERT_LE(move.size(), cup(to / 12, to % 12).size());
        }
    }
}

struct MoveCase {
    CursorPlace from;
    int row;
    int column;
    std::string expected;
};

TEST(CursorMove, ShortFormsAreUsed) {
    const MoveCase cases[] = {
        {{3, 4, true}, 3, 4, ""},         {{3, 4, true}, 3, 5, cursor_right(1)},
        {{3, 4, true}, 3, 3, "\b"},       {{3, 4, true}, 3, 0, "\r"},
        {{3, 4, true}, 4, 0, "\r\n"},     {{3, 4, true}, 0, 0, csi("H")},
        {{3, 4, false}, 3, 4, cup(3, 4)}, {{3, 4, true}, 9, 30, cup(9, 30)},
    };
    for (const MoveCase &c : cases) {
        std::string out;
        append_cursor_move(c.from, c.row, c.column, out);
        EXPECT_EQ(out, c.expected) << c.row << "," << c.column;
    }
}

// ---- a whole terminal, for renders of random screens ----

struct ShownCell {
    std::string glyph = " ";
    int foreground = 39;
    int background = 49;
    bool operator==(const ShownCell &) const = default;
};

// Enough of a terminal to follow the renderer: SGR, cursor moves, erase of
// the whole screen, CR, LF, BS and UTF-8 text. It never wraps: the renderer
// must never write past the last column.
class TerminalModel {
  public:
    TerminalModel(int columns, int rows)
        : columns_(columns), rows_(rows), cells_(static_cast<size_t>(columns * rows)) {}

    void apply(const std::string &bytes) {
        for (size_t i = 0; i < bytes.size();) i = step(bytes, i);
    }

    const ShownCell &at(int row, int column) const {
        return cells_[static_cast<size_t>(row * columns_ + column)];
    }

  private:
    size_t step(const std::string &bytes, size_t i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0x1B) return control_sequence(bytes, i);
        if (byte == '\r')
            column_ = 0;
        else if (byte == '\n')
            ++row_;
        else if (byte == '\b')
            column_ = std::max(column_ - 1, 0);
        else if (byte >= 0x20)
            return text(bytes, i);
        else
            ADD_FAILURE() << "unexpected control byte " << int(byte);
        EXPECT_LT(row_, rows_) << "the renderer scrolled the terminal";
        return i + 1;
    }

    size_t control_sequence(const std::string &bytes, size_t i) {
        EXPECT_EQ(bytes[i + 1], '[');
        size_t end = i + 2;
        while (end < bytes.size() && !isalpha(static_cast<unsigned char>(bytes[end]))) ++end;
        std::string body = bytes.substr(i + 2, end - i - 2);
        int n = body.empty() ? 1 : atoi(body.c_str());
        switch (bytes[end]) {
        case 'm': apply_sgr("\x1b[" + body + "m", colours_); break;
        case 'A': row_ -= n; break;
        case 'B': row_ += n; break;
        case 'C': column_ = std::min(column_ + n, columns_ - 1); break;
        case 'D': column_ = std::max(column_ - n, 0); break;
        case 'H': {
            size_t semi = body.find(';');
            row_ = body.empty() ? 0 : atoi(body.substr(0, semi).c_str()) - 1;
            column_ = body.empty() ? 0 : atoi(body.substr(semi + 1).c_str()) - 1;
            break;
        }
        case 'J':
            for (ShownCell &cell : cells_) cell = ShownCell{" ", 39, colours_.background};
            break;
        case 'h': break; // cursor shown
        default: ADD_FAILURE() << "unexpected sequence " << body << bytes[end];
        }
        pending_wrap_ = false;
        return end + 1;
    }

    size_t text(const std::string &bytes, size_t i) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        std::string glyph = bytes.substr(i, length);
        int width = glyph_columns(glyph);
        EXPECT_FALSE(pending_wrap_) << "text past the last column";
        EXPECT_LE(column_ + width, columns_);
        cells_[static_cast<size_t>(row_ * columns_ + column_)] =
            ShownCell{glyph, colours_.foreground, colours_.background};
        if (width == 2)
            cells_[static_cast<size_t>(row_ * columns_ + column_ + 1)] =
                ShownCell{"", colours_.foreground, colours_.background};
        column_ += width;
        if (column_ >= columns_) {
            column_ = columns_ - 1;
            pending_wrap_ = true;
        }
        return i + length;
    }

    int columns_;
    int rows_;
    std::vector<ShownCell> cells_;
    TerminalColours colours_;
    int row_ = 0;
    int column_ = 0;
    bool pending_wrap_ = false;
};

// What a cell of the buffer should look like: pairs are found from the
// left, a lead byte with no partner is a replacement character, a narrow
// character over two cells leaves a blank in the second, a wide one covers
// both in the colours of the first.
ShownCell expected_cell(const ScreenBuffer &screen, CodePage &codepage, int row, int column) {
    auto colours_of = [](const Cell &cell) {
        return ShownCell{"", FOREGROUND_SGR[cell.attribute & 0x0F],
                         BACKGROUND_SGR[(cell.attribute >> 4) & 0x0F]};
    };
    auto pair_at = [&](int c) {
        if (c + 1 >= screen.columns() ||
            !codepage.is_lead_byte(static_cast<unsigned char>(screen.cell(row, c).ch)))
            return std::string();
        return std::string(
            codepage.pair_glyph(static_cast<unsigned char>(screen.cell(row, c).ch),
                                static_cast<unsigned char>(screen.cell(row, c + 1).ch)));
    };
    int c = 0;
    while (c < column) c += pair_at(c).empty() ? 1 : 2;
    if (c > column) { // the second cell of a pair
        const Cell &first = screen.cell(row, column - 1);
        if (glyph_columns(pair_at(column - 1)) == 2) return colours_of(first);
        ShownCell blank = colours_of(screen.cell(row, column));
        blank.glyph = " ";
        return blank;
    }
    const Cell &cell = screen.cell(row, column);
    ShownCell shown = colours_of(cell);
    std::string pair = pair_at(column);
    if (!pair.empty())
        shown.glyph = pair;
    else if (cell.ch >= 0x80)
        shown.glyph = REPLACEMENT;
    else
        shown.glyph = std::string(1, static_cast<char>(cell.ch));
    return shown;
}

TEST(RendererOnATerminal, RandomChangesAlwaysLeaveTheTerminalShowingTheBuffer) {
    constexpr int COLUMNS = 12;
    constexpr int ROWS = 5;
    const WORD attributes[] = {0x07, 0x1F, 0x2E, 0x70, 0x0C, 0x17};
    const char *texts[] = {"a", "bc", " ", "  ", "\xA1\x4B", "\xA4\x40", "xyz"};
    ScreenBuffer screen(COLUMNS, ROWS);
    CodePage codepage(950);
    Renderer renderer;
    TerminalModel terminal(COLUMNS, ROWS);
    std::string out;
    renderer.clear(COLUMNS, ROWS, out);
    unsigned seed = 12345;
    auto next = [&](unsigned bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    for (int round = 0; round < 400; ++round) {
        for (int change = next(4); change >= 0; --change) {
            // Pairs never start in the last column: the emulator has no
            // half characters.
            std::string text = texts[next(7)];
            int column = static_cast<int>(next(COLUMNS - static_cast<unsigned>(text.size()) + 1));
            put(screen, static_cast<int>(next(ROWS)), column, text, attributes[next(6)]);
        }
        screen.set_cursor(COORD{static_cast<SHORT>(next(COLUMNS)), static_cast<SHORT>(next(ROWS))});
        renderer.render(screen.cell_rows(), codepage, out);
        terminal.apply(out);
        out.clear();
        for (int r = 0; r < ROWS; ++r) {
            for (int c = 0; c < COLUMNS; ++c) {
                ShownCell expected = expected_cell(screen, codepage, r, c);
                const ShownCell &shown = terminal.at(r, c);
                ASSERT_EQ(shown.glyph, expected.glyph)
                    << "round " << round << " cell " << r << "," << c;
                ASSERT_EQ(shown.foreground, expected.foreground)
                    << "round " << round << " cell " << r << "," << c;
                ASSERT_EQ(shown.background, expected.background)
                    << "round " << round << " cell " << r << "," << c;
            }
        }
    }
}

} // namespace
} // namespace posix_console
