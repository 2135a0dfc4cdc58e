// The host side of the message boxes, behind the seam.
#pragma once

#include "runtime/platform/message_box.h"

// Shows a box on the host's display and waits for its answer.
MessageBoxAnswer host_message_box(const std::string& caption, const std::string& text,
                                  MessageBoxButtons buttons);
