#include "CHeadlessContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <string_view>

namespace {

bool HasExtension(const char* pszList, std::string_view name)
{
    if (pszList == nullptr)
        return false;
    std::string_view list(pszList);
    for (std::size_t pos = 0; pos < list.size();) {
        std::size_t end = list.find(' ', pos);
        if (end == std::string_view::npos)
            end = list.size();
        if (list.substr(pos, end - pos) == name)
            return true;
        pos = end + 1;
    }
    return false;
}

template <typename F>
F Proc(const char* pszName)
{
    return reinterpret_cast<F>(eglGetProcAddress(pszName));
}

} // namespace

struct CHeadlessContext::SImpl {
    EGLDisplay hDisplay = EGL_NO_DISPLAY;
    EGLContext hContext = EGL_NO_CONTEXT;
    EGLSurface hSurface = EGL_NO_SURFACE;  // only where surfaceless contexts are not offered
    GLuint nFramebuffer = 0;
    GLuint aRenderbuffers[2] = {};  // colour, depth

    PFNGLGENFRAMEBUFFERSPROC pGenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC pDeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC pBindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC pGenRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC pDeleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC pBindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC pRenderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC pFramebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC pCheckFramebufferStatus = nullptr;

    bool Initialize(EGLDisplay hDisplay);
    bool MakeContext(std::string& strError);
    void DeleteFramebuffer();
};

// Mesa's surfaceless platform needs no device node or server; a GPU vendor's EGL offers the
// device platform instead. The first display that initialises wins.
bool CHeadlessContext::SImpl::Initialize(EGLDisplay hCandidate)
{
    if (hCandidate == EGL_NO_DISPLAY)
        return false;
    EGLint nMajor = 0, nMinor = 0;
    if (!eglInitialize(hCandidate, &nMajor, &nMinor))
        return false;
    hDisplay = hCandidate;
    return true;
}

