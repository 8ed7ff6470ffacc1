#!/usr/bin/env python3
"""One menu session in a real terminal (tmux), checked cell by cell.

The program runs in a tmux pane of 80x25, keys go in with `tmux send-keys`,
and every screen that matters is read back with its colours
(`capture-pane -e`) and compared, character and attribute, with the screen
the menu must show; the pane's terminal settings (`stty -g`) must be the
same after the program as before. The same session runs for both targets:
the Linux build directly, the Windows build under Wine (--wine), and in two
console code pages: 437, where each byte is one cell, and 950 (Linux only),
the console's default, so that run leaves CONRT_CODEPAGE unset.

usage: menu_session_tmux.py [--wine] [--codepage 437|950] PATH_TO_MENU
"""
import argparse
import os
import shlex
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import i386  # noqa: E402
from tmux_session import Checks, Tmux, capture_cells, require_tmux, tmux_in_folder  # noqa: E402

COLUMNS, ROWS = 80, 25
MENU_COLOR, FRAME_COLOR, CONSOLE_COLOR = 0x1F, 0x22, 0x07
FRAME_RIGHT, FRAME_BOTTOM, INPUT_ROW = 78, 14, 15
# The cells that the Big5 ellipsis A1 4B and the overflow's lone byte EC
# fill, per code page. In 950 the ellipsis is one character over two cells,
# the second shown blank, and EC is a lead byte with nothing after it.
SHOWN = {437: (b"\xa1\x4b".decode("cp437"), b"\xec".decode("cp437")),
         950: ("\u2026 ", "\ufffd")}
ELLIPSIS, OVERFLOW = SHOWN[437]  # main sets those of the session's code page


def menu_rows():
    return [
        "",
        "",
        "  My student ID is: 5038271",
        "  Please select one of the option",
        f"  1. Compute (1^2+2^2+3^2+{ELLIPSIS}+n^2)/m",
        "",
        "  2. Compute",
        f"        (1^2-2^2+3^2+{ELLIPSIS}+(-1)^(n+1) n^2)*m",
        "  3. Compute S(n).",
        "        Define S(n) = 1 + S(n-1) + S(n-2), n>=2. S(0) = 1, S(1) = 1.5.",
        "  4. Quit program",
        f"  Please enter an option{ELLIPSIS}{ELLIPSIS}",
    ]

checks = Checks()


def check(condition, what, screen=None):
    return checks(condition, what, screen.text_dump() if screen is not None else None)


# ---- reading the pane: text and SGR state per cell ----

# ANSI colour numbers run red, green, blue from bit 0; Windows runs blue,
# green, red. Bit 3 (bright) is the same in both.
def windows_colour(ansi):
    return ((ansi & 1) << 2) | (ansi & 2) | ((ansi & 4) >> 2) | (ansi & 8)


def attribute_of(pen):
    """The console attribute a pane's pen shows; the defaults show 0x07."""
    fg, bg, bold = pen
    foreground = 7 if fg is None else windows_colour(fg)
    if bold and fg is not None and fg < 8:
        foreground |= 8
    background = 0 if bg is None else windows_colour(bg)
    return foreground | background << 4


class Screen:
    def __init__(self, captured, cursor):
        self.cells = [[(c, attribute_of(pen)) for c, pen in row]
                      for row in capture_cells(captured, COLUMNS, ROWS)]
        self.cursor = cursor

    def row_text(self, row):
        return "".join(c for c, _ in self.cells[row]).rstrip()

    def text_dump(self):
        lines = [f"{r:2} |{''.join(c for c, _ in self.cells[r])}|" for r in range(ROWS)]
        return "\n".join(lines) + f"\ncursor (row, column) = {self.cursor}"

    def mismatches(self, expected_text, expected_attribute):
        """Cells that differ from the expected screen, as readable lines."""
        wrong = []
        for row in range(ROWS):
            text = expected_text(row).ljust(COLUMNS)
            for column in range(COLUMNS):
                character, attribute = self.cells[row][column]
                want = (text[column], expected_attribute(row, column))
                if (character, attribute) != want:
                    wrong.append(f"({row},{column}) has {character!r}/{attribute:02X},"
                                 f" wants {want[0]!r}/{want[1]:02X}")
        return wrong


