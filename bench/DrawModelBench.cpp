// Frame cost of C3DS::DrawModel beside its floor: a bare loop that issues the same glBegin,
// glNormal3f, glVertex3f and glEnd calls from a prepared array, for the same model, in the
// same context, in the same run. A second floor also makes DrawModel's material calls at the
// same faces, which separates what GL charges for those calls from DrawModel's own work.
// Everything draws into a 64 x 64 framebuffer under the viewer's light set-up with blending
// and alpha test on, and every frame ends with glFinish. Medians of rounds in rotating order.
#include "geometry/ApplyMaterial.h"
#include "geometry/CMaterialCursor.h"
#include "geometry/VectorMath.h"
#include "geometry/DrawModel.h"
#include "BenchModel.h"
#include "FrameBench.h"
#include "support/GLTestContext.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::size_t g_nSink;  // keeps work whose result is not printed from being optimised away

// The floors' input: per face its normal and three scaled corners, computed as DrawModel
// computes them, so every loop sends identical values; and the material DrawModel applies
// before the face, if any.
struct SFloor {
    std::vector<float> aFloats;
    std::vector<const S3DSMaterial*> aMaterials;
};

SFloor PrepareFloor(const C3DS& model, double dScale)
{
    SFloor floor;
    floor.aFloats.reserve(model.m_aFaces.size() * 12);
    floor.aMaterials.reserve(model.m_aFaces.size());
    CMaterialCursor cursor(model.m_aFaceMaterials, model.m_aMaterials, model.m_aFaces.size());
    std::int32_t nObject = 0;
    std::size_t nBase = 0;
    for (std::size_t i = 0; i < model.m_aFaces.size(); ++i) {
        const S3DSFace& face = model.m_aFaces[i];
        floor.aMaterials.push_back(cursor.Select(i, face.nObject));
        if (face.nObject != nObject) {
            nObject = face.nObject;
            while (model.m_aVertices[nBase].nObject != nObject)
                ++nBase;
        }
        float f[9];
        const std::uint16_t aCorners[3] = {face.a, face.b, face.c};
        for (int k = 0; k < 3; ++k) {
            const S3DSVertex& v = model.m_aVertices[nBase + aCorners[k]];
            f[3 * k] = static_cast<float>(v.x * dScale);
            f[3 * k + 1] = static_cast<float>(v.y * dScale);
            f[3 * k + 2] = static_cast<float>(v.z * dScale);
        }
        SVector3d n;
        CalcFaceNormal(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], &n);
        floor.aFloats.insert(floor.aFloats.end(),
                             {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)});
        floor.aFloats.insert(floor.aFloats.end(), f, f + 9);
    }
    return floor;
}


// The floor proper issues only the normal and vertex calls; with bMaterials it also makes
// DrawModel's material calls at the same faces, which shows what GL itself charges for them.
// Either way the blending, alpha-test and front-material state is put back as DrawModel does.
void DrawFloor(const SFloor& floor, bool bMaterials)
{
    GLfloat fAmbient[4], fDiffuse[4], fSpecular[4], fShininess;
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, fDiffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &fShininess);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);
    glBegin(GL_TRIANGLES);
    for (std::size_t i = 0, k = 0; k < floor.aFloats.size(); ++i, k += 12) {
        if (bMaterials && floor.aMaterials[i])
            ApplyMaterial(*floor.aMaterials[i]);
        const float* p = &floor.aFloats[k];
        glNormal3f(p[0], p[1], p[2]);
        glVertex3f(p[3], p[4], p[5]);
        glVertex3f(p[6], p[7], p[8]);
        glVertex3f(p[9], p[10], p[11]);
    }
    glEnd();
    glMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, fDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, fShininess);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
}

struct SResult {
    STimes drawModel;
    STimes floor;
    STimes floorWithMaterials;
};

// Object mode's call: scale 0, so the fit scale is computed anew in every frame. The three
// kinds of frame take turns, in rotating order, so drift hits each alike.
SResult Measure(C3DS& model, int nRounds)
{
    const double dScale = model.DrawModel(0.0, false, false);
    const SFloor floor = PrepareFloor(model, dScale);
    const std::function<void()> aDraws[3] = {
        [&] { model.DrawModel(0.0, false, false); },
        [&] { DrawFloor(floor, false); },
        [&] { DrawFloor(floor, true); },
    };
    const std::array<STimes, 3> t = MeasureRotating(aDraws, nRounds);
    return {t[0], t[1], t[2]};
}

