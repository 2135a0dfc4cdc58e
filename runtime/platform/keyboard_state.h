// The host's keyboard lock toggles and the modifier keys physically held down.
#pragma once

struct HostKeyboardState {
    bool scroll_lock_on = false;
    bool caps_lock_on = false;
    bool num_lock_on = false;
    bool scroll_lock_down = false;
    bool left_shift_down = false;
    bool right_shift_down = false;
    bool left_ctrl_down = false;
    bool right_ctrl_down = false;
    bool left_alt_down = false;
    bool right_alt_down = false;
};

// Reads the host's keyboard state; everything is off and up when there is no display.
// Used by one thread at a time: start-up, then the housekeeping thread's lock-key poll.
HostKeyboardState platform_keyboard_state();
