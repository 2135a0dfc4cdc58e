// A walk over the string bookkeeping that names the first thing out of place: the lists
// against their descriptors, text order and bounds in both pools, the records against
// the strings they describe, and the free stack against everything still in use.
#include <string>
#include <unordered_set>

#include "runtime/core/memory.h"
#include "runtime/strings/private/string_internals.h"

namespace {

std::string describe(const char* list, uint32_t n, const std::string& what) {
    return std::string(list) + " entry " + std::to_string(n) + ": " + what;
}

uint16_t record_word(const StrDesc* s, int word) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(s->record) + 2 * word;
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// Checks one pool's list: live descriptors name their own place, and their texts lie in
// order, without overlap, inside [first, used).
std::string check_pool_list(const char* name, const StringList& list, bool conventional,
                            uintptr_t first, uintptr_t used,
                            std::unordered_set<const StrDesc*>& live) {
    if (list.count > list.capacity + 1) return std::string(name) + " count past its capacity";
    uintptr_t previous_end = first;
    for (uint32_t n = 0; n < list.count; ++n) {
        const StrDesc* s = list.entries[n];
        if (s == STRING_LIST_HOLE) continue;
        if (s == nullptr) return describe(name, n, "null entry");
        if (descriptor_released(s)) return describe(name, n, "released descriptor");
        if (!live.insert(s).second) return describe(name, n, "descriptor listed twice");
        if (s->list_index != n) return describe(name, n, "list_index is wrong");
        if ((s->in_conventional != 0) != conventional) {
            return describe(name, n, "in_conventional is wrong");
        }
        if (s->fixed || s->read_only) return describe(name, n, "foreign text on a pool list");
        if (s->length < 0) return describe(name, n, "negative length");
        const uintptr_t text = address_of(s->text);
        if (text < previous_end) return describe(name, n, "text overlaps or is out of order");
        previous_end = text + static_cast<uintptr_t>(s->length);
        if (previous_end > used) return describe(name, n, "text reaches past the used space");
        if (s->record != nullptr) {
            if (record_word(s, 0) != static_cast<uint16_t>(s->length) ||
                record_word(s, 1) != static_cast<uint16_t>(data_segment_offset(s->text))) {
                return describe(name, n, "record does not hold the length and offset");
            }
            if (s->record_offset < data_segment.record_top) {
                return describe(name, n, "record lies above the record top");
            }
        }
    }
    return {};
}

}  // namespace

std::string string_state_problem() {
    std::unordered_set<const StrDesc*> live;
    const uintptr_t pool = address_of(main_pool.base);
    const uintptr_t segment = address_of(data_segment.base);
    if (main_pool.used > main_pool.size) return "main pool used past its size";
    if (conventional_used > data_segment.record_top) return "conventional text past the records";

    std::string problem =
        check_pool_list("main list", main_list, false, pool, pool + main_pool.used, live);
    if (problem.empty()) {
        problem =
            check_pool_list("conventional list", conventional_list, true,
                            segment + CONVENTIONAL_FIRST_OFFSET, segment + conventional_used, live);
    }
    if (!problem.empty()) return problem;

    if (temporary_list.count < 1 || temporary_list.entries[0] != nullptr) {
        return "temporary entry 0 is not the zero entry";
    }
    std::unordered_set<const StrDesc*> temporaries;
    for (uint32_t n = 1; n < temporary_list.count; ++n) {
        const StrDesc* s = temporary_list.entries[n];
        if (s == STRING_LIST_HOLE) continue;
        if (s == nullptr || descriptor_released(s)) return describe("temporary list", n, "dead");
        if (!temporaries.insert(s).second) return describe("temporary list", n, "listed twice");
        if (s->temp_index != n || !s->temporary) {
            return describe("temporary list", n, "temp_index or temporary is wrong");
        }
        if (!s->fixed && !s->read_only && !live.count(s)) {
            return describe("temporary list", n, "pool string missing from its pool list");
        }
    }

    std::unordered_set<const StrDesc*> released;
    for (const StrDesc* d : descriptor_free_stack()) {
        if (!released.insert(d).second) return "descriptor twice on the free stack";
        if (live.count(d)) return "listed descriptor on the free stack";
    }
    return {};
}