# ---- the screens the menu must show ----

def is_frame_cell(row, column):
    on_row_edge = row in (0, FRAME_BOTTOM) and column <= FRAME_RIGHT
    on_column_edge = column in (0, FRAME_RIGHT) and row <= FRAME_BOTTOM
    return on_row_edge or on_column_edge


def menu_text_at(row):
    rows = menu_rows()
    text = rows[row] if row < len(rows) else ""
    # The frame overwrites column 0 and 78 with blanks.
    return "".join(" " if is_frame_cell(row, c) else ch for c, ch in enumerate(text))


def menu_attribute_at(painting):
    """The first painting clears in the console's own colour, later ones in blue."""
    rows = menu_rows()

    def attribute(row, column):
        if is_frame_cell(row, column):
            return FRAME_COLOR
        if painting > 1:
            return MENU_COLOR
        written = row < len(rows) and 1 <= column < len(rows[row])
        return MENU_COLOR if written else CONSOLE_COLOR
    return attribute


def lines_text(lines):
    return lambda row: lines[row] if row < len(lines) else ""


def all_blue(row, column):
    return MENU_COLOR


# ---- the session ----

class MenuTmux(Tmux):
    """The session's pane read as cells with their colours."""

    def screen(self):
        return Screen(self.capture(colours=True), self.cursor())

    def wait_for(self, predicate, seconds=20):
        deadline = time.monotonic() + seconds
        while True:
            screen = self.screen()
            if predicate(screen) or time.monotonic() > deadline:
                return screen
            time.sleep(0.1)

    def key(self, key):
        self.send(key, pause=0)

    def line(self, text):
        for key in list(text) + ["Enter"]:
            self.key(key)


def row_is(row, text):
    return lambda screen: screen.row_text(row) == text


def check_screen(screen, text_at, attribute_at, what):
    wrong = screen.mismatches(text_at, attribute_at)
    check(not wrong, f"{what}: {len(wrong)} cell(s) differ, first {wrong[:3]}",
          screen if wrong else None)


def check_menu(screen, painting):
    check_screen(screen, menu_text_at, menu_attribute_at(painting), f"menu painting {painting}")
    check(screen.cursor == (INPUT_ROW, 0), f"cursor at row 15 after painting {painting}"
          f" (is {screen.cursor})")


def menu_complete(painting):
    """Waiting ends on the whole expected screen: a console may show a
    painting in several updates."""
    def complete(screen):
        return (screen.cursor == (INPUT_ROW, 0) and
                not screen.mismatches(menu_text_at, menu_attribute_at(painting)))
    return complete


def run_option(tmux, key, rows, typed):
    """The option's key, then each typed line at its prompt (row, text); the
    whole answer screen is checked, then n = 0 brings the menu back."""
    tmux.key(key)
    for row, text in typed:
        prompt = rows[row][:-len(text)].rstrip()
        screen = tmux.wait_for(row_is(row, prompt))
        check(screen.row_text(row) == prompt, f"option {key} asks {prompt!r}", screen)
        tmux.line(text)
    screen = tmux.wait_for(lambda screen: not screen.mismatches(lines_text(rows), all_blue))
    check_screen(screen, lines_text(rows), all_blue, f"option {key} answer")
    tmux.line("0")
    return tmux.wait_for(menu_complete(2))


