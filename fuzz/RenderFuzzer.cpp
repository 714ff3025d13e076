// libFuzzer target for the thumbnailer's whole path: any bytes read with C3DS::ReadBuffer,
// then drawn by the view's frame routine into a small headless EGL framebuffer, in object
// mode and in walk mode, and read back. Besides the sanitizers it checks what any frame must
// leave behind: no GL error and the modelview stack at the depth it started from.

#include "tools/CHeadlessContext.h"
#include "geometry/CLightSetup.h"
#include "geometry/DrawModel.h"
#include "model/C3DS.h"
#include "platform/MessageBox.h"
#include "view/CScene.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

[[noreturn]] void Fail(const char* pszRule, std::size_t nSize, unsigned nDetail)
{
    std::fprintf(stderr, "broken rule: %s (input of %zu bytes, %u)\n", pszRule, nSize, nDetail);
    std::abort();
}

void CheckFrame(std::size_t nSize)
{
    if (const GLenum nError = glGetError(); nError != GL_NO_ERROR)
        Fail("a frame raises no GL error", nSize, nError);
    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    if (nDepth != 1)
        Fail("a frame leaves the modelview stack as it found it", nSize, static_cast<unsigned>(nDepth));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // One worker, one core: llvmpipe rasterises in the calling thread.
    ::setenv("LP_NUM_THREADS", "0", 0);
    SetMessageBoxSink([](const std::string&, const std::string&, void*, unsigned) { return IDOK; });
    static CHeadlessContext s_context;
    std::string strError;
    if (!s_context.Create(strError) || !s_context.CreateFramebuffer(kWidth, kHeight, strError)) {
        std::fprintf(stderr, "RenderFuzzer: %s\n", strError.c_str());
        std::exit(1);
    }
    CScene::PrepareContext(CLightSetup());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    C3DS model;
    model.ReadBuffer(pData, nSize);

    CScene scene;
    scene.SetProjection(kWidth, kHeight, 1.0);
    scene.DrawScene(model);
    CheckFrame(nSize);

    scene.m_bWalkAround = true;
    scene.m_bShowNet = false;
    scene.DrawScene(model);
    scene.DrawScene(model);  // the second walk frame reuses the scale of the first
    CheckFrame(nSize);
    glFinish();
    return 0;
}
