// libFuzzer target for the thumbnailer's whole path and for full shading: any bytes read with
// C3DS::ReadBuffer, then drawn by the view's frame routine into a small headless EGL
// framebuffer, in object mode and in walk mode, classic and then fully shaded (textured where
// a material names a map, at a second walk scale that uploads the positions anew), and read
// back. Besides the sanitizers it checks what any frame must leave behind: no GL error, the
// matrix and attribute stacks at the depth they started from, and no buffer left bound.

#include "tools/CHeadlessContext.h"
#include "geometry/CLightSetup.h"
#include "geometry/CShadedModel.h"
#include "geometry/DrawModel.h"
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
#include <string_view>

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
    GLint nElements = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &nElements);
    nBuffer |= nElements;
    if (nDepth != 1)
        Fail("a frame leaves the modelview stack as it found it", nSize, static_cast<unsigned>(nDepth));
    if (nAttrib != 0 || nClientAttrib != 0)
        Fail("a frame leaves the attribute stacks as it found them", nSize, static_cast<unsigned>(nAttrib));
    if (nBuffer != 0)
        Fail("a frame leaves no buffer bound", nSize, static_cast<unsigned>(nBuffer));
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

    CScene scene;
    scene.SetProjection(kWidth, kHeight, 1.0);
    scene.DrawScene(model);
    CheckFrame(nSize);

    scene.m_bWalkAround = true;
    scene.m_bShowNet = false;
    scene.DrawScene(model);
    scene.DrawScene(model);  // the second walk frame reuses the scale of the first
    CheckFrame(nSize);

    // Maps whose names start with an odd byte are "missing"; the others' second byte picks
    // the alpha kind, so every pass and the decal's two draws get drawn. The map transform
    // (rotation, mirror, decal, percentages) comes from the file itself.
    CShadedModel shaded;
    CScene shadedScene;
    shadedScene.SetProjection(kWidth, kHeight, 1.0);
    shadedScene.m_bFullShading = true;
    shadedScene.m_pShaded = &shaded;
    shadedScene.m_fnResolveTexture = [](const S3DSTextureMap& map) -> STextureRef {
        const std::string_view sv = map.strFile.view();
        if (sv.empty() || (static_cast<unsigned char>(sv[0]) & 1))
            return {};
        const unsigned nKind = sv.size() > 1 ? static_cast<unsigned char>(sv[1]) % 3u : 2u;
        return {g_nTexture, static_cast<ETextureAlpha>(nKind)};
    };
    shadedScene.DrawScene(model);
    CheckFrame(nSize);
    shadedScene.m_bWalkAround = true;
    shadedScene.DrawScene(model);
    shadedScene.m_dWalkScale *= 0.5;  // Zoom out: the positions are uploaded anew
    shadedScene.DrawScene(model);
    CheckFrame(nSize);
    shadedScene.m_dSpinY += 90.0;  // Turned: the blended faces are sorted anew
    shadedScene.DrawScene(model);
    CheckFrame(nSize);
    shaded.ReleaseContext();
    glFinish();
    return 0;
}
