// Full shading's frame beside the classic frame of the same model and beside a bare floor
// that draws the same triangles from the same arrays (one buffer object, one glDrawElements,
// no material changes), in the same context and run; the time to build the shaded model
// (normals, arrays, upload, texture) against one classic frame; the peak memory of turning
// it on against the model's own arrays; and the cost of sorting blended faces when one
// material is made transparent. The model is DrawModelBench's 1,036,800 triangles with its
// materials, one of them textured, a smoothing mask per face and mapping coordinates per
// vertex. Medians of rounds in rotating order.
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
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The process's resident-set peak since the last ResetPeakMemory, in bytes (VmHWM).
std::size_t PeakMemory()
{
    std::ifstream in("/proc/self/status");
    std::string strKey;
    std::size_t nKiB = 0;
    while (in >> strKey) {
        if (strKey == "VmHWM:") {
            in >> nKiB;
            break;
        }
        in.ignore(4096, '\n');
    }
    return nKiB * 1024;
}

void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak becomes the resident set now
}

// What the reader holds for the model: the four arrays and the side data.
std::size_t ModelBytes(const C3DS& model)
{
    return model.m_aVertices.capacity() * sizeof(S3DSVertex) + model.m_aFaces.capacity() * sizeof(S3DSFace) +
           model.m_aFaceMaterials.capacity() * sizeof(S3DSFaceMaterial) +
           model.m_aMaterials.capacity() * sizeof(S3DSMaterial) + model.m_cShading.Bytes();
}

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
    glFinish();
    // Turning it on, from a settled process: every temporary of the build and the driver's
    // copy of the buffer count.
    ResetPeakMemory();
    const std::size_t nBefore = PeakMemory();
    CShadedModel shaded;
    shaded.Build(model);
    shaded.Draw(0.0, resolve);
    glFinish();
    const std::size_t nPeak = PeakMemory() - nBefore;

    // The floor's buffers: the same scaled positions, normals and indices, in the same layout.
    const SShadedMesh& mesh = shaded.Mesh();
    std::vector<float> aScaled(mesh.aPositions.size());
    for (std::size_t k = 0; k < aScaled.size(); ++k)
        aScaled[k] = static_cast<float>(static_cast<double>(mesh.aPositions[k]) * dScale);
    GLuint nFloor[2] = {0, 0};
    glGenBuffers(2, nFloor);
    glBindBuffer(GL_ARRAY_BUFFER, nFloor[0]);
    const auto nPositionBytes = static_cast<GLsizeiptr>(aScaled.size() * sizeof(float));
    glBufferData(GL_ARRAY_BUFFER, nPositionBytes * 2, nullptr, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, nPositionBytes, aScaled.data());
    glBufferSubData(GL_ARRAY_BUFFER, nPositionBytes, nPositionBytes, mesh.aNormals.data());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, nFloor[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.aIndices.size() * sizeof(std::uint32_t)),
                 mesh.aIndices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    std::vector<float>().swap(aScaled);
    const auto nIndices = static_cast<GLsizei>(mesh.aIndices.size());
    auto drawFloor = [&] {
        glBindBuffer(GL_ARRAY_BUFFER, nFloor[0]);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, nFloor[1]);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glNormalPointer(GL_FLOAT, 0, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(nPositionBytes)));
        glDrawElements(GL_TRIANGLES, nIndices, GL_UNSIGNED_INT, nullptr);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    };

    const std::function<void()> aDraws[3] = {
        [&] { model.DrawModel(0.0, false, false); },
        [&] { shaded.Draw(0.0, resolve); },
        drawFloor,
    };
    const std::array<STimes, 3> aMedians = MeasureRotating(aDraws, nRounds);

    // Turning full shading on: build, then the first frame, which uploads and asks for the
    // texture. A fresh object each round, its context released after, as a new window would.
    // Each beside a classic frame drawn just before it, so that both see the same machine.
    SSeries build, firstFrame, classicBeside;
    const int nBuilds = std::max(5, nRounds);
    for (int r = 0; r < nBuilds; ++r) {
        classicBeside.Add(Frame([&] { model.DrawModel(0.0, false, false); }));
        CShadedModel fresh;
        STimes tBuild = Frame([&] { fresh.Build(model); });
        const STimes tFirst = Frame([&] { fresh.Draw(0.0, resolve); });
        firstFrame.Add(tFirst);
        tBuild.dWall += tFirst.dWall;
        tBuild.dCpu += tFirst.dCpu;
        build.Add(tBuild);
        fresh.ReleaseContext();
    }

    // One material of half an object (32,400 faces) made transparent: its faces are sorted
    // back to front whenever the view turns. Frames of a still view, and frames that each
    // turn it a little, against the classic frame again.
    model.m_aMaterials[1].nTransparency = 50;
    CShadedModel blended;
    blended.Build(model);
    float fAngle = 0.0f;
    const std::function<void()> aBlendedDraws[3] = {
        [&] { model.DrawModel(0.0, false, false); },
        [&] { blended.Draw(0.0, resolve); },
        [&] {
            glPushMatrix();
            glRotatef(fAngle += 0.5f, 0.3f, 1.0f, 0.2f);
            blended.Draw(0.0, resolve);
            glPopMatrix();
        },
    };
    const std::array<STimes, 3> aBlended = MeasureRotating(aBlendedDraws, nRounds);
    blended.ReleaseContext();

    const STimes classic = aMedians[0], full = aMedians[1], floor = aMedians[2];
    const double dMiB = 1048576.0;
    std::printf("Full shading: %zu triangles, %zu vertices, %zu materials (one textured), %zu batches,\n"
                "%d x %d framebuffer, median of %d rounds (%d builds); shaded arrays %.1f MiB\n\n",
                model.m_aFaces.size(), mesh.VertexCount(), model.m_aMaterials.size(), mesh.aBatches.size(),
                CGLTestContext::kWidth, CGLTestContext::kHeight, nRounds, nBuilds,
                static_cast<double>(shaded.Bytes()) / dMiB);
    std::printf("  the model's own arrays                           %8.1f MiB\n"
                "  peak of turning it on (VmHWM), driver included   %8.1f MiB  %.2fx the arrays (target <= 3)\n\n",
                static_cast<double>(ModelBytes(model)) / dMiB, static_cast<double>(nPeak) / dMiB,
                static_cast<double>(nPeak) / static_cast<double>(ModelBytes(model)));
    auto row = [](const char* pszName, const STimes& t) {
        std::printf("  %-48s %8.1f ms %8.1f ms\n", pszName, t.dWall, t.dCpu);
    };
    auto ratio = [](const char* pszName, const STimes& a, const STimes& b) {
        std::printf("  %-48s %8.3fx   %8.3fx\n", pszName, a.dWall / b.dWall, a.dCpu / b.dCpu);
    };
    std::printf("  %-48s %11s %11s\n", "", "wall", "cpu");
    row("floor: one glDrawElements from the same arrays", floor);
    row("classic frame (DrawModel)", classic);
    row("full-shading frame (CShadedModel::Draw)", full);
    row("turning it on: Build + first frame", build.Medians());
    row("  of which the first frame (upload, texture)", firstFrame.Medians());
    ratio("full shading / classic (target <= 1)", full, classic);
    ratio("full shading / floor (target <= 1.2)", full, floor);
    ratio("turning it on / classic frame (target < 1.5)", build.Medians(), classicBeside.Medians());
    std::printf("\n  with 32,400 blended faces, sorted per face:\n");
    row("classic frame (DrawModel)", aBlended[0]);
    row("full-shading frame, still view", aBlended[1]);
    row("full-shading frame, turning view (sorts)", aBlended[2]);
    ratio("turning view / classic", aBlended[2], aBlended[0]);

    shaded.ReleaseContext();
    glDeleteBuffers(2, nFloor);
    glDeleteTextures(1, &nTexture);
    return 0;
}
