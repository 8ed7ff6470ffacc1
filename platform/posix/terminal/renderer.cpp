// Screen buffer to escape sequences: the difference between what the
// terminal shows and what the buffer holds, in as few bytes as the
// terminal's real state allows.
#include "renderer.h"

#include <stdio.h>

#include <algorithm>

#include "unicode.h"

namespace posix_console {

namespace {

constexpr char CSI[] = "\x1b[";
constexpr unsigned char BLANK = ' ';
constexpr char REPLACEMENT[] = "\xEF\xBF\xBD";
constexpr int MAX_BRIDGE = 2;

// Windows has blue in bit 0 and red in bit 2; SGR the other way round.
int sgr_colour(int windows_colour) {
    int swapped = ((windows_colour & 1) << 2) | (windows_colour & 2) | ((windows_colour & 4) >> 2);
    return swapped | (windows_colour & 8);
}

void append_number(int value, std::string &out) {
    char digits[12];
    int length = snprintf(digits, sizeof digits, "%d", value);
    out.append(digits, static_cast<size_t>(length));
}

// The SGR parameter of a colour: `base` is 30 for the foreground, 40 for the
// background; the bright colours are 60 above, the default is base + 9.
int colour_parameter(int colour, int base) {
    if (colour < 0) return base + 9;
    return colour < 8 ? base + colour : base + 60 + colour - 8;
}

std::string sgr(const std::vector<int> &parameters) {
    std::string out = CSI;
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (i > 0) out += ';';
        append_number(parameters[i], out);
    }
    return out + 'm';
}

// Changes only what differs: CSI 39;44m and the like.
std::string changed_colours(Pen from, Pen to) {
    std::vector<int> parameters;
    if (from.foreground != to.foreground) parameters.push_back(colour_parameter(to.foreground, 30));
    if (from.background != to.background) parameters.push_back(colour_parameter(to.background, 40));
    return sgr(parameters);
}

// Resets both colours first, then sets what is not the default: CSI m
// alone when both become the default.
std::string reset_colours(Pen to) {
    if (to == DEFAULT_PEN) return sgr({});
    std::vector<int> parameters{0};
    if (to.foreground >= 0) parameters.push_back(colour_parameter(to.foreground, 30));
    if (to.background >= 0) parameters.push_back(colour_parameter(to.background, 40));
    return sgr(parameters);
}

void append_repeated_move(int count, char final_byte, std::string &out) {
    out += CSI;
    if (count != 1) append_number(count, out);
    out += final_byte;
}

void append_column_move(int from, int to, std::string &out) {
    if (to == from) return;
    if (to == 0) {
        out += '\r';
    } else if (to == from - 1) {
        out += '\b';
    } else if (to > from) {
        append_repeated_move(to - from, 'C', out);
    } else {
        append_repeated_move(from - to, 'D', out);
    }
}

std::string absolute_move(int row, int column) {
    std::string out = CSI;
    if (row != 0 || column != 0) {
        append_number(row + 1, out);
        out += ';';
        append_number(column + 1, out);
    }
    out += 'H';
    return out;
}

std::string relative_move(CursorPlace from, int row, int column) {
    std::string out;
    if (row == from.row + 1 && column == 0) return "\r\n";
    if (row > from.row) append_repeated_move(row - from.row, 'B', out);
    if (row < from.row) append_repeated_move(from.row - row, 'A', out);
    append_column_move(from.column, column, out);
    return out;
}

bool is_blank(const Cell &cell) {
    return cell.ch == BLANK || cell.ch == 0;
}

// A character of a UTF-8 cell alone, as one column shows it: a zero-width
// one on a base of its own; one that cannot be drawn in one column (a wide
// one's orphaned half, a C1 control) as U+FFFD.
void single_glyph(char32_t ch, CodePage &codepage, std::string &glyph) {
    glyph.clear();
    if (ch < 0x80) {
        glyph = codepage.glyph(static_cast<unsigned char>(ch));
        return;
    }
    int columns = code_point_columns(ch);
    if (ch < 0xA0 || columns == 2) return utf8_append(REPLACEMENT_CHARACTER, glyph);
    if (columns == 0) glyph = ZERO_WIDTH_BASE;
    utf8_append(ch, glyph);
}

} // namespace

