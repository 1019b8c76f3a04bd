#include "porta/library/browse.h"

std::atomic<int> screen{SCREEN_ROOMS};
std::atomic<int> prev_screen{SCREEN_ROOMS};
