// In the unit tests, whatever the test kit finds that the program must never do (a programming
// error the event guard reported, a pane journal that does not replay) fails the test in which it
// happened, and the tests go on.
#include <gtest/gtest.h>

#include <string>

#include "support/failure.h"

namespace dx::test {
namespace {

void failTheTest(const std::string& what) {
    ADD_FAILURE() << what;
}

class KitFailures : public ::testing::Environment {
  public:
    void SetUp() override { kit::failureHook = &failTheTest; }
    void TearDown() override { kit::failureHook = nullptr; }
};

::testing::Environment* const kitFailures = ::testing::AddGlobalTestEnvironment(new KitFailures);

}  // namespace
}  // namespace dx::test