def run_session(tmux, work):
    screen = tmux.wait_for(menu_complete(1))
    check_menu(screen, 1)

    # Keys other than 1 to 4 change nothing and are not echoed.
    for key in ("x", "5", "Escape", "F1"):
        tmux.key(key)
        time.sleep(0.3)
    screen = tmux.screen()
    check_menu(screen, 1)

    # Each round writes the whole prompt again, title included.
    sum_title = f"1. Compute (1^2+2^2+3^2+{ELLIPSIS}+n^2)/m"
    sum_rows = [sum_title, "", "Input n [0, 100]: 3", "Input m (non-zero, signed integer):2",
                "Quotient: +7", "Remainder: +0", sum_title, "", "Input n [0, 100]:"]
    screen = run_option(tmux, "1", sum_rows, [(2, "3"), (3, "2")])
    check_menu(screen, 2)

    alternating_title = "2. Compute (1^2-2^2+3^2+...+(-1)^(n+1) n^2)*m"
    alternating_rows = [alternating_title, "Please input n [0, 50]: 3",
                        "Input m (non-zero, signed integer):-2", "-12", alternating_title,
                        "Please input n [0, 50]:"]
    screen = run_option(tmux, "2", alternating_rows, [(1, "3"), (2, "-2")])
    check_menu(screen, 2)

    # S(10), and S(1474), which overflows: "+" and the byte EC.
    recurrence_prompt = ["3.Compute S(n).",
                         "Define S(n) = 1.0 +S(n-1) + S(n-2),     n>=2. S(0) = 1.0, S(1) = 1.5"]
    recurrence_rows = (recurrence_prompt + ["Please input n:10", "+2.0450000E+002"] +
                       recurrence_prompt + ["Please input n:1474", "+" + OVERFLOW] +
                       recurrence_prompt + ["Please input n:"])
    screen = run_option(tmux, "3", recurrence_rows, [(2, "10"), (6, "1474")])
    check_menu(screen, 2)

    tmux.key("4")
    screen = tmux.wait_for(row_is(21, "Press ENTER to quit."))
    check(screen.row_text(15) == "Thanks for playing this system.", "the farewell", screen)
    check(screen.row_text(18) == "        ID: 5038271", "the farewell names the ID", screen)
    check(screen.row_text(21) == "Press ENTER to quit.", "the farewell ends asking for Enter",
          screen)
    check(screen.cursor == (21, 20), f"the cursor waits after the farewell (is {screen.cursor})")
    check(all(a == MENU_COLOR for _, a in screen.cells[21][:20]), "the farewell is in blue")

    status_file = os.path.join(work, "status")
    tmux.key("a")
    tmux.key("Escape")
    time.sleep(0.5)
    check(not os.path.exists(status_file), "keys other than Enter do not quit")
    tmux.key("Enter")
    deadline = time.monotonic() + 20
    while not os.path.exists(status_file) and time.monotonic() < deadline:
        time.sleep(0.1)
    if not check(os.path.exists(status_file), "Enter ends the program"):
        return
    status = open(status_file).read().strip()
    check(status == "0", f"exit status 0 (got {status})")
    before, after = (open(os.path.join(work, f)).read().strip() for f in ("before", "after"))
    check(before == after, f"the terminal settings are given back (stty -g {before} / {after})")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", action="store_true", help="the program is a Windows build")
    parser.add_argument("--codepage", type=int, choices=sorted(SHOWN), default=437)
    parser.add_argument("menu")
    args = parser.parse_args()
    if args.wine and args.codepage != 437:
        parser.error("the Windows build runs with code page 437")
    global ELLIPSIS, OVERFLOW
    ELLIPSIS, OVERFLOW = SHOWN[args.codepage]
    require_tmux()

    menu = os.path.abspath(args.menu)
    if args.wine and not i386.wine_can_start(menu):
        print(i386.WINE_CANNOT_START)
        sys.exit(i386.SKIPPED)
    if args.wine:
        wine_run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools",
                                "wine-run")
        command = f"{shlex.quote(wine_run)} --exec {shlex.quote(menu)}"
    elif args.codepage == 437:
        command = f"CONRT_CODEPAGE=437 {i386.shell_command(menu)}"
    else:
        command = f"env -u CONRT_CODEPAGE {i386.shell_command(menu)}"
    # The status file appears last, once the settings after the run are kept.
    def shell(work):
        return (f"cd {shlex.quote(work)}; stty -g > before; {command}; echo $? > status.part;"
                " stty -g > after; mv status.part status; sleep 60")
    with tmux_in_folder("menu", COLUMNS, ROWS, shell, kind=MenuTmux) as (tmux, work):
        run_session(tmux, work)
    checks.finish("the menu session matches, cell by cell and in colour")


if __name__ == "__main__":
    main()
