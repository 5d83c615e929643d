#pragma once
// A loopback port that refuses every connection for as long as the object lives: a socket
// is bound to it but never listens, so no other server can take the port meanwhile (a
// port that was merely free a moment ago can be).
namespace test_support {

class RefusingPort {
  public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    // 0 when no port could be bound (the test should fail then).
    int Port() const { return port_; }

  private:
    long long socket_ = -1;
    int port_ = 0;
};

}  // namespace test_support
