#include "porta/ui/cardswap.h"

#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/ui/loop.h"
#include "porta/ui/themes.h"

#include <cstdio>

// Printed on every card change; the firmware's logs and the tests rely on their
// exact bytes, the function name in them included.
namespace {
constexpr const char *CARD_IN_TEXT = "--- %s,in... \n";
constexpr const char *CARD_OUT_TEXT = "--- %s,out... \n";
constexpr const char *CARD_CHANGE_NAME = "adjust_ui_type_byTFcard";
} // namespace

void follow_tf_card_change(void)
{
    const int inserted = tf_card_state == 1;
    printf(inserted ? CARD_IN_TEXT : CARD_OUT_TEXT, CARD_CHANGE_NAME);
    // The game lists of the card: freed, rescanned on insertion; a browser on
    // the card goes back to the rooms.
    gamelist_card_changed(inserted);
    // The card's skin: wallpaper and room icons from the card while it has a
    // complete skin folder, the built-in ones again when it goes.
    themes_card_changed(inserted);
    request_redraw();
}
