// The message-box seam and the choice between it and the host's boxes.
//
// Boxes can be raised from any thread (a critical error ends the process from wherever it
// happens), so the seam claims record slots with an atomic counter and publishes each
// record with a release store; no lock is taken.
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>

#include "runtime/platform/private/message_box_backend.h"

namespace {

constexpr int32_t SEAM_CAPACITY = 64;

struct SeamSlot {
    MessageBoxRecord record;
    std::atomic<bool> published{false};
};

struct Seam {
    std::vector<MessageBoxAnswer> answers;
    std::atomic<int32_t> next_answer{0};
    std::atomic<int32_t> next_slot{0};
    std::array<SeamSlot, SEAM_CAPACITY> slots;
};

// Installed seams are kept for the whole run: a box may still be looking at one while a
// test removes it.
std::atomic<Seam*> active_seam{nullptr};

const char* buttons_name(MessageBoxButtons buttons) {
    return buttons == MessageBoxButtons::ok ? "ok" : "yes_no";
}

const char* modality_name(MessageBoxModality modality) {
    return modality == MessageBoxModality::system ? "system" : "application";
}

const char* answer_name(MessageBoxAnswer answer) {
    switch (answer) {
        case MessageBoxAnswer::ok:
            return "ok";
        case MessageBoxAnswer::yes:
            return "yes";
        case MessageBoxAnswer::no:
            return "no";
        case MessageBoxAnswer::failed:
            break;
    }
    return "failed";
}

MessageBoxAnswer seam_box(Seam& seam, MessageBoxRecord record) {
    int32_t answer_index = seam.next_answer.fetch_add(1, std::memory_order_relaxed);
    record.answer = answer_index < static_cast<int32_t>(seam.answers.size())
                        ? seam.answers[answer_index]
                        : MessageBoxAnswer::failed;
    std::fprintf(stderr, "%s\n", message_box_describe(record).c_str());
    int32_t slot = seam.next_slot.fetch_add(1, std::memory_order_relaxed);
    if (slot < SEAM_CAPACITY) {
        seam.slots[slot].record = record;
        seam.slots[slot].published.store(true, std::memory_order_release);
    }
    return record.answer;
}

}  // namespace

MessageBoxAnswer platform_message_box(const std::string& caption, const std::string& text,
                                      MessageBoxButtons buttons, MessageBoxModality modality) {
    if (Seam* seam = active_seam.load(std::memory_order_acquire)) {
        return seam_box(*seam, {caption, text, buttons, modality, MessageBoxAnswer::failed});
    }
    return host_message_box(caption, text, buttons);
}

void message_box_seam_install(std::vector<MessageBoxAnswer> answers) {
    auto* seam = new Seam;
    seam->answers = std::move(answers);
    static std::vector<std::unique_ptr<Seam>> kept;
    kept.emplace_back(seam);
    active_seam.store(seam, std::memory_order_release);
}

std::vector<MessageBoxRecord> message_box_seam_records() {
    std::vector<MessageBoxRecord> records;
    Seam* seam = active_seam.load(std::memory_order_acquire);
    if (seam == nullptr) return records;
    for (auto& slot : seam->slots) {
        if (!slot.published.load(std::memory_order_acquire)) break;
        records.push_back(slot.record);
    }
    return records;
}

void message_box_seam_remove() {
    active_seam.store(nullptr, std::memory_order_release);
}

std::string message_box_describe(const MessageBoxRecord& record) {
    std::string text;
    for (char c : record.text) {
        if (c == '\n') {
            text += "\\n";
        } else {
            text += c;
        }
    }
    return "message box [" + record.caption + "] [" + text +
           "] buttons=" + buttons_name(record.buttons) +
           " modality=" + modality_name(record.modality) + " answer=" + answer_name(record.answer);
}
