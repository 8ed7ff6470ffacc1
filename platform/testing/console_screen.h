// Test support: reads the process's console back, cell by cell, through the
// Windows API alone, so the same checks run on both targets.
#pragma once

#include <string>
#include <vector>

#include "win32.h"

namespace console_screen {

inline HANDLE output() {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}
inline HANDLE input() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

inline CONSOLE_SCREEN_BUFFER_INFO info() {
    CONSOLE_SCREEN_BUFFER_INFO result{};
    GetConsoleScreenBufferInfo(output(), &result);
    return result;
}

inline COORD cursor() {
    return info().dwCursorPosition;
}

// The characters of a run of cells starting at (row, column).
inline std::string text(int row, int column, int length) {
    std::string cells(static_cast<size_t>(length), '\0');
    DWORD read = 0;
    COORD at{static_cast<SHORT>(column), static_cast<SHORT>(row)};
    ReadConsoleOutputCharacterA(output(), cells.data(), static_cast<DWORD>(length), at, &read);
    cells.resize(read);
    return cells;
}

// A whole row with its trailing blanks removed.
inline std::string row_text(int row) {
    std::string cells = text(row, 0, info().dwSize.X);
    cells.erase(cells.find_last_not_of(' ') + 1);
    return cells;
}

inline std::vector<WORD> attributes(int row, int column, int length) {
    std::vector<WORD> cells(static_cast<size_t>(length), 0);
    DWORD read = 0;
    COORD at{static_cast<SHORT>(column), static_cast<SHORT>(row)};
    ReadConsoleOutputAttribute(output(), cells.data(), static_cast<DWORD>(length), at, &read);
    cells.resize(read);
    return cells;
}

inline WORD attribute(int row, int column) {
    return attributes(row, column, 1).at(0);
}
inline char character(int row, int column) {
    return text(row, column, 1).at(0);
}

// One key event as the console reports it.
inline INPUT_RECORD key_event(bool down, WORD virtual_key, WORD scan_code, char character,
                              DWORD control_state = 0) {
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    KEY_EVENT_RECORD &key = event.Event.KeyEvent;
    key.bKeyDown = down ? TRUE : FALSE;
    key.wRepeatCount = 1;
    key.wVirtualKeyCode = virtual_key;
    key.wVirtualScanCode = scan_code;
    key.uChar.AsciiChar = character;
    key.dwControlKeyState = control_state;
    return event;
}

// Queues a key press and its release, as the console does for a typed key.
inline void press_key(WORD virtual_key, WORD scan_code, char character, DWORD control_state = 0) {
    INPUT_RECORD events[2] = {key_event(true, virtual_key, scan_code, character, control_state),
                              key_event(false, virtual_key, scan_code, character, control_state)};
    DWORD written = 0;
    WriteConsoleInputA(input(), events, 2, &written);
}

// Types text as key presses, then Enter when asked: the console's line
// editing sees it as typed.
inline void type_text(const std::string &text, bool enter = true) {
    for (char c : text) {
        WORD vk = (c >= 'a' && c <= 'z') ? static_cast<WORD>(c - 'a' + 'A')
                                         : static_cast<WORD>(static_cast<unsigned char>(c));
        if (c == ' ') vk = VK_SPACE;
        if (c == '-') vk = VK_OEM_MINUS;
        if (c == '+') vk = VK_OEM_PLUS;
        if (c == '.') vk = VK_OEM_PERIOD;
        if (c == '\t') vk = VK_TAB;
        press_key(vk, 0, c);
    }
    if (enter) press_key(VK_RETURN, 0x1C, '\r');
}

} // namespace console_screen
