// Which material each face is drawn in, and what a material sets: with lighting off a
// feedback colour is the current colour, which DrawModel sets to the material's ambient
// colour; with lighting on and colour tracking off it shows the front material itself.
#include "DrawModelFixture.h"

#include <cmath>
#include <numbers>

namespace {

class DrawModelMaterial : public CDrawModelTest {
protected:
    // nFaces small triangles of object nObject, each over its own three vertices.
    void AddObject(std::int32_t nObject, int nFaces)
    {
        for (int f = 0; f < nFaces; ++f) {
            const auto x = static_cast<float>(m_model.m_aFaces.size()) * 0.5f - 7.0f;
            AddVertex(nObject, x, 0, 0);
            AddVertex(nObject, x + 0.25f, 0, 0);
            AddVertex(nObject, x, 1, 0);
            const auto a = static_cast<std::uint16_t>(3 * f);
            AddFace(nObject, a, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(a + 2));
        }
    }

    // The red channel of each face's first corner, in drawing order.
    std::vector<float> FaceReds()
    {
        std::vector<float> aReds;
        for (const SFeedbackPrimitive& p : Triangles(Draw(1.0)))
            aReds.push_back(std::round(p.aVertices.at(0).r * 100.0f) / 100.0f);
        return aReds;
    }
};

using Reds = std::vector<float>;

TEST_F(DrawModelMaterial, ObjectIsDrawnInItsFirstListedMaterial)
{
    AddMaterial("A", {0.25f, 0, 0});
    AddMaterial("B", {0.75f, 0, 0});
    AddMaterial("A", {1.0f, 0, 0});  // a second A: the lower position wins
    AddObject(1, 8);
    AddObject(2, 2);
    for (std::uint16_t f = 0; f < 8; ++f)
        AddFaceMaterial(1, f, f < 4 ? "A" : "B");
    AddFaceMaterial(2, 0, "B");
    AddFaceMaterial(2, 1, "A");
    EXPECT_EQ(FaceReds(), (Reds{0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.75f, 0.75f}));
}

TEST_F(DrawModelMaterial, ObjectWithoutEntriesTakesLaterEntriesByFacePosition)
{
    // Faces 0 and 1 of object 1 have no entries of their own, but entries of object 2 carry
    // wFace 0 and 1: the or-rule matches them through the face's position in the whole array.
    AddMaterial("A", {0.25f, 0, 0});
    AddMaterial("B", {0.75f, 0, 0});
    AddMaterial("C", {1.0f, 0, 0});
    AddObject(1, 3);
    AddObject(2, 3);
    AddFaceMaterial(2, 0, "B");
    AddFaceMaterial(2, 1, "C");
    AddFaceMaterial(2, 2, "A");
    // Face 2 meets entry 2 the same way, and object 2 then stays in that material.
    EXPECT_EQ(FaceReds(), (Reds{0.75f, 1.0f, 0.25f, 0.25f, 0.25f, 0.25f}));
}

// Lighting on, colour tracking off, light 0 off: the lit colour is the front ambient times
// the scene's ambient light (white here) and its alpha is the front diffuse alpha.
TEST_F(DrawModelMaterial, TransparencyIsTheUnscaledAlphaOfTheMaterial)
{
    S3DSMaterial& clear = AddMaterial("clear", {0.25f, 0.5f, 0.75f});
    clear.nTransparency = 0;
    S3DSMaterial& half = AddMaterial("half", {0.5f, 0.25f, 0.125f});
    half.nTransparency = 50;
    AddObject(1, 1);
    AddObject(2, 1);
    AddFaceMaterial(1, 0, "clear");
    AddFaceMaterial(2, 0, "half");
    glEnable(GL_LIGHTING);
    const GLfloat fWhite[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, fWhite);

    const auto aTriangles = Triangles(Draw(1.0));
    ASSERT_EQ(aTriangles.size(), 2u);
    ExpectColour(aTriangles[0].aVertices[0], 0.25f, 0.5f, 0.75f);
    EXPECT_NEAR(aTriangles[0].aVertices[0].a, 0.0f, 1e-3f);  // 0 % is alpha 0, not opaque
    ExpectColour(aTriangles[1].aVertices[0], 0.5f, 0.25f, 0.125f);
    EXPECT_NEAR(aTriangles[1].aVertices[0].a, 1.0f, 1e-3f);  // 50.0, clamped by lighting; not 0.5
}

TEST_F(DrawModelMaterial, DiffuseSpecularAndShininessReachTheFrontMaterial)
{
    // Light 0 from 60 degrees off the normal, seen from +Z: the half vector is 30 degrees
    // off, so the specular term is specular * cos(30)^shininess, with the shininess in
    // percent used as the exponent itself.
    S3DSMaterial& m = AddMaterial("m", {0, 0, 0});
    m.fDiffuse[0] = 0.5f;
    m.fSpecular[1] = 1.0f;
    m.nShininess = 10;
    S3DSMaterial& rough = AddMaterial("rough", {0, 0, 0});
    rough.fSpecular[1] = 1.0f;
    rough.nShininess = 1000;  // a damaged file: clamped to GL's 128, no GL error
    AddObject(1, 1);
    AddObject(2, 1);
    AddFaceMaterial(1, 0, "m");
    AddFaceMaterial(2, 0, "rough");
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat fBlack[4] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, fBlack);
    const double dAngle = std::numbers::pi / 3;
    const GLfloat fDirection[4] = {static_cast<float>(std::sin(dAngle)), 0, static_cast<float>(std::cos(dAngle)), 0};
    glLightfv(GL_LIGHT0, GL_POSITION, fDirection);

    const auto aTriangles = Triangles(Draw(1.0));
    ASSERT_EQ(aTriangles.size(), 2u);
    const auto& lit = aTriangles[0].aVertices[0];
    EXPECT_NEAR(lit.r, 0.5f * std::cos(dAngle), 5e-3);
    EXPECT_NEAR(lit.g, std::pow(std::cos(dAngle / 2), 10.0), 5e-3);
    EXPECT_NEAR(aTriangles[1].aVertices[0].g, 0.0f, 5e-3f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