Pen pen_of(WORD attribute) {
    int foreground = attribute & 0x0F;
    int background = (attribute >> 4) & 0x0F;
    return Pen{foreground == 7 ? -1 : sgr_colour(foreground),
               background == 0 ? -1 : sgr_colour(background)};
}

void append_pen_change(Pen from, Pen to, std::string &out) {
    if (from == to) return;
    std::string changed = changed_colours(from, to);
    std::string reset = reset_colours(to);
    out += reset.size() < changed.size() ? reset : changed;
}

void append_cursor_move(CursorPlace from, int row, int column, std::string &out) {
    if (from.known && from.row == row && from.column == column) return;
    std::string absolute = absolute_move(row, column);
    if (!from.known) {
        out += absolute;
        return;
    }
    std::string relative = relative_move(from, row, column);
    out += relative.size() < absolute.size() ? relative : absolute;
}

// Cells beyond the largest console are never drawn, so none are kept.
void Renderer::clear(int columns, int rows, std::string &out) {
    ConsoleSize size = clamp_console_size(columns, rows);
    columns_ = size.columns;
    rows_ = size.rows;
    // Default colours first: the cleared cells take the colours in force.
    out += std::string(CSI) + "m" + CSI + "H" + CSI + "2J";
    shown_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_),
                  Cell{BLANK, DEFAULT_ATTRIBUTE});
    pen_ = DEFAULT_PEN;
    cursor_ = CursorPlace{0, 0, true};
}

// A lead byte pairs with the next cell when the two convert together; the
// pair is drawn as one character over both cells.
void Renderer::find_roles(const Cell *cells, int count, CodePage &codepage,
                          std::vector<Role> &roles) {
    roles.assign(static_cast<size_t>(count), Role::Single);
    for (int c = 0; c + 1 < count; ++c) {
        if (codepage.is_utf8()) {
            if (cells[c].half != Half::Lead || cells[c + 1].half != Half::Trail) continue;
        } else {
            if (!codepage.is_lead_byte(static_cast<unsigned char>(cells[c].ch))) continue;
            auto lead = static_cast<unsigned char>(cells[c].ch);
            if (codepage.pair_glyph(lead, static_cast<unsigned char>(cells[c + 1].ch)).empty())
                continue;
        }
        roles[static_cast<size_t>(c)] = Role::Lead;
        roles[static_cast<size_t>(c) + 1] = Role::Trail;
        ++c;
    }
}

bool Renderer::unit_changed(const Cell *cells, const Cell *shown, Unit unit) const {
    for (int c = unit.column; c < unit.column + unit.width; ++c) {
        auto i = static_cast<size_t>(c);
        if (!(cells[c] == shown[c]) || new_roles_[i] != old_roles_[i]) return true;
    }
    return false;
}

void Renderer::render(const CellRows &screen, CodePage &codepage, std::string &out) {
    int rows = std::min(screen.rows, rows_);
    int columns = std::min(screen.columns, columns_);
    for (int r = 0; r < rows; ++r) {
        const Cell *cells = screen.row(r);
        Cell *shown = &shown_[static_cast<size_t>(r) * static_cast<size_t>(columns_)];
        find_roles(cells, columns, codepage, new_roles_);
        find_roles(shown, columns, codepage, old_roles_);
        for (int c = 0; c < columns;) {
            Unit unit{c, new_roles_[static_cast<size_t>(c)] == Role::Lead ? 2 : 1};
            if (unit_changed(cells, shown, unit)) {
                draw_unit(r, cells, unit, codepage, out);
                std::copy(cells + c, cells + c + unit.width, shown + c);
            }
            c += unit.width;
        }
    }
    COORD target = screen.cursor;
    move_to(std::min<int>(target.Y, rows_ - 1), std::min<int>(target.X, columns_ - 1), out);
}

