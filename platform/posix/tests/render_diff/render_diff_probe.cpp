// The program side of the differential renderer check: random sequences of
// console operations on a screen buffer, each flush's bytes written to the
// terminal (a tmux pane), followed by a title change that marks the frame.
// For every frame it sends the driver what the pane must show: each cell's
// character and attribute and the cursor, as one JSON line, and waits for
// the driver's go before it draws the next frame.
//   render_diff_probe SEED SEQUENCES EXPECT_FIFO GO_FIFO
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "codepage.h"
#include "renderer.h"
#include "screen_buffer.h"
#include "unicode.h"

namespace {

using namespace posix_console;

struct Terminal {
    int columns, rows;
};

// Bytes the text operations draw from: printable text, every control byte
// the console handles (and some it stores as glyphs), whole Big5 characters,
// and stray lead and high bytes.
const std::vector<std::string> PIECES = {"a",        "Z",
                                         "7",        " ",
                                         "#",        "~",
                                         "\\",       "\"",
                                         "\r",       "\n",
                                         "\b",       "\t",
                                         "\a",       std::string(1, '\0'),
                                         "\x01",     "\x1b",
                                         "\x7f",     "\xa4\xa4",
                                         "\xa4\xe5", "\xa1\x40",
                                         "\xa1\x4b", "\xa4",
                                         "\x81",     "\xfe",
                                         "\xb0",     "\xe9\xa2\xa8",
                                         "x\r\n"};

// In UTF-8 (CONRT_CODEPAGE=65001): narrow, wide and zero-width characters,
// starts cut off by a following byte, and stray bytes.
const std::vector<std::string> UTF8_PIECES = {"a",
                                              " ",
                                              "\r",
                                              "\n",
                                              "\b",
                                              "\t",
                                              "\x01",
                                              "\x7f",
                                              "\xc3\xa9",
                                              "\xe4\xb8\xad",
                                              "\xf0\x9f\x98\x80",
                                              "\xe4\xb8",
                                              "\x80",
                                              "e\xcc\x81",
                                              "x\r\n"};

std::string json_string(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += static_cast<char>(c);
    }
    return out + "\"";
}

// A UTF-8 cell alone: ASCII as any code page shows it, a zero-width
// character on a no-break space, a half without its partner or a C1
// control as U+FFFD.
std::string utf8_cell_shown(char32_t ch, CodePage &codepage) {
    if (ch < 0x80) return std::string(codepage.glyph(static_cast<unsigned char>(ch)));
    int columns = code_point_columns(ch);
    std::string text = columns == 0 ? "\u00A0" : "";
    utf8_append(ch < 0xA0 || columns == 2 ? REPLACEMENT_CHARACTER : ch, text);
    return text;
}

// What the pane must show: the buffer's cells clipped to the terminal, a
// pair that converts over both its cells (a wide character in the first and
// nothing in the second, or a narrow one and a blank), a lead byte without
// its pair as U+FFFD, every other byte its glyph; blanks beyond the buffer.
std::string expected_frame(int frame, const ScreenBuffer &screen, Terminal terminal,
                           CodePage &codepage, const std::string &operations) {
    std::string texts, attributes;
    int rows = std::min(screen.rows(), terminal.rows);
    int columns = std::min(screen.columns(), terminal.columns);
    for (int r = 0; r < terminal.rows; ++r) {
        texts += r ? ",[" : "[";
        attributes += r ? ",[" : "[";
        for (int c = 0; c < terminal.columns; ++c) {
            std::string text = " ";
            int attribute = DEFAULT_ATTRIBUTE;
            if (r < rows && c < columns && codepage.is_utf8()) {
                const Cell *row = screen.row(r);
                attribute = row[c].attribute;
                if (row[c].half == Half::Lead && c + 1 < columns &&
                    row[c + 1].half == Half::Trail) {
                    text.clear();
                    utf8_append(row[c].ch, text);
                    texts += json_string(text) + ",\"\"";
                    attributes += std::to_string(attribute) + "," + std::to_string(attribute);
                    ++c;
                    if (c + 1 < terminal.columns) texts += ",", attributes += ",";
                    continue;
                }
                text = utf8_cell_shown(row[c].ch, codepage);
            } else if (r < rows && c < columns) {
                const Cell *row = screen.row(r);
                attribute = row[c].attribute;
                std::string_view pair;
                if (codepage.is_lead_byte(static_cast<unsigned char>(row[c].ch)) && c + 1 < columns)
                    pair = codepage.pair_glyph(static_cast<unsigned char>(row[c].ch),
                                               static_cast<unsigned char>(row[c + 1].ch));
                if (!pair.empty()) {
                    bool wide = glyph_columns(pair) == 2;
                    texts += json_string(std::string(pair)) + "," + json_string(wide ? "" : " ");
                    attributes += std::to_string(attribute) + "," +
                                  std::to_string(wide ? attribute : row[c + 1].attribute);
                    ++c;
                    if (c + 1 < terminal.columns) texts += ",", attributes += ",";
                    continue;
                }
                text = codepage.is_lead_byte(static_cast<unsigned char>(row[c].ch))
                           ? "\xEF\xBF\xBD"
                           : std::string(codepage.glyph(static_cast<unsigned char>(row[c].ch)));
            }
            texts += json_string(text);
            attributes += std::to_string(attribute);
            if (c + 1 < terminal.columns) texts += ",", attributes += ",";
        }
        texts += "]";
        attributes += "]";
    }
    COORD cursor = screen.cursor();
    return "{\"frame\":" + std::to_string(frame) + ",\"size\":[" +
           std::to_string(terminal.columns) + "," + std::to_string(terminal.rows) +
           "],\"cursor\":[" + std::to_string(std::min<int>(cursor.Y, terminal.rows - 1)) + "," +
           std::to_string(std::min<int>(cursor.X, terminal.columns - 1)) + "],\"texts\":[" + texts +
           "],\"attributes\":[" + attributes + "],\"operations\":" + json_string(operations) +
           "}\n";
}

