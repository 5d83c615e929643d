#include "platform/network.h"

namespace platform {

// POSIX sockets need no start-up.
void NetworkStartup() {}
void NetworkCleanup() {}

}  // namespace platform