// The material rule walked entry by entry from the cursor, without DrawModel's index: how
// long its search alone takes for one frame.
double LiteralSearchMs(const C3DS& model)
{
    const auto start = Clock::now();
    std::size_t nCursor = 0, nApplied = 0;
    std::string strCurrent;
    for (std::size_t i = 0; i < model.m_aFaces.size(); ++i) {
        const std::int32_t o = model.m_aFaces[i].nObject;
        for (std::size_t j = nCursor; j < model.m_aFaceMaterials.size(); ++j) {
            const S3DSFaceMaterial& e = model.m_aFaceMaterials[j];
            if (e.wObject != o && e.wFace != i)
                continue;
            if (e.strMaterial == strCurrent) {
                nCursor = j;
                break;
            }
            strCurrent = e.strMaterial.str();
            const auto it = std::find_if(model.m_aMaterials.begin(), model.m_aMaterials.end(),
                                         [&](const S3DSMaterial& m) { return m.strName == strCurrent; });
            if (it != model.m_aMaterials.end()) {
                nCursor = j;
                ++nApplied;
                break;
            }
        }
    }
    g_nSink = nApplied;
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// nFaces faces of object 1 without entries, then nFaces faces of object 2 with one entry
// each, numbered within object 2 as a file numbers them. No wFace can equal a face position
// beyond 65535, so for each such face of object 1 the literal rule scans every entry from
// the cursor to the end.
void BuildUnlisted(C3DS& model, std::size_t nFaces)
{
    AddSheet(model, 1, 256, nFaces, 0.0f, 0.0f);
    AddSheet(model, 2, 256, nFaces, 1.5f, 0.0f);
    AddGroups(model, 2, nFaces);
}

} // namespace

int main(int argc, char** argv)
{
    const int nRounds = SetUpFrameBench(argc, argv);

    C3DS model;
    BuildFrameBenchModel(model);
    constexpr int kObjects = kFrameBenchObjects;
    std::printf("DrawModel frame cost: %zu triangles in %d objects, %zu face-material entries, %zu materials,\n"
                "%d x %d framebuffer, median of %d rounds\n\n",
                model.m_aFaces.size(), kObjects, model.m_aFaceMaterials.size(), model.m_aMaterials.size(),
                CGLTestContext::kWidth, CGLTestContext::kHeight, nRounds);
    const SResult large = Measure(model, nRounds);
    auto row = [](const char* pszName, const STimes& t) {
        std::printf("  %-44s %8.1f ms %8.1f ms\n", pszName, t.dWall, t.dCpu);
    };
    auto ratio = [](const char* pszName, const STimes& a, const STimes& b) {
        std::printf("  %-44s %8.3fx   %8.3fx\n", pszName, a.dWall / b.dWall, a.dCpu / b.dCpu);
    };
    std::printf("  %-44s %11s %11s\n", "", "wall", "cpu");
    row("floor: bare glNormal3f/glVertex3f loop", large.floor);
    row("floor plus DrawModel's material calls", large.floorWithMaterials);
    row("DrawModel", large.drawModel);
    ratio("DrawModel / floor (target <= 1.2x)", large.drawModel, large.floor);
    ratio("DrawModel / floor plus material calls", large.drawModel, large.floorWithMaterials);

    std::printf("\nAn object without face-material entries, then as many faces with one entry each:\n");
    STimes previous{0.0, 0.0};
    for (std::size_t nFaces : {std::size_t{100000}, std::size_t{200000}}) {
        C3DS unlisted;
        BuildUnlisted(unlisted, nFaces);
        const SResult r = Measure(unlisted, nRounds);
        std::printf(" %zu + %zu faces\n", nFaces, nFaces);
        row("floor", r.floor);
        row("floor plus material calls", r.floorWithMaterials);
        row("DrawModel", r.drawModel);
        ratio("DrawModel / floor", r.drawModel, r.floor);
        ratio("DrawModel / floor plus material calls", r.drawModel, r.floorWithMaterials);
        if (previous.dWall == 0.0) {
            std::printf("  %-44s %8.1f ms\n", "literal material rule alone, one frame", LiteralSearchMs(unlisted));
        } else {
            ratio("DrawModel, doubled / single (linear: 2)", r.drawModel, previous);
        }
        previous = r.drawModel;
    }
    return 0;
}
