// The strings made at start-up.
#include "runtime/strings/strings.h"

void strings_init() {
    // The string pools arrive with the string descriptors.
}
