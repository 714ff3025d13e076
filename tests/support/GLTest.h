#pragma once

#include "GLTestContext.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <vector>

// Base fixture for GL tests. Every test starts with the context current, all attributes and
// both matrix stacks pushed, identity matrices and a viewport over the whole framebuffer;
// TearDown expects no pending GL error and the stacks where SetUp left them, then pops.
class CGLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// One vertex of GL_3D_COLOR feedback: window coordinates and the colour after lighting.
struct SFeedbackVertex {
    float x, y, z;
    float r, g, b, a;
};

struct SFeedbackPrimitive {
    float fToken;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POINT_TOKEN, ...
    std::vector<SFeedbackVertex> aVertices;
};

// Runs draw in GL_FEEDBACK mode with GL_3D_COLOR and returns what would have been
// rasterised. An overflowing buffer is reported as a test failure.
std::vector<SFeedbackPrimitive> CaptureFeedback(const std::function<void()>& draw, std::size_t nFloats = 1 << 16);
