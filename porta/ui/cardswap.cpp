#include "porta/ui/cardswap.h"

#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/ui/loop.h"
#include "porta/ui/themes.h"

#include <cstdio>

void follow_tf_card_change(void)
{
    const int inserted = tf_card_state == 1;
    printf(inserted ? "--- %s,in... \n" : "--- %s,out... \n", "adjust_ui_type_byTFcard");
    // The game lists of the card: freed, rescanned on insertion; a browser on
    // the card goes back to the rooms.
    gamelist_card_changed(inserted);
    // The card's skin: wallpaper and room icons from the card while it has a
    // complete skin folder, the built-in ones again when it goes.
    themes_card_changed(inserted);
    request_redraw();
}
