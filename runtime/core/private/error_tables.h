// The critical-error rows shared by raise_error and its tests.
#pragma once

#include <string>

#include "runtime/core/errors.h"

// The text of critical error n's box, or null when n is not critical.
const char* critical_box_text(ErrorCode n);

// The caption of critical error n's box.
std::string critical_box_caption(ErrorCode n);
