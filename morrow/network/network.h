// The network component's calls that the library's start, end, pump and window procedure make.
// Nothing in this system starts the network, so each returns at once; the library still makes
// every call at its place.
#pragma once

#include <cstdint>

namespace morrow {

int ClearHttpTable();
int EndHttp();
int EndNetWork();
int PumpNetWorkMessages(int flag);
int ProcessHttpTransfers();
// The window procedure's result for the socket notification message.
int HandleSocketMessage(uintptr_t window, uint32_t message, uint64_t wParam, int64_t lParam);

}  // namespace morrow
