// A small program for the terminal input test: reads keys from the terminal
// through the console API and logs what it got, one line per key or line.
//   key_probe poll|raw|line LOGFILE
// poll: polls as the menu does (mode 0 around a Peek and a read, the rest
//       flushed after a key); logs "key VK SCAN CHAR STATE" in hex for every
//       key it returns; the key q ends it with status 0.
// raw:  the same with mode 0 set once and kept, as a program that wants
//       raw input does.
// line: reads lines with ReadConsoleA in the console's line mode; logs
//       "line" and the bytes in hex; the line "quit" ends it with status 0.
// Each log line is flushed at once; "ready" is logged before the first wait.
#include <stdio.h>
#include <string.h>

#include "win32.h"

namespace {

FILE *log_file = nullptr;

void log_key(const KEY_EVENT_RECORD &key) {
    fprintf(log_file, "key %02X %02X %02X %04lX\n", key.wVirtualKeyCode, key.wVirtualScanCode,
            static_cast<unsigned char>(key.uChar.AsciiChar), key.dwControlKeyState);
    fflush(log_file);
}

bool is_modifier(WORD vk) {
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_CAPITAL ||
           vk == VK_NUMLOCK || vk == VK_SCROLL;
}

// One poll: true and the key when a key-down came; modifier keys alone
// are skipped, as the runtime's poll skips them.
bool poll_key(HANDLE in, KEY_EVENT_RECORD &key, bool raw) {
    DWORD saved = 0;
    GetConsoleMode(in, &saved);
    if (!raw) SetConsoleMode(in, 0);
    bool got = false;
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!PeekConsoleInputA(in, &record, 1, &count) || count == 0) break;
        if (!ReadConsoleInputA(in, &record, 1, &count) || count == 0) break;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            !is_modifier(record.Event.KeyEvent.wVirtualKeyCode)) {
            key = record.Event.KeyEvent;
            got = true;
            break;
        }
    }
    if (!raw) SetConsoleMode(in, saved);
    if (got) FlushConsoleInputBuffer(in);
    return got;
}

void run_poll(HANDLE in, bool raw) {
    if (raw) SetConsoleMode(in, 0);
    for (;;) {
        KEY_EVENT_RECORD key;
        if (!poll_key(in, key, raw)) continue;
        log_key(key);
        if (key.uChar.AsciiChar == 'q') ExitProcess(0);
    }
}

void run_line(HANDLE in) {
    for (;;) {
        char line[80];
        DWORD count = 0;
        if (!ReadConsoleA(in, line, sizeof line, &count, nullptr)) continue;
        fprintf(log_file, "line");
        for (DWORD i = 0; i < count; ++i)
            fprintf(log_file, " %02X", static_cast<unsigned char>(line[i]));
        fprintf(log_file, "\n");
        fflush(log_file);
        if (count == 6 && memcmp(line, "quit\r\n", 6) == 0) ExitProcess(0);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    log_file = fopen(argv[2], "w");
    if (log_file == nullptr) return 2;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteConsoleA(out, "> ", 2, &written, nullptr);
    fprintf(log_file, "ready\n");
    fflush(log_file);
    if (strcmp(argv[1], "poll") == 0 || strcmp(argv[1], "raw") == 0)
        run_poll(in, strcmp(argv[1], "raw") == 0);
    if (strcmp(argv[1], "line") == 0) run_line(in);
    return 2;
}
