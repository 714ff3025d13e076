// The fixed light and front material that every view context starts from.
#include "support/GLTest.h"
#include "view/CGLSetup.h"

#include <GL/gl.h>

#include <array>

namespace {

using SetupLights = CGLTest;

std::array<GLfloat, 4> Light(GLenum nParameter)
{
    std::array<GLfloat, 4> f{-1, -1, -1, -1};
    glGetLightfv(GL_LIGHT0, nParameter, f.data());
    return f;
}

std::array<GLfloat, 4> Material(GLenum nFace, GLenum nParameter)
{
    std::array<GLfloat, 4> f{-1, -1, -1, -1};
    glGetMaterialfv(nFace, nParameter, f.data());
    return f;
}

TEST_F(SetupLights, EnablesOneLightAndSetsTheFrontMaterialDefaults)
{
    for (GLenum nCap : {GL_DEPTH_TEST, GL_COLOR_MATERIAL, GL_LIGHTING, GL_LIGHT0})
        ASSERT_FALSE(glIsEnabled(nCap)) << "the context is not in its initial state";

    CGLSetup setup;
    EXPECT_EQ(setup.m_dShininess, 128.0);
    setup.SetupLights();

    for (GLenum nCap : {GL_DEPTH_TEST, GL_COLOR_MATERIAL, GL_LIGHTING, GL_LIGHT0})
        EXPECT_TRUE(glIsEnabled(nCap)) << nCap;
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));

    EXPECT_EQ(Light(GL_POSITION), (std::array<GLfloat, 4>{5, 0, 50, 1}));
    const auto spot = Light(GL_SPOT_DIRECTION);
    EXPECT_EQ(spot[0], 0.0f);
    EXPECT_EQ(spot[1], 0.0f);
    EXPECT_EQ(spot[2], 0.0f);
    EXPECT_EQ(Light(GL_DIFFUSE), (std::array<GLfloat, 4>{1, 1, 1, 1}));  // light colours stay default

    EXPECT_EQ(Material(GL_FRONT, GL_SPECULAR), (std::array<GLfloat, 4>{1, 1, 1, 1}));
    EXPECT_EQ(Material(GL_FRONT, GL_SHININESS)[0], 128.0f);
    EXPECT_EQ(Material(GL_BACK, GL_SHININESS)[0], 0.0f);  // the front only
    EXPECT_EQ(Material(GL_BACK, GL_SPECULAR), (std::array<GLfloat, 4>{0, 0, 0, 1}));

    GLint nColourMaterialFace = 0, nColourMaterialMode = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &nColourMaterialFace);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &nColourMaterialMode);
    EXPECT_EQ(nColourMaterialFace, GL_FRONT_AND_BACK);
    EXPECT_EQ(nColourMaterialMode, GL_AMBIENT_AND_DIFFUSE);
}

} // namespace
