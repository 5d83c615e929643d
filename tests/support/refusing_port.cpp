#include "support/refusing_port.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace test_support {

namespace {
#ifdef _WIN32
void StartSocketLibrary() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
void CloseSocket(long long s) {
    closesocket(static_cast<SOCKET>(s));
}
#else
void StartSocketLibrary() {}
void CloseSocket(long long s) {
    close(static_cast<int>(s));
}
#endif
}  // namespace

RefusingPort::RefusingPort() {
    StartSocketLibrary();
    const auto s = socket(AF_INET, SOCK_STREAM, 0);
#ifdef _WIN32
    if (s == INVALID_SOCKET)
        return;
#else
    if (s < 0)
        return;
#endif
    socket_ = static_cast<long long>(s);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() {
    if (socket_ != -1)
        CloseSocket(socket_);
}

}  // namespace test_support
