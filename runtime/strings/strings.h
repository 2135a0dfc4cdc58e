// Strings, as far as start-up prepares them.
#pragma once

// Creates the strings that live for the whole run (start-up).
void strings_init();
