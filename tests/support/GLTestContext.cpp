#include "GLTestContext.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fatal(const char* pszWhat)
{
    std::fprintf(stderr,
                 "GL test set-up failed: %s\n"
                 "GL tests need an X server and Mesa's OpenGL; run them under\n"
                 "  xvfb-run -a -s \"-screen 0 1280x1024x24\" ctest ...\n",
                 pszWhat);
    std::fflush(stderr);
    std::abort();
}

} // namespace

struct CGLTestContext::SImpl {
    // QGuiApplication keeps references to argc and argv for its whole life.
    int nArgc = 3;
    char szName[32] = "tessaron-gl-test";
    char szPlatformFlag[16] = "-platform";
    char szPlatform[8] = "xcb";
    char* apArgv[4] = {szName, szPlatformFlag, szPlatform, nullptr};

    std::unique_ptr<QGuiApplication> pApp;
    std::unique_ptr<QOffscreenSurface> pSurface;
    std::unique_ptr<QOpenGLContext> pContext;
    std::unique_ptr<QOpenGLFramebufferObject> pFramebuffer;
};

CGLTestContext::CGLTestContext() : m_pImpl(std::make_unique<SImpl>())
{
    const char* pszDisplay = std::getenv("DISPLAY");
    if (!pszDisplay || !*pszDisplay)
        Fatal("DISPLAY is not set, so there is no X server to connect to");

    // An unreachable display makes Qt's xcb plugin abort with its own message.
    m_pImpl->pApp = std::make_unique<QGuiApplication>(m_pImpl->nArgc, m_pImpl->apArgv);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        Fatal("Qt did not start its xcb platform");

    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);

    m_pImpl->pSurface = std::make_unique<QOffscreenSurface>();
    m_pImpl->pSurface->setFormat(format);
    m_pImpl->pSurface->create();
    if (!m_pImpl->pSurface->isValid())
        Fatal("no offscreen surface could be created");

    m_pImpl->pContext = std::make_unique<QOpenGLContext>();
    m_pImpl->pContext->setFormat(format);
    if (!m_pImpl->pContext->create())
        Fatal("no OpenGL context could be created");
    if (m_pImpl->pContext->isOpenGLES())
        Fatal("the context is OpenGL ES, not desktop OpenGL");
    if (m_pImpl->pContext->format().profile() == QSurfaceFormat::CoreProfile)
        Fatal("the context is a core profile, without the fixed-function pipeline");
    if (!m_pImpl->pContext->makeCurrent(m_pImpl->pSurface.get()))
        Fatal("the OpenGL context could not be made current");
    if (!glGetString(GL_VERSION))
        Fatal("the current context answers no glGetString(GL_VERSION)");

    m_pImpl->pFramebuffer =
        std::make_unique<QOpenGLFramebufferObject>(kWidth, kHeight, QOpenGLFramebufferObject::Depth);
    if (!m_pImpl->pFramebuffer->isValid() || !m_pImpl->pFramebuffer->bind())
        Fatal("no framebuffer object with a depth buffer could be bound");
    glViewport(0, 0, kWidth, kHeight);
}

CGLTestContext::~CGLTestContext()
{
    // The framebuffer belongs to the context, which must be current to free it.
    if (m_pImpl->pContext && m_pImpl->pSurface)
        m_pImpl->pContext->makeCurrent(m_pImpl->pSurface.get());
    m_pImpl->pFramebuffer.reset();
    if (m_pImpl->pContext)
        m_pImpl->pContext->doneCurrent();
    m_pImpl->pContext.reset();
    m_pImpl->pSurface.reset();
    m_pImpl->pApp.reset();
}

CGLTestContext& CGLTestContext::Instance()
{
    static CGLTestContext* const s_pContext = new CGLTestContext;  // see GLTestMain.cpp: never freed
    return *s_pContext;
}

void CGLTestContext::MakeCurrent()
{
    if (!m_pImpl->pContext->makeCurrent(m_pImpl->pSurface.get()))
        Fatal("the OpenGL context could not be made current again");
    m_pImpl->pFramebuffer->bind();
}

std::array<std::uint8_t, 4> CGLTestContext::ReadPixel(int x, int y) const
{
    std::array<std::uint8_t, 4> rgba{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
