#include "Support/RefusingPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdexcept>

namespace tarvo::testing {

RefusingPort::RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (socket_.get() < 0 || ::bind(socket_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("could not hold a loopback port");
    }
    port_ = ntohs(address.sin_port);
}

} // namespace tarvo::testing
