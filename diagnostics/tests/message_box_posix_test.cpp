// Message boxes on our console, answered by keys queued before the box
// opens: which key gives which answer, and the screen under the box coming
// back cell for cell. (On Windows a message box is a window of its own,
// which console keys do not reach, hence Linux only.)
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "con_diag.h"
#include "con_input.h"
#include "console_host.h"
#include "console_screen.h"
#include "win32.h"

namespace {

const int COLUMNS = 60;
const int ROWS = 20;

struct Key {
    WORD virtual_key;
    char character;
    DWORD state;
};

const Key ENTER{VK_RETURN, '\r', 0}, TAB{VK_TAB, '\t', 0}, SHIFT_TAB{VK_TAB, '\t', SHIFT_PRESSED},
    LEFT{VK_LEFT, 0, ENHANCED_KEY}, RIGHT{VK_RIGHT, 0, ENHANCED_KEY}, ESCAPE{VK_ESCAPE, 0x1B, 0},
    SPACE{VK_SPACE, ' ', 0}, Y{'Y', 'y', 0}, N{'N', 'n', 0}, CAPITAL_N{'N', 'N', SHIFT_PRESSED},
    O{'O', 'o', 0}, X{'X', 'x', 0}, SHIFT{VK_SHIFT, 0, SHIFT_PRESSED};

void queue(const std::vector<Key> &keys) {
    for (const Key &key : keys)
        console_screen::press_key(key.virtual_key, 0, key.character, key.state);
}

DWORD pending_events() {
    DWORD count = 0;
    GetNumberOfConsoleInputEvents(console_screen::input(), &count);
    return count;
}

// A screen full of distinct characters and colours, to see it come back.
void paint_background() {
    for (int row = 0; row < ROWS; ++row) {
        std::string text(COLUMNS, static_cast<char>('a' + row % 26));
        std::vector<WORD> colours(COLUMNS, static_cast<WORD>(0x10 * (row % 7) + 0x0E));
        DWORD written = 0;
        COORD at{0, static_cast<SHORT>(row)};
        WriteConsoleOutputCharacterA(console_screen::output(), text.data(), COLUMNS, at, &written);
        WriteConsoleOutputAttribute(console_screen::output(), colours.data(), COLUMNS, at,
                                    &written);
    }
}

struct Cells {
    std::vector<std::string> text;
    std::vector<std::vector<WORD>> colours;
    bool operator==(const Cells &) const = default;
};

Cells cells() {
    Cells all;
    for (int row = 0; row < ROWS; ++row) {
        all.text.push_back(console_screen::text(row, 0, COLUMNS));
        all.colours.push_back(console_screen::attributes(row, 0, COLUMNS));
    }
    return all;
}

class MessageBox : public ::testing::Test {
  protected:
    void SetUp() override {
        console_host_open(COLUMNS, ROWS);
        paint_background();
        before_ = cells();
    }
    Cells before_;
};

TEST_F(MessageBox, AskAnsweredByKeys) {
    const struct {
        const char *what;
        std::vector<Key> keys;
        uint32_t answer;
    } cases[] = {
        {"Y", {Y}, MSG_BOX_YES},
        {"N", {N}, MSG_BOX_NO},
        {"Shift+N", {CAPITAL_N}, MSG_BOX_NO},
        {"Enter on the first button", {ENTER}, MSG_BOX_YES},
        {"Space on the first button", {SPACE}, MSG_BOX_YES},
        {"Tab to No", {TAB, ENTER}, MSG_BOX_NO},
        {"Tab twice wraps to Yes", {TAB, TAB, ENTER}, MSG_BOX_YES},
        {"Right to No", {RIGHT, ENTER}, MSG_BOX_NO},
        {"Left wraps to No", {LEFT, ENTER}, MSG_BOX_NO},
        {"Shift+Tab goes back", {TAB, SHIFT_TAB, ENTER}, MSG_BOX_YES},
        {"Escape does nothing", {ESCAPE, N}, MSG_BOX_NO},
        {"other keys do nothing", {X, O, SHIFT, Y}, MSG_BOX_YES},
    };
    for (const auto &c : cases) {
        queue(c.keys);
        EXPECT_EQ(msg_box_ask("Save the changes?", "Question"), c.answer) << c.what;
        EXPECT_EQ(pending_events(), 1u) << c.what << ": only the answering key's release is left";
        FlushConsoleInputBuffer(console_screen::input());
        EXPECT_TRUE(cells() == before_) << c.what << ": the screen comes back";
    }
}

TEST_F(MessageBox, ShowClosesWithOkKeys) {
    for (const std::vector<Key> &keys :
         std::vector<std::vector<Key>>{{ENTER}, {O}, {ESCAPE}, {X, SPACE}}) {
        queue(keys);
        queue({X});
        msg_box_show("Done.\r\nAll files saved.", nullptr);
        // The key after the answer stays for the program.
        EXPECT_EQ(pending_events(), 3u);
        FlushConsoleInputBuffer(console_screen::input());
        EXPECT_TRUE(cells() == before_);
    }
}

TEST_F(MessageBox, InputModeIsGivenBack) {
    DWORD mode = 0;
    SetConsoleMode(console_screen::input(),
                   ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    queue({Y});
    msg_box_ask("Sure?", nullptr);
    GetConsoleMode(console_screen::input(), &mode);
    EXPECT_EQ(mode & 0x7u,
              static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT));
}

TEST_F(MessageBox, WindowsStylesAndDefaults) {
    const struct {
        UINT style;
        std::vector<Key> keys;
        int answer;
    } cases[] = {
        {MB_OKCANCEL, {ESCAPE}, IDCANCEL},
        {MB_OKCANCEL, {ENTER}, IDOK},
        {MB_YESNO | 0x100, {ENTER}, IDNO}, // MB_DEFBUTTON2
        {3, {ESCAPE}, IDCANCEL},           // MB_YESNOCANCEL
        {3, {SHIFT_TAB, ENTER}, IDCANCEL}, // back from the first wraps to the last
        {3, {TAB, TAB, SHIFT_TAB, ENTER}, IDNO},
        {2, {ESCAPE, Key{'R', 'r', 0}}, 4}, // MB_ABORTRETRYIGNORE: no Cancel, Escape does nothing
    };
    for (const auto &c : cases) {
        queue(c.keys);
        EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", c.style), c.answer)
            << std::hex << c.style;
        FlushConsoleInputBuffer(console_screen::input());
    }
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", 0x0F), 0) << "an unknown style";
    EXPECT_TRUE(cells() == before_);
}

TEST_F(MessageBox, LongAndManyLinesFitTheWindow) {
    std::string text(200, 'w');
    for (int i = 0; i < 30; ++i) text += "\nline";
    queue({ENTER});
    msg_box_show(text.c_str(), std::string(100, 'c').c_str());
    EXPECT_TRUE(cells() == before_);
}

// A script line answers one box: its keys until one answers, or its line
// end (Enter on the default button); the rest of the line goes with it.
TEST_F(MessageBox, EachScriptLineAnswersOneBox) {
    const std::string script = "xn\n\n\ty\nn\ny\nny\n";
    console_host_feed(script.data(), static_cast<unsigned>(script.size()));
    for (uint32_t answer :
         {MSG_BOX_NO, MSG_BOX_YES, MSG_BOX_YES, MSG_BOX_NO, MSG_BOX_YES, MSG_BOX_NO})
        EXPECT_EQ(msg_box_ask("Continue?", nullptr), answer);
    EXPECT_TRUE(cells() == before_);
}

TEST_F(MessageBox, ABoxAfterAKeyPollStartsOnTheNextScriptLine) {
    console_host_feed("1y\nn\n", 5);
    key_record key{};
    EXPECT_TRUE(con_poll_key(&key));
    EXPECT_EQ(key.char_code, '1');
    EXPECT_EQ(msg_box_ask("Continue?", nullptr), static_cast<uint32_t>(MSG_BOX_NO));
}

// In UTF-8 the box gives back the wide characters it covered, one that its
// edge cut in two included (rows shifted by a cell put edges on both halves).
TEST_F(MessageBox, WideCharactersUnderTheBoxComeBackWhole) {
    const char *saved = getenv("CONRT_CODEPAGE");
    std::string old = saved ? saved : "";
    setenv("CONRT_CODEPAGE", "65001", 1);
    console_host_open(COLUMNS, ROWS);
    saved ? setenv("CONRT_CODEPAGE", old.c_str(), 1) : unsetenv("CONRT_CODEPAGE");
    for (int row = 0; row < ROWS; ++row) {
        std::string text = row % 2 ? "a" : "";
        for (int i = 0; i < COLUMNS / 2; ++i) text += "\xe4\xb8\xad";
        DWORD written = 0;
        WriteConsoleOutputCharacterA(console_screen::output(), text.data(),
                                     static_cast<DWORD>(text.size()),
                                     COORD{0, static_cast<SHORT>(row)}, &written);
    }
    auto screen = [] { // every cell's character, as UTF-8
        std::string all(4 * COLUMNS * ROWS, '\0');
        DWORD read = 0;
        ReadConsoleOutputCharacterA(console_screen::output(), all.data(),
                                    static_cast<DWORD>(all.size()), COORD{0, 0}, &read);
        return all.substr(0, read);
    };
    std::string before = screen();
    queue({ENTER});
    msg_box_show("na\xc3\xafve \xe4\xb8\xad\xe6\x96\x87", "\xe4\xb8\xad");
    EXPECT_EQ(screen(), before);
}

} // namespace
