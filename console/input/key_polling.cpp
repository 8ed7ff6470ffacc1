// Key polling: one key press at most per poll, never waiting, turned into a
// key code in the manner of the PC keyboard service (scan code in the high
// byte, character in the low byte, character 0 for extended keys).
#include "console_state.h"
#include "input_internal.h"

namespace {

// Keys that are never returned on their own: the modifiers and the locks.
constexpr WORD ignored_keys[] = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};

struct ExtendedKey {
    uint8_t virtual_key;
    uint8_t plain;
    uint8_t with_ctrl;
    uint8_t with_alt;
};

// Closed by a row whose virtual key is 0.
constexpr ExtendedKey extended_key_table[] = {
    {VK_LEFT, 0x4B, 0x73, 0x4B},      // Left
    {VK_RIGHT, 0x4D, 0x74, 0x4D},     // Right
    {VK_UP, 0x48, 0x8D, 0x48},        // Up
    {VK_DOWN, 0x50, 0x91, 0x50},      // Down
    {VK_PRIOR, 0x49, 0x84, 0x49},     // Page Up
    {VK_NEXT, 0x51, 0x76, 0x51},      // Page Down
    {VK_HOME, 0x47, 0x77, 0x47},      // Home
    {VK_END, 0x4F, 0x75, 0x4F},       // End
    {VK_INSERT, 0x52, 0x92, 0x52},    // Insert
    {VK_DELETE, 0x53, 0x93, 0x53},    // Delete
    {VK_ADD, 0x4E, 0x90, 0x4E},       // keypad plus
    {VK_SUBTRACT, 0x4A, 0x8E, 0x4A},  // keypad minus
    {VK_F11, 0x85, 0x85, 0x85},       // F11
    {VK_F12, 0x86, 0x86, 0x86},       // F12
    {VK_OEM_MINUS, 0x0C, 0x0C, 0x82}, // main-row minus
    {VK_OEM_PLUS, 0x0D, 0x0D, 0x83},  // main-row equals
    {0, 0, 0, 0},
};

constexpr uint32_t ALT_MASK = RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED;
constexpr uint32_t CTRL_MASK = RIGHT_CTRL_PRESSED | LEFT_CTRL_PRESSED;
constexpr uint32_t MODIFIER_MASK = ALT_MASK | CTRL_MASK | SHIFT_PRESSED;

// The one console input record every peeked and read event lands in.
INPUT_RECORD event_record;

bool is_ignored_key(WORD virtual_key) {
    for (WORD ignored : ignored_keys)
        if (virtual_key == ignored) return true;
    return false;
}

const ExtendedKey *find_extended_key(uint8_t virtual_key) {
    for (const ExtendedKey *row = extended_key_table; row->virtual_key != 0; ++row)
        if (row->virtual_key == virtual_key) return row;
    return nullptr;
}

bool is_key_press(const INPUT_RECORD &event) {
    return event.EventType == KEY_EVENT && event.Event.KeyEvent.bKeyDown;
}

void take_key_fields(const KEY_EVENT_RECORD &event, key_record *key) {
    key->char_code = static_cast<uint8_t>(event.uChar.AsciiChar);
    key->scan_code = static_cast<uint8_t>(event.wVirtualScanCode);
    key->virtual_key = event.wVirtualKeyCode;
    key->control_state = event.dwControlKeyState;
}

// Takes events until a key press that counts; false when the input is empty.
bool take_next_key(key_record *key) {
    DWORD count = 0;
    for (;;) {
        if (!PeekConsoleInputA(input_handle, &event_record, 1, &count) || count == 0) return false;
        if (!ReadConsoleInputA(input_handle, &event_record, 1, &count) || count == 0) return false;
        if (!is_key_press(event_record)) continue;
        if (is_ignored_key(event_record.Event.KeyEvent.wVirtualKeyCode)) continue;
        take_key_fields(event_record.Event.KeyEvent, key);
        return true;
    }
}

} // namespace

extern "C" {

void translate_key(key_record *key) {
    const uint32_t state = key->control_state;
    const bool ctrl = state & CTRL_MASK;
    const bool alt = state & ALT_MASK;
    if (const ExtendedKey *row = find_extended_key(static_cast<uint8_t>(key->virtual_key))) {
        if (ctrl) {
            key->scan_code = row->with_ctrl;
            key->char_code = 0;
        } else if (alt) {
            key->scan_code = row->with_alt;
            key->char_code = 0;
        } else {
            key->scan_code = row->plain;
        }
        return;
    }
    if ((state & MODIFIER_MASK) == 0) return;
    if (key->virtual_key >= VK_F1 && key->virtual_key <= VK_F10) {
        key->scan_code += ctrl ? 0x23 : alt ? 0x2D : 0x19;
        return;
    }
    if (key->char_code >= '0' && key->char_code <= '9') {
        if (alt) {
            key->scan_code += 0x76;
            key->char_code = 0;
        }
        return;
    }
    if (key->virtual_key == VK_TAB && (state & SHIFT_PRESSED)) key->char_code = 0;
}

void con_flush_input_body(void) {
    FlushConsoleInputBuffer(input_handle);
}

// The input mode is 0 only for the length of the poll. The type-ahead behind
// a returned key is discarded; a poll that found nothing leaves the input
// alone, so a key that arrives between its look and a discard is not lost.
bool con_poll_key_body(key_record *key) {
    con_guard();
    key_record found = {1, 0, 0, 0};
    DWORD saved_mode = 0;
    GetConsoleMode(input_handle, &saved_mode);
    SetConsoleMode(input_handle, 0);
    const bool took_key = take_next_key(&found);
    bool key_waiting = false;
    if (took_key) {
        translate_key(&found);
        key_waiting = found.virtual_key != 0;
    }
    SetConsoleMode(input_handle, saved_mode);
    if (took_key) con_flush_input();
    if (key) *key = found;
    return key_waiting;
}

void con_pause_body(uint32_t milliseconds) {
    Sleep(milliseconds);
}

uint32_t con_read_char_body(void) {
    key_record key;
    do {
        con_pause(10);
    } while (!con_poll_key(&key));
    return static_cast<uint32_t>(key.scan_code) << 8 | key.char_code;
}

} // extern "C"
