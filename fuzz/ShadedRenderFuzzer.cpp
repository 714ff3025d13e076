// libFuzzer target for full shading: any bytes read with C3DS::ReadBuffer, built into a
// CShadedModel and drawn into a small headless EGL framebuffer, textured where a material
// names a map, at the fit scale and again at another scale (which uploads the positions
// anew), then released. Besides the sanitizers it checks that a frame leaves no GL error,
// the matrix and attribute stacks as it found them and the caller's buffer binding.

#include "tools/CHeadlessContext.h"
#include "geometry/CLightSetup.h"
#include "geometry/CShadedModel.h"
#include "model/C3DS.h"
#include "platform/MessageBox.h"
#include "view/CScene.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
GLuint g_nTexture = 0;

[[noreturn]] void Fail(const char* pszRule, std::size_t nSize, unsigned nDetail)
{
    std::fprintf(stderr, "broken rule: %s (input of %zu bytes, %u)\n", pszRule, nSize, nDetail);
    std::abort();
}

void CheckFrame(std::size_t nSize)
{
    if (const GLenum nError = glGetError(); nError != GL_NO_ERROR)
        Fail("a frame raises no GL error", nSize, nError);
    GLint nDepth = 0, nAttrib = 0, nClientAttrib = 0, nBuffer = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &nAttrib);
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &nClientAttrib);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &nBuffer);
    if (nDepth != 1 || nAttrib != 0 || nClientAttrib != 0)
        Fail("a frame leaves the stacks as it found them", nSize, static_cast<unsigned>(nDepth + 10 * nAttrib));
    if (nBuffer != 0)
        Fail("a frame leaves the caller's buffer binding", nSize, static_cast<unsigned>(nBuffer));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ::setenv("LP_NUM_THREADS", "0", 0);
    SetMessageBoxSink([](const std::string&, const std::string&, void*, unsigned) { return IDOK; });
    static CHeadlessContext s_context;
    std::string strError;
    if (!s_context.Create(strError) || !s_context.CreateFramebuffer(kWidth, kHeight, strError)) {
        std::fprintf(stderr, "ShadedRenderFuzzer: %s\n", strError.c_str());
        std::exit(1);
    }
    CScene::PrepareContext(CLightSetup());
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1.5, 1.5, -1.5, 1.5, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    // A texture with alpha, so textured materials take the blended pass too.
    const std::uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 255, 255, 255, 255};
    glGenTextures(1, &g_nTexture);
    glBindTexture(GL_TEXTURE_2D, g_nTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    C3DS model;
    model.ReadBuffer(pData, nSize);

    // Maps whose names start with an odd byte are "missing": both answers get drawn.
    const CShadedModel::TextureResolver resolve = [](const S3DSTextureMap& map) -> unsigned {
        return map.strFile.empty() || (static_cast<unsigned char>(map.strFile.view()[0]) & 1) ? 0u : g_nTexture;
    };
    CShadedModel shaded;
    shaded.Build(model);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const double dScale = shaded.Draw(0.0, resolve);
    CheckFrame(nSize);
    shaded.Draw(dScale * 0.5, resolve);
    CheckFrame(nSize);
    shaded.ReleaseContext();
    glFinish();
    return 0;
}
