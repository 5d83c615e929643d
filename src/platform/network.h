#pragma once

namespace platform {

// Socket library start and stop around the installer's run (WSAStartup on Windows).
void NetworkStartup();
void NetworkCleanup();

}  // namespace platform
