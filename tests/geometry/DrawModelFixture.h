#pragma once

#include "geometry/DrawModel.h"
#include "support/GLTest.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

// Models filled directly, drawn under an orthographic view of the cube [-8, 8]^3 with
// lighting off, so feedback colours are current colours and window coordinates map back
// to model coordinates exactly.
class CDrawModelTest : public CGLTest {
protected:
    static constexpr float kExtent = 8.0f;

    void SetUp() override
    {
        CGLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-kExtent, kExtent, -kExtent, kExtent, -kExtent, kExtent);
        glMatrixMode(GL_MODELVIEW);
        glDisable(GL_LIGHTING);
        glDisable(GL_COLOR_MATERIAL);
        glColor3f(0.5f, 0.5f, 0.5f);
    }

    void AddVertex(std::int32_t nObject, float x, float y, float z) { m_model.m_aVertices.push_back({nObject, x, y, z}); }
    void AddFace(std::int32_t nObject, std::uint16_t a, std::uint16_t b, std::uint16_t c)
    {
        m_model.m_aFaces.push_back({nObject, a, b, c, 0});
    }
    void AddFaceMaterial(std::uint16_t wObject, std::uint16_t wFace, const char* pszName)
    {
        m_model.m_aFaceMaterials.push_back({wObject, wFace, pszName});
    }
    S3DSMaterial& AddMaterial(const char* pszName, std::array<float, 3> ambient)
    {
        S3DSMaterial m;
        m.strName = pszName;
        for (int k = 0; k < 3; ++k)
            m.fAmbient[k] = ambient[static_cast<std::size_t>(k)];
        m_model.m_aMaterials.push_back(m);
        return m_model.m_aMaterials.back();
    }

    // Polygons only, each with its three corners mapped back to model coordinates.
    static std::vector<SFeedbackPrimitive> Triangles(const std::vector<SFeedbackPrimitive>& aAll)
    {
        std::vector<SFeedbackPrimitive> aTriangles;
        for (SFeedbackPrimitive p : aAll) {
            if (static_cast<GLint>(p.fToken) != GL_POLYGON_TOKEN)
                continue;
            for (SFeedbackVertex& v : p.aVertices)
                ToModel(v);
            aTriangles.push_back(p);
        }
        return aTriangles;
    }

    // Window coordinates of the 64-pixel viewport back to the cube.
    static void ToModel(SFeedbackVertex& v)
    {
        v.x = (v.x / CGLTestContext::kWidth * 2.0f - 1.0f) * kExtent;
        v.y = (v.y / CGLTestContext::kHeight * 2.0f - 1.0f) * kExtent;
        v.z = (1.0f - 2.0f * v.z) * kExtent;
    }

    std::vector<SFeedbackPrimitive> Draw(double dScale = 1.0, bool bStrip = false, bool bAxes = false,
                                         double* pdReturned = nullptr, std::size_t nFeedbackFloats = 1 << 16)
    {
        return CaptureFeedback(
            [&] {
                const double d = m_model.DrawModel(dScale, bStrip, bAxes);
                if (pdReturned)
                    *pdReturned = d;
            },
            nFeedbackFloats);
    }

    C3DS m_model;
};

inline void ExpectCorner(const SFeedbackVertex& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-3f);
}

inline void ExpectColour(const SFeedbackVertex& v, float r, float g, float b)
{
    EXPECT_NEAR(v.r, r, 1e-3f);
    EXPECT_NEAR(v.g, g, 1e-3f);
    EXPECT_NEAR(v.b, b, 1e-3f);
}
