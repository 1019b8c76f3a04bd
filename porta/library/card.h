#pragma once

// The card a game is on. The lists, the launch and the previews take a Card;
// the stored files keep their own numbers for it, converted here where a
// record is read, written or compared: the history's card flag (1 TF card,
// 0 built-in) and the favourites' and core list's card number (2 TF card,
// 1 built-in). Any other stored value stands for the TF card, as it always has.

#include <cstdint>

enum Card : uint8_t {
    CARD_MMC, // the built-in card, /mnt/mmc/
    CARD_TF,  // the external TF card, /mnt/sdcard/
};

constexpr int card_to_flag(Card card)
{
    return card == CARD_TF ? 1 : 0;
}
constexpr Card card_from_flag(int flag)
{
    return flag != 0 ? CARD_TF : CARD_MMC;
}
constexpr int card_to_number(Card card)
{
    return card == CARD_TF ? 2 : 1;
}
constexpr Card card_from_number(int number)
{
    return number == 1 ? CARD_MMC : CARD_TF;
}
