#include "GLTestContext.h"

#include <gtest/gtest.h>

namespace {

// Created before the first test runs, not when tests are merely listed, so test discovery
// needs no display. Never torn down: destroying the context unloads Mesa's driver, and
// LeakSanitizer can then neither name nor suppress what the driver left allocated.
class CGLEnvironment : public ::testing::Environment {
public:
    void SetUp() override { CGLTestContext::Instance(); }
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new CGLEnvironment);
    return RUN_ALL_TESTS();
}
