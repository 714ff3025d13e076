// Full shading's frame beside the classic frame of the same model and beside a bare floor
// that draws the same triangles from the same arrays (one buffer object, one glDrawArrays,
// no material changes), in the same context and run; and the time to build the shaded model
// (normals, arrays, upload, texture) against one classic frame. The model is DrawModelBench's
// 1,036,800 triangles with its materials, one of them textured, a smoothing mask per face
// and mapping coordinates per vertex. Medians of rounds in rotating order.
// The floor binds a buffer object of its own: the entry points must be declared before
// any header brings in GL.
#define GL_GLEXT_PROTOTYPES 1
#include "BenchModel.h"
#include "FrameBench.h"
#include "geometry/CShadedModel.h"
#include "geometry/DrawModel.h"
#include "support/GLTestContext.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// What a file would give full shading: the first material textured, a mask per face (two
// groups per object, so both the shared and the split vertices are exercised) and mapping
// coordinates from each vertex's place on its sheet.
void AddShadingData(C3DS& model)
{
    CShadingData& s = model.m_cShading;
    s.m_aMaterials.assign(model.m_aMaterials.size(), S3DSMaterialShading{});
    s.m_aMaterials[0].bTextured = true;
    s.m_aMaterials[0].cTexture.strFile = "bench.tga";
    s.m_aSmoothing.resize(model.m_aFaces.size());
    for (std::size_t i = 0; i < model.m_aFaces.size(); ++i)
        s.m_aSmoothing[i] = (i / 4096) % 2 == 0 ? 1u : 3u;
    for (std::size_t k = 0; k < model.m_aVertices.size(); ++k) {
        const S3DSVertex& v = model.m_aVertices[k];
        if (s.m_aObjectMappings.empty() || s.m_aObjectMappings.back().nObject != v.nObject)
            s.m_aObjectMappings.push_back({v.nObject, static_cast<std::uint32_t>(k), 0});
        ++s.m_aObjectMappings.back().nCount;
        s.m_aTexCoords.push_back({v.x, v.y});
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int nRounds = SetUpFrameBench(argc, argv);

    C3DS model;
    BuildFrameBenchModel(model);
    AddShadingData(model);

    // The texture the resolver hands out: 256 x 256 RGB, uploaded on the first request.
    GLuint nTexture = 0;
    const CShadedModel::TextureResolver resolve = [&](const S3DSTextureMap&) -> STextureRef {
        if (nTexture == 0) {
            std::vector<std::uint8_t> texels(256 * 256 * 3);
            for (std::size_t k = 0; k < texels.size(); ++k)
                texels[k] = static_cast<std::uint8_t>(k * 7);
            glGenTextures(1, &nTexture);
            glBindTexture(GL_TEXTURE_2D, nTexture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        return STextureRef{nTexture, ETextureAlpha::opaque};
    };

    const double dScale = model.DrawModel(0.0, false, false);
    CShadedModel shaded;
    shaded.Build(model);
    shaded.Draw(0.0, resolve);

    // The floor's buffer: the same scaled positions and normals, in the same layout.
    const std::vector<float>& aPositions = shaded.Positions();
    const std::vector<float>& aNormals = shaded.Normals();
    std::vector<float> aScaled(aPositions.size());
    for (std::size_t k = 0; k < aPositions.size(); ++k)
        aScaled[k] = static_cast<float>(static_cast<double>(aPositions[k]) * dScale);
    GLuint nFloor = 0;
    glGenBuffers(1, &nFloor);
    glBindBuffer(GL_ARRAY_BUFFER, nFloor);
    const auto nPositionBytes = static_cast<GLsizeiptr>(aScaled.size() * sizeof(float));
    glBufferData(GL_ARRAY_BUFFER, nPositionBytes * 2, nullptr, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, nPositionBytes, aScaled.data());
    glBufferSubData(GL_ARRAY_BUFFER, nPositionBytes, nPositionBytes, aNormals.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    const auto nVertices = static_cast<GLsizei>(aScaled.size() / 3);
    auto drawFloor = [&] {
        glBindBuffer(GL_ARRAY_BUFFER, nFloor);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glNormalPointer(GL_FLOAT, 0, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(nPositionBytes)));
        glDrawArrays(GL_TRIANGLES, 0, nVertices);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    };

    const std::function<void()> aDraws[3] = {
        [&] { model.DrawModel(0.0, false, false); },
        [&] { shaded.Draw(0.0, resolve); },
        drawFloor,
    };
    const std::array<STimes, 3> aMedians = MeasureRotating(aDraws, nRounds);

    // Turning full shading on: build, then the first frame, which uploads and asks for the
    // texture. A fresh object each round, its context released after, as a new window would.
    SSeries build, firstFrame;
    const int nBuilds = std::max(3, nRounds / 2);
    for (int r = 0; r < nBuilds; ++r) {
        CShadedModel fresh;
        STimes tBuild = Frame([&] { fresh.Build(model); });
        const STimes tFirst = Frame([&] { fresh.Draw(0.0, resolve); });
        firstFrame.Add(tFirst);
        tBuild.dWall += tFirst.dWall;
        tBuild.dCpu += tFirst.dCpu;
        build.Add(tBuild);
        fresh.ReleaseContext();
    }

    const STimes classic = aMedians[0], full = aMedians[1], floor = aMedians[2];
    std::printf("Full shading: %zu triangles, %zu materials (one textured), %zu draw batches,\n"
                "%d x %d framebuffer, median of %d rounds (%d builds); shaded arrays %.1f MiB\n\n",
                model.m_aFaces.size(), model.m_aMaterials.size(), shaded.Batches().size(), CGLTestContext::kWidth,
                CGLTestContext::kHeight, nRounds, nBuilds, static_cast<double>(shaded.Bytes()) / 1048576.0);
    auto row = [](const char* pszName, const STimes& t) {
        std::printf("  %-48s %8.1f ms %8.1f ms\n", pszName, t.dWall, t.dCpu);
    };
    auto ratio = [](const char* pszName, const STimes& a, const STimes& b) {
        std::printf("  %-48s %8.3fx   %8.3fx\n", pszName, a.dWall / b.dWall, a.dCpu / b.dCpu);
    };
    std::printf("  %-48s %11s %11s\n", "", "wall", "cpu");
    row("floor: one glDrawArrays from the same arrays", floor);
    row("classic frame (DrawModel)", classic);
    row("full-shading frame (CShadedModel::Draw)", full);
    row("turning it on: Build + first frame", build.Medians());
    row("  of which the first frame (upload, texture)", firstFrame.Medians());
    ratio("full shading / classic (target <= 1)", full, classic);
    ratio("full shading / floor (target <= 1.2)", full, floor);
    ratio("turning it on / classic frame (target < 1.5)", build.Medians(), classic);

    shaded.ReleaseContext();
    glDeleteBuffers(1, &nFloor);
    glDeleteTextures(1, &nTexture);
    return 0;
}
