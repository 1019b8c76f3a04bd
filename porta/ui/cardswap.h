#pragma once

// What the launcher does when the TF card comes or goes (the main loop calls
// it when tf_card_state changed).
void follow_tf_card_change(void);
