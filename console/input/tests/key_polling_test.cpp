// Key polling and key codes: translation of every extended key and modifier,
// and what a poll takes from the console input and what it leaves.
#include <gtest/gtest.h>

#include "con_input.h"
#include "console_host.h"
#include "console_screen.h"
#include "input_internal.h"

namespace {

using console_screen::key_event;
using console_screen::press_key;

constexpr DWORD CTRL = LEFT_CTRL_PRESSED;
constexpr DWORD ALT = LEFT_ALT_PRESSED;
constexpr DWORD SHIFT = SHIFT_PRESSED;

key_record translated(uint16_t virtual_key, uint8_t scan_code, uint8_t character, DWORD state) {
    key_record key{character, scan_code, virtual_key, static_cast<uint32_t>(state)};
    translate_key(&key);
    return key;
}

uint16_t key_code(const key_record &key) {
    return static_cast<uint16_t>(key.scan_code << 8 | key.char_code);
}

struct TableRow {
    uint16_t virtual_key;
    uint8_t scan_code;
    uint8_t character;
    uint8_t plain, with_ctrl, with_alt;
};

// Scan codes and characters as the console reports them for each key.
const TableRow extended_rows[] = {
    {VK_LEFT, 0x4B, 0, 0x4B, 0x73, 0x4B},        {VK_RIGHT, 0x4D, 0, 0x4D, 0x74, 0x4D},
    {VK_UP, 0x48, 0, 0x48, 0x8D, 0x48},          {VK_DOWN, 0x50, 0, 0x50, 0x91, 0x50},
    {VK_PRIOR, 0x49, 0, 0x49, 0x84, 0x49},       {VK_NEXT, 0x51, 0, 0x51, 0x76, 0x51},
    {VK_HOME, 0x47, 0, 0x47, 0x77, 0x47},        {VK_END, 0x4F, 0, 0x4F, 0x75, 0x4F},
    {VK_INSERT, 0x52, 0, 0x52, 0x92, 0x52},      {VK_DELETE, 0x53, 0, 0x53, 0x93, 0x53},
    {VK_ADD, 0x4E, '+', 0x4E, 0x90, 0x4E},       {VK_SUBTRACT, 0x4A, '-', 0x4A, 0x8E, 0x4A},
    {VK_F11, 0x57, 0, 0x85, 0x85, 0x85},         {VK_F12, 0x58, 0, 0x86, 0x86, 0x86},
    {VK_OEM_MINUS, 0x0C, '-', 0x0C, 0x0C, 0x82}, {VK_OEM_PLUS, 0x0D, '=', 0x0D, 0x0D, 0x83},
};

TEST(TranslateKey, ExtendedKeyTableWithEachModifier) {
    for (const TableRow &row : extended_rows) {
        key_record plain = translated(row.virtual_key, row.scan_code, row.character, 0);
        EXPECT_EQ(plain.scan_code, row.plain) << std::hex << row.virtual_key;
        EXPECT_EQ(plain.char_code, row.character) << "plain keeps its character";

        key_record shift = translated(row.virtual_key, row.scan_code, row.character, SHIFT);
        EXPECT_EQ(shift.scan_code, row.plain) << "Shift plays no part";

        for (DWORD ctrl : {DWORD{LEFT_CTRL_PRESSED}, DWORD{RIGHT_CTRL_PRESSED}, CTRL | ALT}) {
            key_record with_ctrl = translated(row.virtual_key, row.scan_code, row.character, ctrl);
            EXPECT_EQ(with_ctrl.scan_code, row.with_ctrl) << std::hex << row.virtual_key;
            EXPECT_EQ(with_ctrl.char_code, 0);
        }
        for (DWORD alt : {DWORD{LEFT_ALT_PRESSED}, DWORD{RIGHT_ALT_PRESSED}}) {
            key_record with_alt = translated(row.virtual_key, row.scan_code, row.character, alt);
            EXPECT_EQ(with_alt.scan_code, row.with_alt) << std::hex << row.virtual_key;
            EXPECT_EQ(with_alt.char_code, 0);
        }
    }
}

TEST(TranslateKey, FunctionKeysOneToTenShiftTheirScanCode) {
    for (int i = 0; i < 10; ++i) {
        uint16_t vk = static_cast<uint16_t>(VK_F1 + i);
        uint8_t scan = static_cast<uint8_t>(0x3B + i);
        EXPECT_EQ(translated(vk, scan, 0, 0).scan_code, scan);
        EXPECT_EQ(translated(vk, scan, 0, SHIFT).scan_code, scan + 0x19);
        EXPECT_EQ(translated(vk, scan, 0, CTRL).scan_code, scan + 0x23);
        EXPECT_EQ(translated(vk, scan, 0, ALT).scan_code, scan + 0x2D);
        EXPECT_EQ(translated(vk, scan, 0, CTRL | ALT).scan_code, scan + 0x23) << "Ctrl wins";
        EXPECT_EQ(translated(vk, scan, 0, SHIFT | ALT).scan_code, scan + 0x2D);
    }
    EXPECT_EQ(translated(VK_F1, 0x3B, 0, SHIFT).scan_code, 0x54);
    EXPECT_EQ(translated(VK_F1, 0x3B, 0, CTRL).scan_code, 0x5E);
    EXPECT_EQ(translated(VK_F1, 0x3B, 0, ALT).scan_code, 0x68);
}

TEST(TranslateKey, AltDigitsLoseTheirCharacter) {
    for (int d = 0; d < 10; ++d) {
        uint8_t scan = static_cast<uint8_t>(d == 0 ? 0x0B : 0x01 + d);
        uint16_t vk = static_cast<uint16_t>('0' + d);
        uint8_t ch = static_cast<uint8_t>('0' + d);
        key_record alt = translated(vk, scan, ch, ALT);
        EXPECT_EQ(alt.scan_code, static_cast<uint8_t>(scan + 0x76));
        EXPECT_EQ(alt.char_code, 0);
        EXPECT_EQ(key_code(translated(vk, scan, ch, CTRL)), scan << 8 | ch)
            << "Ctrl alone: no change";
        EXPECT_EQ(key_code(translated(vk, scan, ch, SHIFT)), scan << 8 | ch);
        EXPECT_EQ(translated(vk, scan, ch, CTRL | ALT).scan_code, static_cast<uint8_t>(scan + 0x76))
            << "for digits only Alt counts";
    }
    EXPECT_EQ(translated('1', 0x02, '1', ALT).scan_code, 0x78);
}

TEST(TranslateKey, ShiftTabAndPlainKeys) {
    key_record shift_tab = translated(VK_TAB, 0x0F, '\t', SHIFT);
    EXPECT_EQ(shift_tab.char_code, 0);
    EXPECT_EQ(shift_tab.scan_code, 0x0F);
    EXPECT_EQ(key_code(translated(VK_TAB, 0x0F, '\t', 0)), 0x0F09);
    EXPECT_EQ(key_code(translated(VK_RETURN, 0x1C, '\r', 0)), 0x1C0D);
    EXPECT_EQ(key_code(translated(VK_ESCAPE, 0x01, 27, 0)), 0x011B);
    EXPECT_EQ(key_code(translated('A', 0x1E, 'A', SHIFT)), 0x1E41)
        << "letters keep Shift's capital";
    EXPECT_EQ(key_code(translated('A', 0x1E, 'a', CAPSLOCK_ON | NUMLOCK_ON)), 0x1E61)
        << "lock states are not modifiers";
}

// The named key codes are what the keys give, as the console reports them.
TEST(TranslateKey, NamedKeyCodesMatchTheKeys) {
    const struct {
        uint16_t virtual_key;
        uint8_t scan_code, character;
        uint32_t named;
    } keys[] = {
        {VK_RETURN, 0x1C, '\r', KEY_CODE_ENTER}, {VK_ESCAPE, 0x01, 27, KEY_CODE_ESCAPE},
        {VK_BACK, 0x0E, 8, KEY_CODE_BACKSPACE},  {VK_TAB, 0x0F, '\t', KEY_CODE_TAB},
        {VK_SPACE, 0x39, ' ', KEY_CODE_SPACE},   {VK_UP, 0x48, 0, KEY_CODE_UP},
        {VK_DOWN, 0x50, 0, KEY_CODE_DOWN},       {VK_LEFT, 0x4B, 0, KEY_CODE_LEFT},
        {VK_RIGHT, 0x4D, 0, KEY_CODE_RIGHT},     {VK_HOME, 0x47, 0, KEY_CODE_HOME},
        {VK_END, 0x4F, 0, KEY_CODE_END},         {VK_PRIOR, 0x49, 0, KEY_CODE_PAGE_UP},
        {VK_NEXT, 0x51, 0, KEY_CODE_PAGE_DOWN},  {VK_INSERT, 0x52, 0, KEY_CODE_INSERT},
        {VK_DELETE, 0x53, 0, KEY_CODE_DELETE},   {VK_F1, 0x3B, 0, KEY_CODE_F1},
        {VK_F10, 0x44, 0, KEY_CODE_F10},         {VK_F11, 0x57, 0, KEY_CODE_F11},
        {VK_F12, 0x58, 0, KEY_CODE_F12},
    };
    for (const auto &k : keys)
        EXPECT_EQ(key_code(translated(k.virtual_key, k.scan_code, k.character, 0)), k.named)
            << "virtual key " << k.virtual_key;
}

class KeyPoll : public ::testing::Test {
  protected:
    void SetUp() override { console_host_open(80, 25); }
};

void write_event(const INPUT_RECORD &event) {
    DWORD written = 0;
    WriteConsoleInputA(console_screen::input(), &event, 1, &written);
}

DWORD pending_events() {
    DWORD count = 0;
    GetNumberOfConsoleInputEvents(console_screen::input(), &count);
    return count;
}

TEST_F(KeyPoll, NothingTypedReadsAsCharacterOne) {
    key_record key{};
    EXPECT_FALSE(con_poll_key(&key));
    EXPECT_EQ(key.char_code, 1);
    EXPECT_EQ(key.scan_code, 0);
}

TEST_F(KeyPoll, EnterAndEscapeKeepTheConsolesCodes) {
    key_record key{};
    press_key(VK_RETURN, 0x1C, '\r');
    ASSERT_TRUE(con_poll_key(&key));
    EXPECT_EQ(key_code(key), 0x1C0D);
    EXPECT_EQ(key.virtual_key, VK_RETURN);
    press_key(VK_ESCAPE, 0x01, 27);
    ASSERT_TRUE(con_poll_key(&key));
    EXPECT_EQ(key_code(key), 0x011B);
}

TEST_F(KeyPoll, ModifiersLocksAndReleasesAloneAreNoKey) {
    const WORD alone[][2] = {{VK_SHIFT, 0x2A},   {VK_CONTROL, 0x1D}, {VK_MENU, 0x38},
                             {VK_CAPITAL, 0x3A}, {VK_NUMLOCK, 0x45}, {VK_SCROLL, 0x46}};
    for (const auto &k : alone) press_key(k[0], k[1], 0);
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    write_event(focus);
    write_event(key_event(false, 'A', 0x1E, 'a'));
    key_record key{};
    EXPECT_FALSE(con_poll_key(&key));
    EXPECT_EQ(key.char_code, 1);
    EXPECT_EQ(pending_events(), 0u) << "the poll consumed what it skipped";
}

TEST_F(KeyPoll, KeyBehindModifierIsFound) {
    write_event(key_event(true, VK_MENU, 0x38, 0, ALT));
    write_event(key_event(true, VK_LEFT, 0x4B, 0, ALT | ENHANCED_KEY));
    key_record key{};
    ASSERT_TRUE(con_poll_key(&key));
    EXPECT_EQ(key.scan_code, 0x4B);
    EXPECT_EQ(key.char_code, 0);
    EXPECT_EQ(key.control_state, static_cast<uint32_t>(ALT | ENHANCED_KEY))
        << "state passes through";
}

TEST_F(KeyPoll, TypeAheadBehindAReturnedKeyIsLost) {
    press_key('1', 0x02, '1');
    press_key('2', 0x03, '2');
    key_record key{};
    ASSERT_TRUE(con_poll_key(&key));
    EXPECT_EQ(key.char_code, '1');
    EXPECT_FALSE(con_poll_key(&key));
    EXPECT_EQ(pending_events(), 0u);
}

TEST_F(KeyPoll, PollThatFindsNothingLeavesLaterKeysAlone) {
    // Keys arriving between polls of a loop all reach the program.
    key_record key{};
    int received = 0;
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(con_poll_key(&key));
        press_key('a', 0x1E, 'a');
        if (con_poll_key(&key) && key.char_code == 'a') ++received;
    }
    EXPECT_EQ(received, 20);
}

TEST_F(KeyPoll, ZeroVirtualKeyIsTakenButNotAKey) {
    write_event(key_event(true, 0, 0, 'x'));
    key_record key{};
    EXPECT_FALSE(con_poll_key(&key));
    EXPECT_EQ(key.char_code, 'x');
    EXPECT_EQ(pending_events(), 0u);
}

TEST_F(KeyPoll, InputModeIsRestoredAfterThePoll) {
    DWORD before = 0;
    GetConsoleMode(console_screen::input(), &before);
    press_key('q', 0x10, 'q');
    con_poll_key(nullptr);
    con_poll_key(nullptr);
    DWORD after = 0;
    GetConsoleMode(console_screen::input(), &after);
    EXPECT_EQ(after, before);
}

TEST_F(KeyPoll, ReadCharWaitsAndReturnsTheKeyCode) {
    press_key(VK_SHIFT, 0x2A, 0);
    press_key(VK_RETURN, 0x1C, '\r');
    EXPECT_EQ(con_read_char(), 0x00001C0Du);
}

} // namespace
