#pragma once

namespace dx {
class Platform;

// The delay that arms recognition's DX-spot rule: a socket sent spots is taken for a user without
// a KEL client only once 45 s have passed since the delay last started, so that a client still
// setting itself up after a login is not judged by the spots the node sends it meanwhile. A login
// or a Rescan disarms the rule and starts the delay anew.
class SpotDelay {
  public:
    static constexpr int kDelayMs = 45000;

    explicit SpotDelay(Platform& platform) : platform_(platform) {}

    bool armed = false;
    bool running() const { return running_; }

    // The delay has passed: the rule is armed, and the timer stops.
    void onTick();
    // Stops the timer and starts it again, so the delay starts anew.
    void restart();

  private:
    Platform& platform_;
    bool running_ = false;
};

}  // namespace dx
