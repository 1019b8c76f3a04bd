// The built-in keypad: key codes, the key state machine (opposite directions,
// Menu click, volume keys) and the sealed keypad map file.

#include "test_root.h"

#include "porta/device/keypad.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// Reflected CRC-32 (0xEDB88320), initial value 0, no final inversion.
uint32_t crc(const std::string &b)
{
    uint32_t c = 0;
    for (unsigned char byte : b) {
        c ^= byte;
        for (int k = 0; k < 8; k++)
            c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0);
    }
    return c;
}

std::string le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++)
        s[i] = (char)((v >> (8 * i)) & 0xFF);
    return s;
}

std::string map_bytes(const int16_t codes[LOCALPAD_KEYS])
{
    std::string s;
    for (int i = 0; i < LOCALPAD_KEYS; i++) {
        s += (char)(codes[i] & 0xFF);
        s += (char)(((uint16_t)codes[i] >> 8) & 0xFF);
    }
    return s;
}

std::string sealed(const std::string &b)
{
    return b + le32(crc(b));
}

int16_t code(int index)
{
    return keypad_codes[index].load();
}

class KeypadLogic : public testing::Test {
protected:
    KeypadState st;
    void SetUp() override { reset_keypad_map_to_defaults(); }
    uint32_t press(int index, bool asleep = false) { return keypad_apply_key(&st, code(index), 1, asleep); }
    uint32_t release(int index, bool asleep = false) { return keypad_apply_key(&st, code(index), 0, asleep); }
};

} // namespace

TEST(PadToKeycode, EachKeyAloneGivesItsCode)
{
    const struct {
        uint32_t mask;
        int key;
    } table[] = {
        {PAD_UP, SDLK_UP},        {PAD_DOWN, SDLK_DOWN},     {PAD_LEFT, SDLK_LEFT}, {PAD_RIGHT, SDLK_RIGHT},
        {PAD_A, SDLK_LCTRL},      {PAD_B, SDLK_LALT},        {PAD_X, SDLK_SPACE},   {PAD_Y, SDLK_LSHIFT},
        {PAD_START, SDLK_RETURN}, {PAD_SELECT, SDLK_ESCAPE}, {PAD_MENU, SDLK_3},    {PAD_L1, SDLK_BACKSPACE},
        {PAD_R1, SDLK_TAB},       {PAD_L2, SDLK_BACKSPACE},  {PAD_R2, SDLK_TAB},
    };
    for (const auto &t : table)
        EXPECT_EQ(pad_to_keycode(t.mask), t.key) << std::hex << t.mask;
    EXPECT_EQ(SDLK_LCTRL, 306);
    EXPECT_EQ(SDLK_3, 51);
}

TEST(PadToKeycode, PriorityOrderDecidesBetweenKeys)
{
    EXPECT_EQ(pad_to_keycode(PAD_A | PAD_START), SDLK_LCTRL);
    EXPECT_EQ(pad_to_keycode(PAD_START | PAD_SELECT), SDLK_RETURN);
    EXPECT_EQ(pad_to_keycode(PAD_X | PAD_Y), SDLK_SPACE);
    EXPECT_EQ(pad_to_keycode(PAD_MENU | PAD_L1), SDLK_3);
    EXPECT_EQ(pad_to_keycode(PAD_R2 | PAD_DOWN), SDLK_DOWN);
}

TEST(PadToKeycode, VolumeKeysAndQuitGiveNoCode)
{
    EXPECT_EQ(pad_to_keycode(0), 0);
    EXPECT_EQ(pad_to_keycode(PAD_VOLUP), 0);
    EXPECT_EQ(pad_to_keycode(PAD_VOLUP | PAD_VOLDOWN), 0);
    EXPECT_EQ(pad_to_keycode(PAD_QUIT_REQUEST), 0);
}

TEST_F(KeypadLogic, LeftThenRightGivesRightAloneAndReleasingLeavesNothing)
{
    EXPECT_EQ(press(LPAD_LEFT), (uint32_t)PAD_LEFT);
    EXPECT_EQ(press(LPAD_RIGHT), (uint32_t)PAD_RIGHT);
    EXPECT_EQ(release(LPAD_RIGHT), 0u); // LEFT is still down but does not come back
    EXPECT_EQ(release(LPAD_LEFT), 0u);
}

