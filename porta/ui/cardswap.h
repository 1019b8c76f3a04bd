#pragma once

// What the launcher does when the TF card comes or goes (the main loop calls
// it when tf_card_state changed).
void adjust_ui_type_byTFcard(void);
