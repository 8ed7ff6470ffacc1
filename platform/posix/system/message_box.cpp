// MessageBoxA on Linux: a modal box drawn over the console's screen buffer
// through the console API, answered with keys read from the console input,
// and the covered cells given back exactly when it closes. With script input each
// line answers one box: its keys until one answers, or its line end (Enter).
//
//   +- Caption --------------+
//   |                        |
//   | Text, one row per      |
//   | line of the text       |
//   |                        |
//   |    [ Yes ]  [ No ]     |
//   +------------------------+
#include "posix_console.h"
#include "system_errors.h"
#include "unicode.h"
#include "win32_api.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const WORD BOX_ATTRIBUTE = 0x70;   // black on light gray
const WORD FOCUS_ATTRIBUTE = 0x1F; // bright white on blue
const UINT DEFAULT_BUTTON_MASK = 0x300;
const int DEFAULT_BUTTON_SHIFT = 8;
const int MARGIN = 2;     // border and one blank on each side of the text
const int FIXED_ROWS = 5; // top border, blank, blank, buttons, bottom border
const char *const DEFAULT_CAPTION = "Error";

struct Button {
    const char *label;
    int id;
    char hotkey; // 0: none; Cancel answers Escape
};

struct ButtonSet {
    std::vector<Button> buttons;
};

// Indexed by the low four bits of the style, MB_OK (0) to MB_CANCELTRYCONTINUE (6).
const ButtonSet button_sets[] = {
    {{{"OK", IDOK, 'O'}}},
    {{{"OK", IDOK, 'O'}, {"Cancel", IDCANCEL, 0}}},
    {{{"Abort", IDABORT, 'A'}, {"Retry", IDRETRY, 'R'}, {"Ignore", IDIGNORE, 'I'}}},
    {{{"Yes", IDYES, 'Y'}, {"No", IDNO, 'N'}, {"Cancel", IDCANCEL, 0}}},
    {{{"Yes", IDYES, 'Y'}, {"No", IDNO, 'N'}}},
    {{{"Retry", IDRETRY, 'R'}, {"Cancel", IDCANCEL, 0}}},
    {{{"Cancel", IDCANCEL, 0}, {"Try Again", IDTRYAGAIN, 'T'}, {"Continue", IDCONTINUE, 'C'}}},
};
const UINT BUTTON_SET_COUNT = sizeof button_sets / sizeof button_sets[0];

enum class Action { None, Press, Next, Previous, Escape };

struct KeyAction {
    WORD virtual_key;
    Action plain;
    Action shifted;
};

const KeyAction key_actions[] = {
    {VK_RETURN, Action::Press, Action::Press},   {VK_SPACE, Action::Press, Action::Press},
    {VK_TAB, Action::Next, Action::Previous},    {VK_RIGHT, Action::Next, Action::Next},
    {VK_DOWN, Action::Next, Action::Next},       {VK_LEFT, Action::Previous, Action::Previous},
    {VK_UP, Action::Previous, Action::Previous}, {VK_ESCAPE, Action::Escape, Action::Escape},
};

// ---- text as cells ----

// The text of each cell a text takes: in UTF-8 a character is one cell, or
// two for a wide one (the second then holds nothing); in any other code
// page a byte is a cell, as region writes store it.
using CellTexts = std::vector<std::string>;

CellTexts cells_of(const std::string &text) {
    CellTexts cells;
    bool utf8 = GetConsoleOutputCP() == CP_UTF8;
    auto bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        bool wide = false;
        if (utf8) {
            posix_console::Utf8Char c = posix_console::utf8_next(bytes + i, text.size() - i);
            length = c.length;
            wide = posix_console::code_point_columns(c.code) == 2;
        }
        cells.push_back(text.substr(i, length));
        if (wide) cells.emplace_back();
        i += length;
    }
    return cells;
}

int cell_count(const std::string &text) {
    return static_cast<int>(cells_of(text).size());
}

// ---- layout ----

// The text's lines: CR LF, CR and LF each break a line; a line wider than
// the box can be is cut into pieces that fit, never inside a character.
std::vector<std::string> text_lines(const char *text, int width) {
    std::vector<std::string> lines(1);
    CellTexts cells = cells_of(text);
    int used = 0;
    for (size_t k = 0; k < cells.size(); ++k) {
        const std::string &cell = cells[k];
        if (cell == "\r" || cell == "\n") {
            if (cell == "\r" && k + 1 < cells.size() && cells[k + 1] == "\n") ++k;
            lines.emplace_back();
            used = 0;
            continue;
        }
        if (cell.empty()) continue; // the second half, counted with the first
        int columns = k + 1 < cells.size() && cells[k + 1].empty() ? 2 : 1;
        if (used > 0 && used + columns > width) {
            lines.emplace_back();
            used = 0;
        }
        lines.back() += cell;
        used += columns;
    }
    return lines;
}

