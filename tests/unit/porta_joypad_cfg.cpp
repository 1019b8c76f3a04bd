// Joypad configuration files: defaults by counts, user file over factory
// file, partial files, file names, writing and reading back, restoring the
// defaults.

#include "test_root.h"

#include "porta/controller/gamepad.h"
#include "porta/controller/joypad_cfg.h"
#include "porta/device/keypad.h"

#include <gtest/gtest.h>

#include <cstring>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class JoypadCfg : public testing::Test {
protected:
    TempRoot root;
    JoyDevice pad;

    void SetUp() override
    {
        joy_device_clear(&pad);
        strcpy(pad.name, "USB Gamepad");
        pad.vendor_id = 121;
        pad.product_id = 17;
        pad.nhats = 1;
        pad.nbuttons = 12;
        pad.naxes = 4;
        root.mkdirs(JOYPAD_USER_DIR);
        root.mkdirs(JOYPAD_FACTORY_DIR);
    }

    static void expect_entry(const JoyConvEntry &e, int type, int index, int value, const char *what)
    {
        EXPECT_EQ(e.type, type) << what;
        EXPECT_EQ(e.index, index) << what;
        EXPECT_EQ(e.value, value) << what;
    }
};

} // namespace

TEST_F(JoypadCfg, DefaultsForOneHatTwelveButtonsFourAxes)
{
    CaptureStdout();
    EXPECT_EQ(rebuild_joypad_table(&pad), 2);
    EXPECT_EQ(GetCapturedStdout(), "");
    const int hat_bits[4] = {JOY_HAT_UP, JOY_HAT_DOWN, JOY_HAT_LEFT, JOY_HAT_RIGHT};
    for (int s = 0; s < 4; s++)
        expect_entry(pad.conv[s], JOY_SRC_HAT, 0, hat_bits[s], "d-pad");
    for (int b = 0; b < 10; b++) // a, b, x, y, l, r, l2, r2, select, start; 10 and 11 unused
        expect_entry(pad.conv[4 + b], JOY_SRC_BUTTON, b, 0, "button");
    expect_entry(pad.conv[14], JOY_SRC_AXIS, 1, -1, "left stick up");
    expect_entry(pad.conv[15], JOY_SRC_AXIS, 1, 1, "left stick down");
    expect_entry(pad.conv[16], JOY_SRC_AXIS, 0, -1, "left stick left");
    expect_entry(pad.conv[17], JOY_SRC_AXIS, 0, 1, "left stick right");
    expect_entry(pad.conv[18], JOY_SRC_AXIS, 3, -1, "right stick up");
    expect_entry(pad.conv[19], JOY_SRC_AXIS, 3, 1, "right stick down");
    expect_entry(pad.conv[20], JOY_SRC_AXIS, 2, -1, "right stick left");
    expect_entry(pad.conv[21], JOY_SRC_AXIS, 2, 1, "right stick right");
    // Every slot carries its key, mapped or not.
    EXPECT_EQ(pad.conv[4].set_mask, (uint32_t)PAD_A);
    EXPECT_EQ(pad.conv[12].set_mask, (uint32_t)PAD_SELECT);
    EXPECT_EQ(pad.conv[21].set_mask, (uint32_t)PAD_B);
    EXPECT_EQ(pad.conv[21].clear_mask, 0xFFFFDFu);
    EXPECT_EQ(pad.conv[14].set_mask, (uint32_t)PAD_UP);

    // One axis and no hat: buttons only.
    pad.nhats = 0;
    pad.nbuttons = 3;
    pad.naxes = 1;
    rebuild_joypad_table(&pad);
    for (int s = 0; s < JOY_CONV_SLOTS; s++)
        EXPECT_EQ(pad.conv[s].type, s >= 4 && s < 7 ? JOY_SRC_BUTTON : JOY_SRC_NONE) << s;
}

