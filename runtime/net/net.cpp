// The network layer's row lists.
#include "runtime/net/net.h"

#include <cstdint>
#include <vector>

namespace {

// A growable list of fixed-size rows.
struct RowList {
    int32_t row_bytes = 0;
    std::vector<uint8_t> rows;
};

RowList connections;
RowList stream_buffers;
RowList socket_records;

constexpr int32_t CONNECTION_ROW_BYTES = 8;
constexpr int32_t STREAM_ROW_BYTES = 20;

}  // namespace

void net_lists_init() {
    connections = RowList{CONNECTION_ROW_BYTES, {}};
    stream_buffers = RowList{STREAM_ROW_BYTES, {}};
    socket_records = RowList{STREAM_ROW_BYTES, {}};
}