std::string button_text(const Button &button) {
    return std::string("[ ") + button.label + " ]";
}

int buttons_width(const ButtonSet &set) {
    int width = 0;
    for (const Button &button : set.buttons)
        width += static_cast<int>(button_text(button).size()) + 2;
    return width - 2;
}

struct Box {
    SMALL_RECT area; // screen buffer cells the box covers
    std::string caption;
    std::vector<std::string> lines;
    const ButtonSet *set;
    int focus;
    int width() const { return area.Right - area.Left + 1; }
    int height() const { return area.Bottom - area.Top + 1; }
};

Box lay_out(const SMALL_RECT &window, const char *text, const char *caption, const ButtonSet &set) {
    Box box{};
    box.set = &set;
    int window_width = window.Right - window.Left + 1;
    int window_height = window.Bottom - window.Top + 1;
    int inner_limit = std::max(1, window_width - 2 * MARGIN);
    box.lines = text_lines(text, inner_limit);
    size_t row_limit = static_cast<size_t>(std::max(1, window_height - FIXED_ROWS));
    if (box.lines.size() > row_limit) box.lines.resize(row_limit);
    box.caption = caption;

    int inner = buttons_width(set);
    for (const std::string &line : box.lines) inner = std::max(inner, cell_count(line));
    inner = std::max(inner, cell_count(box.caption) + 3);
    int width = std::min(inner + 2 * MARGIN, window_width);
    int height = static_cast<int>(box.lines.size()) + FIXED_ROWS;
    box.area.Left = static_cast<SHORT>(window.Left + (window_width - width) / 2);
    box.area.Top = static_cast<SHORT>(window.Top + (window_height - height) / 2);
    box.area.Right = static_cast<SHORT>(box.area.Left + width - 1);
    box.area.Bottom = static_cast<SHORT>(box.area.Top + height - 1);
    return box;
}

// ---- drawing ----

struct Row {
    std::string characters;
    std::vector<WORD> attributes;
};

// The cells the box covers, kept to be given back exactly, with one more
// on each side: a wide character half under the box loses its other half
// while the box stands, and gets it back with the rest.
struct Covered {
    COORD at;
    std::vector<posix_console::Cell> cells;
};

std::vector<Covered> save_cells(const Box &box, SHORT buffer_width) {
    std::vector<Covered> rows;
    SHORT left = std::max<SHORT>(box.area.Left - 1, 0);
    SHORT right = std::min<SHORT>(box.area.Right + 1, buffer_width - 1);
    for (SHORT y = box.area.Top; y <= box.area.Bottom; ++y) {
        COORD at{left, y};
        rows.push_back(Covered{at, posix_console::saved_cells(at, right - left + 1)});
    }
    return rows;
}

void restore_cells(const std::vector<Covered> &rows) {
    for (const Covered &row : rows) posix_console::restore_cells(row.at, row.cells);
}

void put_row(HANDLE out, const Box &box, int r, const Row &row) {
    COORD at{box.area.Left, static_cast<SHORT>(box.area.Top + r)};
    DWORD count = 0;
    WriteConsoleOutputCharacterA(out, row.characters.data(),
                                 static_cast<DWORD>(row.characters.size()), at, &count);
    WriteConsoleOutputAttribute(out, row.attributes.data(),
                                static_cast<DWORD>(row.attributes.size()), at, &count);
}

// A row of the box: the border characters at both ends and text between,
// cut to fit; a wide character that would cover the border is left out.
Row framed_row(const Box &box, char edge, char fill, const std::string &inside, int offset) {
    auto width = static_cast<size_t>(box.width());
    auto start = static_cast<size_t>(offset);
    CellTexts cells(width, std::string(1, fill));
    CellTexts text = cells_of(inside);
    for (size_t i = 0; i < text.size() && start + i < width - 1; ++i) {
        bool wide = i + 1 < text.size() && text[i + 1].empty();
        if (wide && start + i + 1 >= width - 1) break;
        cells[start + i] = text[i];
    }
    cells.front() = std::string(1, edge);
    cells.back() = std::string(1, edge);
    Row row{"", std::vector<WORD>(width, BOX_ATTRIBUTE)};
    for (const std::string &cell : cells) row.characters += cell;
    return row;
}

