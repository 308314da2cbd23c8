#pragma once
#include <stdexcept>

namespace dx {

// Raised when node data or a configuration record cannot be handled. It never leaves the
// handler of the sentence, field or arrival it happened in: the catcher decides how much
// work it ends, and nothing is reported to the operator.
struct Fault : std::runtime_error {
    Fault() : std::runtime_error("fault") {}
    explicit Fault(const char* what) : std::runtime_error(what) {}
};

}  // namespace dx