class Probe {
  public:
    Probe(FILE *expect, FILE *go) : expect_(expect), go_(go) {
        screen_.set_utf8(codepage_.is_utf8());
    }

    void run_sequence(std::mt19937 &random) {
        operations_.clear();
        screen_.reset(10 + random() % 41, 3 + random() % 10);
        resize(Terminal{screen_.columns(), screen_.rows()});
        int steps = 3 + random() % 12;
        for (int i = 0; i < steps; ++i) {
            step(random);
            if (random() % 3 == 0) flush();
        }
        flush();
    }

  private:
    void step(std::mt19937 &random) {
        switch (random() % 10) {
        case 0:
        case 1:
        case 2:
        case 3: text(random); break;
        case 4:
        case 5: {
            WORD attribute = static_cast<WORD>(random() % 256);
            if (random() % 8 == 0) attribute |= 0x8000; // grid bits, not shown
            screen_.set_attribute(attribute);
            note("colour " + std::to_string(attribute));
            break;
        }
        case 6: {
            COORD to{static_cast<SHORT>(random() % screen_.columns()),
                     static_cast<SHORT>(random() % screen_.rows())};
            screen_.set_cursor(to);
            note("goto " + std::to_string(to.Y) + "," + std::to_string(to.X));
            break;
        }
        case 7: clear(); break;
        case 8: { // text on the bottom row scrolls the buffer
            screen_.set_cursor(COORD{static_cast<SHORT>(random() % screen_.columns()),
                                     static_cast<SHORT>(screen_.rows() - 1)});
            note("bottom row");
            text(random);
            break;
        }
        case 9:
            if (random() % 3 == 0)
                resize(Terminal{10 + static_cast<int>(random() % 41),
                                3 + static_cast<int>(random() % 10)});
            break;
        }
    }

    void text(std::mt19937 &random) {
        std::string bytes;
        const std::vector<std::string> &pieces = codepage_.is_utf8() ? UTF8_PIECES : PIECES;
        for (int n = 1 + random() % 12; n > 0; --n) bytes += pieces[random() % pieces.size()];
        screen_.write_processed(reinterpret_cast<const unsigned char *>(bytes.data()),
                                bytes.size());
        std::string shown;
        for (unsigned char c : bytes) {
            char hex[4];
            snprintf(hex, sizeof hex, "%02x", c);
            shown += hex;
        }
        note("text " + shown);
    }

    // As con_clear_screen does it: every cell a blank in the attribute in
    // force, the cursor at the top left.
    void clear() {
        size_t count = static_cast<size_t>(screen_.columns()) * static_cast<size_t>(screen_.rows());
        std::vector<unsigned char> blanks(count, ' ');
        std::vector<WORD> attributes(count, screen_.attribute());
        screen_.write_bytes(COORD{0, 0}, blanks.data(), static_cast<DWORD>(count));
        screen_.write_attributes(COORD{0, 0}, attributes.data(), static_cast<DWORD>(count));
        screen_.set_cursor(COORD{0, 0});
        note("clear");
    }

    // The driver resizes the pane first; the renderer then starts afresh,
    // as after a SIGWINCH.
    void resize(Terminal to) {
        note("resize " + std::to_string(to.columns) + "x" + std::to_string(to.rows));
        fprintf(expect_, "{\"resize\":[%d,%d]}\n", to.columns, to.rows);
        wait_for_go();
        terminal_ = to;
        std::string out;
        renderer_.clear(to.columns, to.rows, out);
        send(out);
    }

    void flush() {
        std::string out;
        renderer_.render(screen_.cell_rows(), codepage_, out);
        out += "\x1b]2;frame " + std::to_string(++frame_) + "\a";
        send(out);
        fputs(expected_frame(frame_, screen_, terminal_, codepage_, operations_).c_str(), expect_);
        wait_for_go();
    }

    void send(const std::string &bytes) {
        if (write(STDOUT_FILENO, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            exit(3);
    }

    void wait_for_go() {
        fflush(expect_);
        if (fgetc(go_) == EOF) exit(0); // the driver is done
    }

    void note(const std::string &operation) { operations_ += operation + "; "; }

    FILE *expect_;
    FILE *go_;
    ScreenBuffer screen_;
    Renderer renderer_;
    CodePage codepage_{codepage_from_environment()};
    Terminal terminal_{0, 0};
    int frame_ = 0;
    std::string operations_;
};

} // namespace

int main(int argc, char **argv) {
    if (argc != 5) return 2;
    unsigned long seed = strtoul(argv[1], nullptr, 10);
    long sequences = strtol(argv[2], nullptr, 10);
    FILE *expect = fopen(argv[3], "w");
    FILE *go = fopen(argv[4], "r");
    if (!expect || !go) return 2;
    Probe probe(expect, go);
    for (long n = 0; n < sequences; ++n) {
        std::mt19937 random(static_cast<unsigned>(seed + n));
        fprintf(expect, "{\"sequence\":%ld}\n", n);
        probe.run_sequence(random);
    }
    return 0;
}