bool CHeadlessContext::SImpl::MakeContext(std::string& strError)
{
    if (!eglBindAPI(EGL_OPENGL_API)) {
        strError = "EGL offers no desktop OpenGL";
        return false;
    }
    const bool bSurfaceless = HasExtension(eglQueryString(hDisplay, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context");
    const EGLint aConfigAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_SURFACE_TYPE, bSurfaceless ? 0 : EGL_PBUFFER_BIT, EGL_NONE};
    EGLConfig hConfig = nullptr;
    EGLint nConfigs = 0;
    if (!eglChooseConfig(hDisplay, aConfigAttribs, &hConfig, 1, &nConfigs) || nConfigs < 1) {
        strError = "EGL has no configuration for desktop OpenGL";
        return false;
    }
    // No version asked for: that is a compatibility context, with the fixed-function
    // pipeline the frame is drawn with.
    hContext = eglCreateContext(hDisplay, hConfig, EGL_NO_CONTEXT, nullptr);
    if (hContext == EGL_NO_CONTEXT) {
        strError = "EGL cannot create a desktop OpenGL context";
        return false;
    }
    if (!bSurfaceless) {
        const EGLint aPbufferAttribs[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        hSurface = eglCreatePbufferSurface(hDisplay, hConfig, aPbufferAttribs);
        if (hSurface == EGL_NO_SURFACE) {
            strError = "EGL cannot create a surface for its context";
            return false;
        }
    }
    if (!eglMakeCurrent(hDisplay, hSurface, hSurface, hContext) || glGetString(GL_VERSION) == nullptr) {
        strError = "the OpenGL context cannot be made current";
        return false;
    }

    pGenFramebuffers = Proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    pDeleteFramebuffers = Proc<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
    pBindFramebuffer = Proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    pGenRenderbuffers = Proc<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    pDeleteRenderbuffers = Proc<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
    pBindRenderbuffer = Proc<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    pRenderbufferStorage = Proc<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    pFramebufferRenderbuffer = Proc<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    pCheckFramebufferStatus = Proc<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    if (!pGenFramebuffers || !pDeleteFramebuffers || !pBindFramebuffer || !pGenRenderbuffers ||
        !pDeleteRenderbuffers || !pBindRenderbuffer || !pRenderbufferStorage || !pFramebufferRenderbuffer ||
        !pCheckFramebufferStatus) {
        strError = "the OpenGL driver has no framebuffer objects";
        return false;
    }
    return true;
}

void CHeadlessContext::SImpl::DeleteFramebuffer()
{
    if (nFramebuffer != 0) {
        pBindFramebuffer(GL_FRAMEBUFFER, 0);
        pDeleteFramebuffers(1, &nFramebuffer);
        pDeleteRenderbuffers(2, aRenderbuffers);
        nFramebuffer = 0;
    }
}

CHeadlessContext::CHeadlessContext() : m_pImpl(std::make_unique<SImpl>())
{
}

CHeadlessContext::~CHeadlessContext()
{
    SImpl& d = *m_pImpl;
    if (d.hDisplay == EGL_NO_DISPLAY)
        return;
    if (d.hContext != EGL_NO_CONTEXT) {
        if (eglGetCurrentContext() == d.hContext)
            d.DeleteFramebuffer();
        eglMakeCurrent(d.hDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(d.hDisplay, d.hContext);
    }
    if (d.hSurface != EGL_NO_SURFACE)
        eglDestroySurface(d.hDisplay, d.hSurface);
    // No eglTerminate: it unloads the driver, and the driver's allocations still held at
    // exit would be reported without a library to attribute them to. The process ends soon.
}

bool CHeadlessContext::Create(std::string& strError)
{
    SImpl& d = *m_pImpl;
    // EGL_NO_DISPLAY asks for the client extensions; null means EGL cannot pick platforms.
    const char* pszClient = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const auto pGetPlatformDisplay = Proc<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
    if (pszClient == nullptr || pGetPlatformDisplay == nullptr) {
        strError = "no EGL with platform displays (install libegl1 and libegl-mesa0)";
        return false;
    }
    if (HasExtension(pszClient, "EGL_MESA_platform_surfaceless"))
        d.Initialize(pGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    if (d.hDisplay == EGL_NO_DISPLAY && HasExtension(pszClient, "EGL_EXT_platform_device")) {
        const auto pQueryDevices = Proc<PFNEGLQUERYDEVICESEXTPROC>("eglQueryDevicesEXT");
        EGLDeviceEXT aDevices[8] = {};
        EGLint nDevices = 0;
        if (pQueryDevices != nullptr && pQueryDevices(8, aDevices, &nDevices)) {
            for (EGLint i = 0; i < nDevices && d.hDisplay == EGL_NO_DISPLAY; ++i)
                d.Initialize(pGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, aDevices[i], nullptr));
        }
    }
    if (d.hDisplay == EGL_NO_DISPLAY) {
        strError = "no EGL display without a window system (install libegl-mesa0)";
        return false;
    }
    return d.MakeContext(strError);
}

bool CHeadlessContext::CreateFramebuffer(int cx, int cy, std::string& strError)
{
    SImpl& d = *m_pImpl;
    d.DeleteFramebuffer();
    m_cx = m_cy = 0;
    GLint nMaxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &nMaxSize);
    if (cx < 1 || cy < 1 || cx > nMaxSize || cy > nMaxSize) {
        strError = "the OpenGL driver draws at most " + std::to_string(nMaxSize) + " pixels a side";
        return false;
    }
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    d.pGenFramebuffers(1, &d.nFramebuffer);
    d.pGenRenderbuffers(2, d.aRenderbuffers);
    d.pBindFramebuffer(GL_FRAMEBUFFER, d.nFramebuffer);
    d.pBindRenderbuffer(GL_RENDERBUFFER, d.aRenderbuffers[0]);
    d.pRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, cx, cy);
    d.pFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, d.aRenderbuffers[0]);
    // Depth and stencil packed together, as the widget's framebuffer holds them: the same
    // 24 depth bits decide the same hidden faces.
    d.pBindRenderbuffer(GL_RENDERBUFFER, d.aRenderbuffers[1]);
    d.pRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, cx, cy);
    d.pFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, d.aRenderbuffers[1]);
    d.pFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, d.aRenderbuffers[1]);
    d.pBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glGetError() != GL_NO_ERROR ||
        d.pCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        d.DeleteFramebuffer();
        strError = "the OpenGL driver cannot make a framebuffer of " + std::to_string(cx) + "x" + std::to_string(cy);
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    m_cx = cx;
    m_cy = cy;
    return true;
}

std::vector<std::uint8_t> CHeadlessContext::ReadRgb() const
{
    const auto nRow = static_cast<std::size_t>(m_cx) * 3;
    std::vector<std::uint8_t> rgb(nRow * static_cast<std::size_t>(m_cy));
    if (rgb.empty())
        return rgb;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, m_cx, m_cy, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // GL counts rows from the bottom.
    std::vector<std::uint8_t> row(nRow);
    for (std::size_t top = 0, bottom = static_cast<std::size_t>(m_cy) - 1; top < bottom; ++top, --bottom) {
        std::memcpy(row.data(), &rgb[top * nRow], nRow);
        std::memcpy(&rgb[top * nRow], &rgb[bottom * nRow], nRow);
        std::memcpy(&rgb[bottom * nRow], row.data(), nRow);
    }
    return rgb;
}