TEST_F(KeypadLogic, VerticalPairFollowsTheLastPress)
{
    EXPECT_EQ(press(LPAD_DOWN), (uint32_t)PAD_DOWN);
    EXPECT_EQ(press(LPAD_UP), (uint32_t)PAD_UP);
    EXPECT_EQ(press(LPAD_RIGHT), (uint32_t)(PAD_UP | PAD_RIGHT)); // diagonals stay
    EXPECT_EQ(press(LPAD_DOWN), (uint32_t)(PAD_DOWN | PAD_RIGHT));
}

TEST_F(KeypadLogic, ActionKeysCombineAndRelease)
{
    press(LPAD_A);
    EXPECT_EQ(press(LPAD_START), (uint32_t)(PAD_A | PAD_START));
    EXPECT_EQ(press(LPAD_L2), (uint32_t)(PAD_A | PAD_START | PAD_L2));
    EXPECT_EQ(release(LPAD_A), (uint32_t)(PAD_START | PAD_L2));
    EXPECT_EQ(keypad_apply_key(&st, 555, 1, false), (uint32_t)(PAD_START | PAD_L2)); // unmapped code
}

TEST_F(KeypadLogic, AutoRepeatEventsAreIgnored)
{
    press(LPAD_B);
    EXPECT_EQ(keypad_apply_key(&st, code(LPAD_B), 2, false), (uint32_t)PAD_B);
    EXPECT_EQ(keypad_apply_key(&st, code(LPAD_A), 2, false), (uint32_t)PAD_B);
}

TEST_F(KeypadLogic, MenuAloneIsAClick)
{
    EXPECT_EQ(press(LPAD_MENU), (uint32_t)PAD_MENU);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_HELD);
    release(LPAD_MENU);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_CLICKED);
}

TEST_F(KeypadLogic, MenuWithVolumeKeyIsNoClick)
{
    press(LPAD_MENU);
    EXPECT_EQ(press(LPAD_VOLUP), (uint32_t)(PAD_MENU | PAD_VOLUP));
    EXPECT_EQ(st.volume_key.load(), 1);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_COMBO);
    release(LPAD_VOLUP);
    EXPECT_EQ(st.volume_key.load(), 0);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_COMBO);
    EXPECT_EQ(release(LPAD_MENU), 0u);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_IDLE);
}

TEST_F(KeypadLogic, VolumeKeyHeldBeforeMenuIsNoClick)
{
    press(LPAD_VOLDOWN);
    press(LPAD_MENU);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_COMBO);
    release(LPAD_MENU);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_IDLE);
}

TEST_F(KeypadLogic, MenuClickWhileAsleepIsDropped)
{
    press(LPAD_MENU, true);
    release(LPAD_MENU, true);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_IDLE);
}

TEST_F(KeypadLogic, ClearedClickStaysClearedOnLaterKeys)
{
    press(LPAD_MENU);
    release(LPAD_MENU);
    ASSERT_EQ(st.menu_click.load(), MENU_CLICK_CLICKED);
    st.menu_click.store(MENU_CLICK_IDLE); // the main loop took the click
    press(LPAD_A);
    release(LPAD_A);
    EXPECT_EQ(st.menu_click.load(), MENU_CLICK_IDLE);
}

TEST_F(KeypadLogic, RemappedCodesFollowTheMap)
{
    keypad_codes[LPAD_A].store(150);
    EXPECT_EQ(keypad_apply_key(&st, 94, 1, false), 0u);
    EXPECT_EQ(keypad_apply_key(&st, 150, 1, false), (uint32_t)PAD_A);
    // One physical key mapped to two logical keys sets both.
    keypad_codes[LPAD_L1].store(150);
    EXPECT_EQ(keypad_apply_key(&st, 150, 1, false), (uint32_t)(PAD_A | PAD_L1));
}

class KeypadMapFile : public testing::Test {
protected:
    TempRoot root;
    void SetUp() override { reset_keypad_map_to_defaults(); }
};

TEST_F(KeypadMapFile, SealedFileIsUsed)
{
    int16_t codes[LOCALPAD_KEYS];
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        codes[i] = (int16_t)(200 + i);
    codes[LPAD_B] = -3; // signed codes survive
    std::string file = sealed(map_bytes(codes));
    ASSERT_EQ(file.size(), 38u);
    root.write(LOCALPAD_MAP_FILE, file);
    EXPECT_EQ(load_keypad_map(), 0);
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        EXPECT_EQ(code(i), codes[i]) << i;
    EXPECT_TRUE(root.exists(LOCALPAD_MAP_FILE));
}