Row buttons_row(const Box &box) {
    int left = (box.width() - buttons_width(*box.set)) / 2;
    Row row = framed_row(box, '|', ' ', "", 0);
    int column = std::max(1, left);
    for (size_t i = 0; i < box.set->buttons.size(); ++i) {
        std::string text = button_text(box.set->buttons[i]);
        WORD attribute = static_cast<int>(i) == box.focus ? FOCUS_ATTRIBUTE : BOX_ATTRIBUTE;
        for (size_t k = 0; k < text.size() && column < box.width() - 1; ++k, ++column) {
            row.characters[static_cast<size_t>(column)] = text[k];
            row.attributes[static_cast<size_t>(column)] = attribute;
        }
        column += 2;
    }
    return row;
}

void draw_box(HANDLE out, const Box &box) {
    put_row(out, box, 0, framed_row(box, '+', '-', " " + box.caption + " ", 2));
    put_row(out, box, 1, framed_row(box, '|', ' ', "", 0));
    int r = 2;
    for (const std::string &line : box.lines)
        put_row(out, box, r++, framed_row(box, '|', ' ', line, MARGIN));
    put_row(out, box, r++, framed_row(box, '|', ' ', "", 0));
    put_row(out, box, r++, buttons_row(box));
    put_row(out, box, r, framed_row(box, '+', '-', "", 0));
}

// ---- keys ----

Action action_of(const KEY_EVENT_RECORD &key) {
    bool shifted = key.dwControlKeyState & SHIFT_PRESSED;
    for (const KeyAction &entry : key_actions)
        if (entry.virtual_key == key.wVirtualKeyCode) return shifted ? entry.shifted : entry.plain;
    return Action::None;
}

int button_for_hotkey(const ButtonSet &set, char character) {
    if (character >= 'a' && character <= 'z') character = static_cast<char>(character - 'a' + 'A');
    for (const Button &button : set.buttons)
        if (button.hotkey != 0 && button.hotkey == character) return button.id;
    return 0;
}

// Escape gives Cancel when the box has it, OK when OK is its only button,
// and otherwise does nothing, as on Windows.
int escape_answer(const ButtonSet &set) {
    for (const Button &button : set.buttons)
        if (button.id == IDCANCEL) return IDCANCEL;
    return set.buttons.size() == 1 && set.buttons[0].id == IDOK ? IDOK : 0;
}

// Handles one key; returns the answer, or 0 while the box stays open.
int handle_key(HANDLE out, Box &box, const KEY_EVENT_RECORD &key) {
    int count = static_cast<int>(box.set->buttons.size());
    switch (action_of(key)) {
    case Action::Press: return box.set->buttons[static_cast<size_t>(box.focus)].id;
    case Action::Escape: return escape_answer(*box.set);
    case Action::Next: box.focus = (box.focus + 1) % count; break;
    case Action::Previous: box.focus = (box.focus + count - 1) % count; break;
    case Action::None: return button_for_hotkey(*box.set, key.uChar.AsciiChar);
    }
    put_row(out, box, box.height() - 2, buttons_row(box));
    return 0;
}

// Reads keys with the input mode at 0 until one answers the box; 0 when
// the console input fails.
int read_answer(HANDLE in, HANDLE out, Box &box) {
    DWORD saved_mode = 0;
    GetConsoleMode(in, &saved_mode);
    SetConsoleMode(in, 0);
    posix_console::script_question_begins();
    int answer = 0;
    while (answer == 0) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputA(in, &record, 1, &count)) break;
        if (count == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            answer = handle_key(out, box, record.Event.KeyEvent);
    }
    SetConsoleMode(in, saved_mode);
    posix_console::script_line_answered(); // one script line answers one box
    return answer;
}

} // namespace

using posix_console::fail;

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    (void)hWnd;
    UINT set_index = uType & MB_TYPEMASK;
    if (set_index >= BUTTON_SET_COUNT) return fail(ERROR_INVALID_PARAMETER, 0);
    const ButtonSet &set = button_sets[set_index];
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info)) return 0;

    Box box =
        lay_out(info.srWindow, lpText ? lpText : "", lpCaption ? lpCaption : DEFAULT_CAPTION, set);
    int default_button = static_cast<int>((uType & DEFAULT_BUTTON_MASK) >> DEFAULT_BUTTON_SHIFT);
    box.focus = default_button < static_cast<int>(set.buttons.size()) ? default_button : 0;

    std::vector<Covered> covered = save_cells(box, info.dwSize.X);
    draw_box(out, box);
    int answer = read_answer(in, out, box);
    restore_cells(covered);
    posix_console::flush(); // the screen comes back even if nothing follows
    return answer;
}

} // extern "C"
