#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// One real OpenGL context for a whole test binary: Qt's xcb platform on the X server named
// by DISPLAY (Xvfb in the test run), a compatibility-profile 2.1 context from Mesa with a
// depth buffer, drawing into a framebuffer object of kWidth x kHeight pixels.
//
// Link tessaron_gl_test_support instead of GTest::gtest_main: its main() creates the
// context before the first test; it lives until the process ends. A missing display or
// context ends the process with a message on stderr, so a GL test can never pass (or be
// counted as skipped) without GL.
class CGLTestContext {
public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 64;

    // Creates the context on the first call and makes it current with the framebuffer bound.
    static CGLTestContext& Instance();

    // Rebinds the context and the framebuffer, after code that made another context current.
    void MakeCurrent();
    std::array<std::uint8_t, 4> ReadPixel(int x, int y) const;  // RGBA, origin bottom left

    ~CGLTestContext();
    CGLTestContext(const CGLTestContext&) = delete;
    CGLTestContext& operator=(const CGLTestContext&) = delete;

private:
    CGLTestContext();
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;
};

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
