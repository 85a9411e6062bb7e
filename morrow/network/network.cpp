#include "morrow/network/network.h"

namespace morrow {

// The network is never started: there are no transfer slots, no connections and no hidden
// window, so every step below finds nothing to do.

int ClearHttpTable() {
  return 0;
}

int EndHttp() {
  return 0;
}

int EndNetWork() {
  return 0;
}

int PumpNetWorkMessages(int) {
  return 0;
}

int ProcessHttpTransfers() {
  return 0;
}

// No connection record exists, so no socket matches and the notification is answered as one
// that asks for nothing.
int HandleSocketMessage(uintptr_t, uint32_t, uint64_t, int64_t) {
  return 1;
}

}  // namespace morrow
