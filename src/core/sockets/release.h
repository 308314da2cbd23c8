#pragma once
#include <string>

namespace dx {
class Core;

// Makes a verdict final: the node stops sending the socket's traffic, its port text turns black,
// the counters are refreshed and the monitor window's boxes follow when it shows that socket.
class Release {
  public:
    explicit Release(Core& core) : core_(core) {}

    void ReleaseSocketWatch(const std::string& socketText);

  private:
    Core& core_;
};

}  // namespace dx
