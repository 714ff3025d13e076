#pragma once

#include <array>
#include <cstdint>
#include <memory>

// One real OpenGL context for a whole test binary: Qt's xcb platform on the X server named
// by DISPLAY (Xvfb in the test run), a compatibility-profile 2.1 context from Mesa with a
// depth buffer, drawing into a framebuffer object of kWidth x kHeight pixels.
//
// Tests link tessaron_gl_test_support instead of GTest::gtest_main: its main() creates the
// context before the first test; it lives until the process ends. A missing display or
// context ends the process with a message on stderr, so a GL test can never pass (or be
// counted as skipped) without GL. Free of GoogleTest, so benchmarks can use it too.
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
