// Player seating of the local pads and the player getters.

#include "porta/controller/players.h"
#include "porta/device/keypad.h"

#include <gtest/gtest.h>

namespace {

JoyDevice usb_pad;

class Players : public testing::Test {
protected:
    void SetUp() override
    {
        for (auto &e : player_table)
            e.store(nullptr);
        for (JoyDevice *d : {&localpad0, &localpad1, &usb_pad}) {
            d->key_state.store(0);
            d->key_taps.store(0);
        }
    }
    void TearDown() override { SetUp(); }
    JoyDevice *at(int player) { return player_table[player - 1].load(); }
};

} // namespace

TEST_F(Players, EmptyTableSeatsBothLocalPadsFromPlayerOne)
{
    testing::internal::CaptureStdout();
    seat_local_pads();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(at(1), &localpad0);
    EXPECT_EQ(at(2), &localpad1);
    EXPECT_EQ(out,
              "--set_localkeyRep: set localpad0 as 1 player \n--set_localkeyRep: v1=6 v2=6 \n"
              "--set_localkeyRep: set localpad1 as 2 player \n--set_localkeyRep: v1=6 v2=6 \n");
    // Both seated: the next pass changes nothing and says nothing.
    testing::internal::CaptureStdout();
    seat_local_pads();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Players, UsbPadTakingPlayerOneMovesTheKeypadToPlayerTwo)
{
    seat_local_pads();
    player_table[0].store(&usb_pad); // a USB pad numbered 1 replaces the keypad
    seat_local_pads();
    EXPECT_EQ(at(1), &usb_pad);
    EXPECT_EQ(at(2), &localpad0);
    EXPECT_EQ(at(3), &localpad1);
    EXPECT_EQ(at(4), nullptr);
}

TEST_F(Players, UnpluggedPadGivesPlayerOneBackToTheKeypad)
{
    player_table[0].store(&usb_pad);
    seat_local_pads();
    ASSERT_EQ(at(2), &localpad0);
    player_table[0].store(nullptr); // the USB pad is removed
    testing::internal::CaptureStdout();
    unseat_local_pads();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "---clr_localkeyRep: clr localpad0 (old as 2 player)\n"
              "---clr_localkeyRep: clr localpad1 (old as 3 player)\n");
    for (int p = 1; p <= MAX_PLAYERS; p++)
        EXPECT_EQ(at(p), nullptr) << p;
    seat_local_pads();
    EXPECT_EQ(at(1), &localpad0);
    EXPECT_EQ(at(2), &localpad1);
}

TEST_F(Players, FullTableLeavesLocalPadsUnseated)
{
    JoyDevice *others[MAX_PLAYERS];
    static JoyDevice pads[MAX_PLAYERS];
    for (int i = 0; i < MAX_PLAYERS; i++) {
        others[i] = &pads[i];
        player_table[i].store(others[i]);
    }
    seat_local_pads();
    for (int i = 0; i < MAX_PLAYERS; i++)
        EXPECT_EQ(player_table[i].load(), others[i]);
}

TEST_F(Players, GettersReadTheSeatedPadsMask)
{
    seat_local_pads();
    localpad0.key_state.store(PAD_A | PAD_UP);
    EXPECT_EQ(get_player1_key(), (uint32_t)(PAD_A | PAD_UP));
    EXPECT_EQ(get_player_keys(1), (uint32_t)(PAD_A | PAD_UP));
    EXPECT_EQ(get_player2_key(), 0u);
    EXPECT_EQ(get_player3_key(), 0u); // nobody seated
    EXPECT_EQ(get_player_keys(0), 0u);
    EXPECT_EQ(get_player_keys(7), 0u);
    EXPECT_TRUE(player_present(1));
    EXPECT_TRUE(player_present(2));
    EXPECT_FALSE(player_present(3));
    EXPECT_FALSE(player_present(0));
    EXPECT_FALSE(player_present(7));
}

TEST_F(Players, QuitRequestComesFromTheKeypadMask)
{
    EXPECT_FALSE(joystick_quit_requested());
    localpad0.key_state.store(PAD_QUIT_REQUEST | PAD_A); // not the request itself
    EXPECT_FALSE(joystick_quit_requested());
    localpad0.key_state.store(PAD_QUIT_REQUEST);
    EXPECT_TRUE(joystick_quit_requested());
}

// The main loop samples the masks once a pass: a key pressed and released in
// between still reaches it once, as a press then a release.
TEST_F(Players, ATapBetweenTwoReadsIsSeenOnce)
{
    seat_local_pads();
    auto publish = [](JoyDevice *d, uint32_t mask) { publish_pad_keys(&d->key_state, &d->key_taps, mask); };
    publish(&localpad0, PAD_A);
    publish(&localpad0, 0);
    EXPECT_EQ(get_player1_key(), (uint32_t)PAD_A);
    EXPECT_EQ(get_player1_key(), 0u);
    // Held across a read, then released and another key tapped: the held
    // key's release and the tap.
    publish(&localpad0, PAD_UP);
    EXPECT_EQ(get_player1_key(), (uint32_t)PAD_UP);
    publish(&localpad0, 0);
    publish(&localpad0, PAD_B);
    publish(&localpad0, 0);
    EXPECT_EQ(get_player1_key(), (uint32_t)PAD_B);
    EXPECT_EQ(get_player1_key(), 0u);
    // The quit request is a mask of its own, never a tap.
    publish(&localpad0, PAD_QUIT_REQUEST);
    EXPECT_TRUE(joystick_quit_requested());
    publish(&localpad0, 0);
    EXPECT_EQ(get_player1_key(), 0u);
    // Keys tapped on a pad without a seat are not pressed when it is seated.
    testing::internal::CaptureStdout();
    unseat_local_pads();
    publish(&localpad0, PAD_START);
    publish(&localpad0, 0);
    EXPECT_EQ(get_player1_key(), 0u);
    seat_local_pads();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(at(1), &localpad0);
    EXPECT_EQ(get_player1_key(), 0u);
}