TEST_F(KeypadMapFile, UnsealedFileIsDeletedAndDefaultsUsed)
{
    int16_t codes[LOCALPAD_KEYS];
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        codes[i] = (int16_t)(300 + i);
    root.write(LOCALPAD_MAP_FILE, map_bytes(codes)); // 34 bytes, no seal
    CaptureStdout();
    EXPECT_EQ(load_keypad_map(), -1);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("--open_adc_bnt_input: local pad use deflt \n"), std::string::npos) << out;
    EXPECT_FALSE(root.exists(LOCALPAD_MAP_FILE));
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        EXPECT_EQ(code(i), localpad_default_codes[i]) << i;
}

TEST_F(KeypadMapFile, DamagedEmptyOrMissingFileGivesDefaults)
{
    std::string file = sealed(map_bytes(localpad_default_codes));
    file[3] ^= 0x40;
    root.write(LOCALPAD_MAP_FILE, file);
    keypad_codes[0].store(1);
    EXPECT_EQ(load_keypad_map(), -1);
    EXPECT_EQ(code(0), 90);
    EXPECT_FALSE(root.exists(LOCALPAD_MAP_FILE));

    root.write(LOCALPAD_MAP_FILE, ""); // passes the seal check, but is too short
    keypad_codes[0].store(1);
    EXPECT_EQ(load_keypad_map(), -1);
    EXPECT_EQ(code(0), 90);

    keypad_codes[0].store(1);
    root.write(LOCALPAD_MAP_FILE, sealed("\x01\x02")); // sealed but short
    EXPECT_EQ(load_keypad_map(), -1);
    EXPECT_EQ(code(0), 90);
}

TEST_F(KeypadMapFile, ZeroFilledMapIsDeletedAndDefaultsUsed)
{
    root.write(LOCALPAD_MAP_FILE, std::string(38, '\0')); // seals itself: CRC of zeros is 0
    EXPECT_EQ(load_keypad_map(), -1);
    EXPECT_FALSE(root.exists(LOCALPAD_MAP_FILE));
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        EXPECT_EQ(code(i), localpad_default_codes[i]) << "not every key on code 0";
}

TEST_F(KeypadMapFile, SaveWritesTheSealedMapAndLoadsBack)
{
    root.mkdirs("/mnt/data/porta");
    keypad_codes[LPAD_X].store(0x1234);
    keypad_codes[LPAD_R2].store(-2);
    ASSERT_EQ(save_keypad_map(), 0);
    std::string file = root.read(LOCALPAD_MAP_FILE);
    ASSERT_EQ(file.size(), 38u);
    EXPECT_EQ(crc(file), 0u); // the trailer seals the 34 bytes
    EXPECT_EQ((unsigned char)file[2 * LPAD_X], 0x34);
    EXPECT_EQ((unsigned char)file[2 * LPAD_X + 1], 0x12);
    EXPECT_EQ((unsigned char)file[2 * LPAD_R2], 0xFE);
    EXPECT_EQ((unsigned char)file[2 * LPAD_R2 + 1], 0xFF);
    EXPECT_EQ((unsigned char)file[0], 90);

    reset_keypad_map_to_defaults();
    ASSERT_EQ(load_keypad_map(), 0);
    EXPECT_EQ(code(LPAD_X), 0x1234);
    EXPECT_EQ(code(LPAD_R2), -2);
}

TEST_F(KeypadMapFile, SaveReportsAFolderThatCannotBeWritten)
{
    root.write("/mnt/data/porta", "not a folder");
    CaptureStdout();
    EXPECT_EQ(save_keypad_map(), -1);
    EXPECT_NE(GetCapturedStdout().find("---Savelocalkeypad: fopen /mnt/data/porta/localpad.map fail \n"),
              std::string::npos);
}

TEST(KeypadWindow, KeyboardStandsInForTheKeypad)
{
    EXPECT_EQ(keypad_window_code(SDLK_UP), 90);
    EXPECT_EQ(keypad_window_code(SDLK_RIGHT), 93);
    EXPECT_EQ(keypad_window_code(SDLK_x), 94);       // A
    EXPECT_EQ(keypad_window_code(SDLK_z), 95);       // B
    EXPECT_EQ(keypad_window_code(SDLK_RETURN), 98);  // Start
    EXPECT_EQ(keypad_window_code(SDLK_RSHIFT), 99);  // Select
    EXPECT_EQ(keypad_window_code(SDLK_ESCAPE), 104); // Menu
    EXPECT_EQ(keypad_window_code(SDLK_EQUALS), 108); // vol+
    EXPECT_EQ(keypad_window_code(SDLK_MINUS), 109);  // vol-
    EXPECT_EQ(keypad_window_code(SDLK_p), KEYPAD_WINDOW_POWER);
    EXPECT_EQ(keypad_window_code(SDLK_F5), -1);
}
