// A Windows program for checking tools/wine-run: it ends with a given
// status, reports the console it was given, or waits (to be killed).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console_host.h"
#include "win32.h"

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "exit") == 0) return atoi(argv[2]);
    if (argc == 2 && strcmp(argv[1], "hang") == 0) {
        for (;;) Sleep(1000);
    }
    if (argc == 2 && strcmp(argv[1], "console") == 0) {
        console_host_open(80, 25);
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 1;
        // Standard output is still the runner's: the report goes there.
        printf("console %dx%d\n", info.dwSize.X, info.dwSize.Y);
        return 0;
    }
    fprintf(stderr, "usage: wine_run_probe exit N | hang | console\n");
    return 2;
}
