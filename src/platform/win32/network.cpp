#include "platform/network.h"

#include <winsock2.h>

namespace platform {

void NetworkStartup() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
}

void NetworkCleanup() {
    WSACleanup();
}

}  // namespace platform