TEST_F(JoypadCfg, UserFileWinsOverFactoryFileAndPartialFilesStayPartial)
{
    root.write(std::string(JOYPAD_FACTORY_DIR) + "/USB Gamepad.cfg", "input_a_btn = \"7\"\ninput_b_btn = \"8\"\n");
    CaptureStdout();
    EXPECT_EQ(rebuild_joypad_table(&pad), 1);
    EXPECT_EQ(GetCapturedStdout(),
              "--<rebuild_joyconver_table>--: use save (USB Gamepad.cfg) to fill convertable ....\n");
    expect_entry(pad.conv[4], JOY_SRC_BUTTON, 7, 0, "factory a");
    expect_entry(pad.conv[0], JOY_SRC_NONE, 0, 0, "factory leaves up unmapped");

    root.write(std::string(JOYPAD_USER_DIR) + "/USB Gamepad.cfg",
               "input_driver = \"udev\"\n"
               "input_device = \"USB Gamepad\"\n"
               "input_vendor_id = \"121\"\n"
               "\n"
               "no equals sign here\n"
               "input_y_btn = 3\n"                // no quote: skipped
               "  input_x_btn   =   \"h0left\"\n" // the value decides the source type
               "input_a_axis = \"5\"\n"
               "input_l_x_minus_axis = \"-0\"\n"
               "input_r_y_plus_axis = \"+3\n" // no closing quote
               "input_start_btn = \"h1\"\n"   // a hat without direction: no source
               "input_select_btn = \"nul\"\n" // no number: no source
               "input_up_btn = \"h0up\"\r\n"
               "input_r2_btn = \"" +
                   std::string(1500, '9') +
                   "\"\n" // cut, and its rest dropped
                   "input_l2_btn = \"4\"\n");
    CaptureStdout();
    EXPECT_EQ(rebuild_joypad_table(&pad), 0);
    EXPECT_NE(GetCapturedStdout().find("use save (USB Gamepad.cfg)"), std::string::npos);
    expect_entry(pad.conv[6], JOY_SRC_HAT, 0, JOY_HAT_LEFT, "x");
    expect_entry(pad.conv[4], JOY_SRC_BUTTON, 5, 0, "a");
    expect_entry(pad.conv[16], JOY_SRC_AXIS, 0, -1, "left stick left");
    expect_entry(pad.conv[19], JOY_SRC_AXIS, 3, 1, "right stick down");
    expect_entry(pad.conv[0], JOY_SRC_HAT, 0, JOY_HAT_UP, "up");
    expect_entry(pad.conv[10], JOY_SRC_BUTTON, 4, 0, "l2 after a long line");
    expect_entry(pad.conv[5], JOY_SRC_NONE, 0, 0, "b is not taken from the factory file");
    expect_entry(pad.conv[7], JOY_SRC_NONE, 0, 0, "y");
    expect_entry(pad.conv[13], JOY_SRC_NONE, 0, 0, "start");
    expect_entry(pad.conv[12], JOY_SRC_NONE, 0, 0, "select");
    expect_entry(pad.conv[1], JOY_SRC_NONE, 0, 0, "down is not defaulted");

    // Unreadable user file: the factory file.
    CaptureStdout();
    EXPECT_EQ(read_joypad_file("/mnt/data/porta/joypad/none.cfg", pad.conv), -1);
    EXPECT_EQ(GetCapturedStdout(), "--<ReadConvertFromFile>--: fopen read /mnt/data/porta/joypad/none.cfg fail \n");
}

TEST_F(JoypadCfg, LabelLinesOfARetroArchFileBindNothing)
{
    // Each label, were it read as a binding, would move its key elsewhere.
    root.write(std::string(JOYPAD_USER_DIR) + "/USB Gamepad.cfg",
               "input_driver = \"udev\"\n"
               "input_device = \"USB Gamepad\"\n"
               "input_a_btn = \"1\"\n"
               "input_a_btn_label = \"2/Circle\"\n"
               "input_x_btn = \"0\"\n"
               "input_x_btn_label = \"1/Triangle\"\n"
               "input_b_btn = \"2\"\n"
               "input_b_btn_label = \"-3\"\n"
               "input_y_btn = \"3\"\n"
               "input_y_btn_label = \"+4\"\n"
               "input_up_btn = \"h0up\"\n"
               "input_up_btn_label = \"h1down\"\n"
               "input_down_btn = \"h0down\"\n"
               "input_down_btn_label = \"D-Pad Down\"\n"
               "input_l_x_plus_axis = \"+0\"\n"
               "input_l_x_plus_axis_label = \"-5 Left Analog X+ (right)\"\n"
               "input_start_btnx = \"7\"\n"
               "input_select_axis_btn = \"8\"\n"
               "input_menu_toggle_btn = \"9\"\n");
    rebuild_joypad_table(&pad);
    expect_entry(pad.conv[4], JOY_SRC_BUTTON, 1, 0, "a");
    expect_entry(pad.conv[6], JOY_SRC_BUTTON, 0, 0, "x");
    expect_entry(pad.conv[5], JOY_SRC_BUTTON, 2, 0, "b");
    expect_entry(pad.conv[7], JOY_SRC_BUTTON, 3, 0, "y");
    expect_entry(pad.conv[0], JOY_SRC_HAT, 0, JOY_HAT_UP, "up");
    expect_entry(pad.conv[1], JOY_SRC_HAT, 0, JOY_HAT_DOWN, "down");
    expect_entry(pad.conv[17], JOY_SRC_AXIS, 0, 1, "left stick right");
    expect_entry(pad.conv[13], JOY_SRC_NONE, 0, 0, "start: not a binding key");
    expect_entry(pad.conv[12], JOY_SRC_NONE, 0, 0, "select: not a binding key");
}

