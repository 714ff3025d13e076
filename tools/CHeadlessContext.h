#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A desktop OpenGL compatibility context without any window system: EGL on Mesa's
// surfaceless platform (or a GPU driver's device platform), drawing into an off-screen
// framebuffer with RGBA8 colour and a 24-bit depth buffer, the buffers a view's widget
// draws into, so both give the same pixels. Works with DISPLAY unset. It stays current
// from Create to its destruction.
class CHeadlessContext {
public:
    CHeadlessContext();
    ~CHeadlessContext();
    CHeadlessContext(const CHeadlessContext&) = delete;
    CHeadlessContext& operator=(const CHeadlessContext&) = delete;

    // Makes the context current. False, with one line in strError, when there is no EGL
    // display or no desktop OpenGL context to be had.
    bool Create(std::string& strError);
    // Gives the context a framebuffer of cx x cy pixels and binds it; replaces an earlier
    // one. False, with one line in strError, when the driver cannot make it that large.
    bool CreateFramebuffer(int cx, int cy, std::string& strError);

    // The framebuffer as RGB bytes, top row first, as image files store them.
    std::vector<std::uint8_t> ReadRgb() const;

    int Width() const { return m_cx; }
    int Height() const { return m_cy; }

private:
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;
    int m_cx = 0;
    int m_cy = 0;
};
