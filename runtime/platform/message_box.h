// Owner-less message boxes, the only way the runtime reports a failure, with a test seam.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class MessageBoxButtons { ok, yes_no };

enum class MessageBoxModality { application, system };

enum class MessageBoxAnswer { ok, yes, no, failed };

// Shows a box with caption, text (lines separated by '\n') and buttons, and blocks the
// calling thread until it is answered. Without a display the caption and text go to
// standard error and the answer is failed, as for a box that could not appear.
MessageBoxAnswer platform_message_box(const std::string& caption, const std::string& text,
                                      MessageBoxButtons buttons, MessageBoxModality modality);

// One box as the seam saw it.
struct MessageBoxRecord {
    std::string caption;
    std::string text;
    MessageBoxButtons buttons = MessageBoxButtons::ok;
    MessageBoxModality modality = MessageBoxModality::application;
    MessageBoxAnswer answer = MessageBoxAnswer::failed;
};

// Test seam: from now on boxes are not shown; each takes the next scripted answer
// (failed once the script is used up), is recorded, and is echoed as one line on
// standard error so that a test watching a subprocess can read it.
void message_box_seam_install(std::vector<MessageBoxAnswer> answers);

// Test seam: the boxes recorded since the seam was installed, oldest first.
std::vector<MessageBoxRecord> message_box_seam_records();

// Test seam: back to real boxes.
void message_box_seam_remove();

// The one-line form of a record that the seam echoes: caption, text with line feeds
// written as \n, buttons, modality and answer.
std::string message_box_describe(const MessageBoxRecord& record);
