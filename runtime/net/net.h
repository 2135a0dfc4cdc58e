// TCP/IP connections, as far as start-up prepares them.
#pragma once

// Creates the connection, stream-buffer and socket-record lists, empty (start-up).
void net_lists_init();
