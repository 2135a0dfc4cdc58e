// The table of error numbers and their messages, and of the critical numbers.
#include <cstddef>

#include "runtime/core/errors.h"
#include "runtime/core/private/error_tables.h"

namespace {

struct MessageRow {
    ErrorCode number;
    const char* message;
};

// clang-format off
constexpr MessageRow MESSAGES[] = {
    // number  message
    {1,   "NEXT without FOR"},
    {2,   "Syntax error"},
    {3,   "RETURN without GOSUB"},
    {4,   "Out of DATA"},
    {5,   "Illegal function call"},
    {6,   "Overflow"},
    {7,   "Out of memory"},
    {8,   "Label not defined"},
    {9,   "Subscript out of range"},
    {10,  "Duplicate definition"},
    {12,  "Illegal in direct mode"},
    {13,  "Type mismatch"},
    {14,  "Out of string space"},
    {16,  "String formula too complex"},
    {17,  "Cannot continue"},
    {18,  "Function not defined"},
    {19,  "No RESUME"},
    {20,  "RESUME without error"},
    {24,  "Device timeout"},
    {25,  "Device fault"},
    {26,  "FOR without NEXT"},
    {27,  "Out of paper"},
    {29,  "WHILE without WEND"},
    {30,  "WEND without WHILE"},
    {33,  "Duplicate label"},
    {35,  "Subprogram not defined"},
    {37,  "Argument-count mismatch"},
    {38,  "Array not defined"},
    {40,  "Variable required"},
    {50,  "FIELD overflow"},
    {51,  "Internal error"},
    {52,  "Bad file name or number"},
    {53,  "File not found"},
    {54,  "Bad file mode"},
    {55,  "File already open"},
    {56,  "FIELD statement active"},
    {57,  "Device I/O error"},
    {58,  "File already exists"},
    {59,  "Bad record length"},
    {61,  "Disk full"},
    {62,  "Input past end of file"},
    {63,  "Bad record number"},
    {64,  "Bad file name"},
    {67,  "Too many files"},
    {68,  "Device unavailable"},
    {69,  "Communication-buffer overflow"},
    {70,  "Permission denied"},
    {71,  "Disk not ready"},
    {72,  "Disk-media error"},
    {73,  "Feature unavailable"},
    {74,  "Rename across disks"},
    {75,  "Path/File access error"},
    {76,  "Path not found"},
    {258, "Invalid handle"},
    {262, "Function unavailable in KORRIN"},
    {300, "Memory region out of range"},
    {301, "Invalid size"},
    {302, "Source memory region out of range"},
    {303, "Destination memory region out of range"},
    {304, "Source and destination memory regions out of range"},
    {305, "Source memory has been freed"},
    {306, "Destination memory has been freed"},
    {307, "Memory already freed"},
    {308, "Memory has been freed"},
    {309, "Memory not initialized"},
    {310, "Source memory not initialized"},
    {311, "Destination memory not initialized"},
    {312, "Source and destination memory not initialized"},
    {313, "Source and destination memory have been freed"},
};

struct CriticalRow {
    ErrorCode first;
    ErrorCode last;
    const char* text;
    const char* caption;  // null: "Critical Error #" and the number minus 500
};

constexpr CriticalRow CRITICALS[] = {
    // first last  text                                                caption
    {11,  11,  "Division by zero",                                  "Critical Error"},
    {256, 256, "Out of stack space",                                "Critical Error"},
    {257, 257, "Out of memory",                                     "Critical Error #1"},
    {259, 259, "Cannot find dynamic library file",                  "Critical Error"},
    {260, 261, "Sub/Function does not exist in dynamic library",    "Critical Error"},
    {263, 263, "Paths/Filename illegal in KORRIN",                  "Critical Error"},
    {270, 270, "_GL command called outside of SUB _GL's scope",     "Critical Error"},
    {271, 271, "END/SYSTEM called within SUB _GL's scope",          "Critical Error"},
    {502, 518, "Out of memory",                                     nullptr},
};
// clang-format on

}  // namespace

const char* error_message(ErrorCode n) {
    for (const MessageRow& row : MESSAGES) {
        if (row.number == n) return row.message;
    }
    return "Unprintable error";
}

bool is_critical_error(ErrorCode n) {
    return critical_box_text(n) != nullptr;
}

const char* critical_box_text(ErrorCode n) {
    for (const CriticalRow& row : CRITICALS) {
        if (n >= row.first && n <= row.last) return row.text;
    }
    return nullptr;
}

std::string critical_box_caption(ErrorCode n) {
    for (const CriticalRow& row : CRITICALS) {
        if (n >= row.first && n <= row.last) {
            return row.caption != nullptr ? std::string(row.caption)
                                          : "Critical Error #" + std::to_string(n - 500);
        }
    }
    return {};
}