// A short gap of unchanged cells in the colours in force costs less written
// again than jumped over (CSI C is three bytes at least).
bool Renderer::bridge_gap(int row, const Cell *cells, int column, CodePage &codepage,
                          std::string &out) {
    if (!cursor_.known || cursor_.row != row) return false;
    int from = cursor_.column;
    if (column <= from || column - from > MAX_BRIDGE) return false;
    std::string bytes;
    for (int c = from; c < column; ++c) {
        if (cells[c].ch >= 0x80) return false;
        std::string_view glyph = codepage.glyph(static_cast<unsigned char>(cells[c].ch));
        if (new_roles_[static_cast<size_t>(c)] != Role::Single || glyph.size() != 1 ||
            !(pen_of(cells[c].attribute) == pen_))
            return false;
        bytes += glyph;
    }
    out += bytes;
    cursor_.column = column;
    return true;
}

void Renderer::draw_unit(int row, const Cell *cells, Unit unit, CodePage &codepage,
                         std::string &out) {
    if (!bridge_gap(row, cells, unit.column, codepage, out)) move_to(row, unit.column, out);
    const Cell &first = cells[unit.column];
    if (codepage.is_utf8()) {
        if (unit.width == 2) {
            glyph_.clear();
            utf8_append(first.ch, glyph_);
            return draw_glyph(glyph_, first.attribute, 2, out);
        }
        single_glyph(first.ch, codepage, glyph_);
        return draw_glyph(glyph_, first.attribute, 1, out);
    }
    auto byte = static_cast<unsigned char>(first.ch);
    if (unit.width == 1) {
        std::string_view glyph =
            codepage.is_lead_byte(byte) ? std::string_view(REPLACEMENT) : codepage.glyph(byte);
        draw_glyph(glyph, first.attribute, 1, out);
        return;
    }
    std::string_view glyph =
        codepage.pair_glyph(byte, static_cast<unsigned char>(cells[unit.column + 1].ch));
    if (glyph_columns(glyph) == 2) {
        draw_glyph(glyph, first.attribute, 2, out);
        return;
    }
    // A narrow character over two cells: the second cell shows a blank in
    // its own colours, so that the columns stay those of the buffer.
    draw_glyph(glyph, first.attribute, 1, out);
    draw_glyph(" ", cells[unit.column + 1].attribute, 1, out);
}

void Renderer::draw_glyph(std::string_view glyph, WORD attribute, int columns, std::string &out) {
    Pen pen = pen_of(attribute);
    append_pen_change(pen_, pen, out);
    pen_ = pen;
    out += glyph;
    cursor_.column += columns;
    // At the last column the terminal may hold a pending wrap.
    if (cursor_.column >= columns_) cursor_.known = false;
}

void Renderer::move_to(int row, int column, std::string &out) {
    append_cursor_move(cursor_, row, column, out);
    cursor_ = CursorPlace{row, column, true};
}

// The lowest row that shows anything: text or colour. -1 for a blank screen.
int Renderer::last_output_row() const {
    for (int r = rows_ - 1; r >= 0; --r) {
        const Cell *shown = &shown_[static_cast<size_t>(r) * static_cast<size_t>(columns_)];
        for (int c = 0; c < columns_; ++c) {
            if (!is_blank(shown[c]) || shown[c].attribute != DEFAULT_ATTRIBUTE) return r;
        }
    }
    return -1;
}

// The shell goes on at the start of the row below the last output; CR LF
// rather than a move there, so that output on the bottom row scrolls up.
std::string Renderer::restore_text() const {
    std::string out = std::string(CSI) + "m" + CSI + "?25h";
    if (!cleared()) return out;
    int last = last_output_row();
    if (last < 0) return out + absolute_move(0, 0);
    return out + absolute_move(last, 0) + "\r\n";
}

} // namespace posix_console