TEST_F(JoypadCfg, FileNames)
{
    EXPECT_EQ(joypad_file_name("[BETOP CONTROLLER]"), "_BETOP CONTROLLER_");
    EXPECT_EQ(joypad_file_name("[BETOP CONTROLLER] 2"), "[BETOP CONTROLLER] 2");
    EXPECT_EQ(joypad_file_name("Sony/Pad/X"), "Sony_Pad_X");
    EXPECT_EQ(joypad_file_name("a..b"), "a..b");
    // Names that would leave the folder.
    EXPECT_EQ(joypad_file_name(".."), "__");
    EXPECT_EQ(joypad_file_name("."), "_");
    EXPECT_EQ(joypad_file_name("../.."), ".._.."); // no "/" left: stays in the folder
    EXPECT_EQ(joypad_file_path(JOYPAD_USER_DIR, "USB Gamepad"), "/mnt/data/porta/joypad/USB Gamepad.cfg");

    strcpy(pad.name, "..");
    pad.conv[4] = {JOY_SRC_BUTTON, 1, 0, 0, 0};
    ASSERT_EQ(save_joypad_file(&pad, nullptr), 0);
    EXPECT_TRUE(root.exists(std::string(JOYPAD_USER_DIR) + "/__.cfg"));
    EXPECT_FALSE(root.exists("/mnt/data/porta/..cfg"));
    EXPECT_NE(root.read(std::string(JOYPAD_USER_DIR) + "/__.cfg").find("input_device = \"..\"\n"), std::string::npos);
}

TEST_F(JoypadCfg, AWrittenFileReadsBackToTheSameTable)
{
    JoyConvEntry table[JOY_CONV_SLOTS];
    memset(table, 0, sizeof table);
    table[0] = {JOY_SRC_HAT, 0, JOY_HAT_UP, 0, 0};
    table[3] = {JOY_SRC_HAT, 1, JOY_HAT_RIGHT, 0, 0};
    table[4] = {JOY_SRC_BUTTON, 1, 0, 0, 0};
    table[5] = {JOY_SRC_BUTTON, 12, 0, 0, 0};
    table[13] = {JOY_SRC_BUTTON, 0, 0, 0, 0};
    table[16] = {JOY_SRC_AXIS, 0, -1, 0, 0};
    table[21] = {JOY_SRC_AXIS, 2, 1, 0, 0};
    ASSERT_EQ(save_joypad_file(&pad, table), 0);
    EXPECT_EQ(root.read(std::string(JOYPAD_USER_DIR) + "/USB Gamepad.cfg"),
              "input_driver = \"udev\"\n"
              "input_device = \"USB Gamepad\"\n"
              "input_vendor_id = \"121\"\n"
              "input_product_id = \"17\"\n"
              "input_b_btn = \"12\"\n"
              "input_start_btn = \"0\"\n"
              "input_up_btn = \"h0up\"\n"
              "input_right_btn = \"h1right\"\n"
              "input_a_btn = \"1\"\n"
              "input_l_x_minus_axis = \"-0\"\n"
              "input_r_x_plus_axis = \"+2\"\n");
    // No temporary file is left beside it.
    EXPECT_EQ(host_capture("ls -A '" + root.host(JOYPAD_USER_DIR) + "'"), "USB Gamepad.cfg\n");

    rebuild_joypad_table(&pad);
    for (int s = 0; s < JOY_CONV_SLOTS; s++)
        expect_entry(pad.conv[s], table[s].type, table[s].index, table[s].value, std::to_string(s).c_str());

    // A folder that cannot be written: reported, nothing else changes.
    strcpy(pad.name, "gone/../../x");
    remove_tree(root.host(JOYPAD_USER_DIR));
    CaptureStdout();
    EXPECT_EQ(save_joypad_file(&pad, table), -1);
    EXPECT_EQ(GetCapturedStdout(), "--SaveConvertToFile: fopen writ /mnt/data/porta/joypad/gone_.._.._x.cfg fail \n");
}

TEST_F(JoypadCfg, RestoringDefaultsNeedsAUserFile)
{
    root.write(std::string(JOYPAD_FACTORY_DIR) + "/USB Gamepad.cfg", "input_a_btn = \"7\"\n");
    rebuild_joypad_table(&pad);
    ASSERT_EQ(pad.conv[4].index, 7);
    EXPECT_EQ(restore_joypad_defaults(&pad), 1); // the factory mapping stays
    expect_entry(pad.conv[4], JOY_SRC_BUTTON, 7, 0, "a");
    expect_entry(pad.conv[0], JOY_SRC_NONE, 0, 0, "up");

    root.write(std::string(JOYPAD_USER_DIR) + "/USB Gamepad.cfg", "input_b_btn = \"9\"\n");
    rebuild_joypad_table(&pad);
    EXPECT_EQ(restore_joypad_defaults(&pad), 0);
    EXPECT_FALSE(root.exists(std::string(JOYPAD_USER_DIR) + "/USB Gamepad.cfg"));
    EXPECT_TRUE(root.exists(std::string(JOYPAD_FACTORY_DIR) + "/USB Gamepad.cfg"));
    expect_entry(pad.conv[4], JOY_SRC_BUTTON, 0, 0, "a"); // the defaults, not the factory file
    expect_entry(pad.conv[5], JOY_SRC_BUTTON, 1, 0, "b");
    expect_entry(pad.conv[0], JOY_SRC_HAT, 0, JOY_HAT_UP, "up");
    EXPECT_EQ(pad.conv[5].set_mask, (uint32_t)PAD_B);
}
