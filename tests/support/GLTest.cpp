#include "GLTest.h"

#include <GL/gl.h>

void CGLTest::SetUp()
{
    CGLTestContext::Instance().MakeCurrent();
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was pending before the test";
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, CGLTestContext::kWidth, CGLTestContext::kHeight);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void CGLTest::TearDown()
{
    GLint nMode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &nMode);
    if (nMode != GL_RENDER) {
        ADD_FAILURE() << "the test left GL outside GL_RENDER mode";
        glRenderMode(GL_RENDER);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was left pending";
    while (glGetError() != GL_NO_ERROR) {
    }

    GLint nModelview = 0, nProjection = 0, nAttrib = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nModelview);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &nProjection);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &nAttrib);
    EXPECT_EQ(nModelview, 2) << "modelview pushes and pops do not balance";
    EXPECT_EQ(nProjection, 2) << "projection pushes and pops do not balance";
    EXPECT_EQ(nAttrib, 1) << "attribute pushes and pops do not balance";

    glMatrixMode(GL_PROJECTION);
    while (nProjection-- > 1)
        glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    while (nModelview-- > 1)
        glPopMatrix();
    while (nAttrib-- > 0)
        glPopAttrib();
}

std::vector<SFeedbackPrimitive> CaptureFeedback(const std::function<void()>& draw, std::size_t nFloats)
{
    std::vector<GLfloat> aBuffer(nFloats);
    glFeedbackBuffer(static_cast<GLsizei>(aBuffer.size()), GL_3D_COLOR, aBuffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint nUsed = glRenderMode(GL_RENDER);
    std::vector<SFeedbackPrimitive> aPrimitives;
    if (nUsed < 0) {
        ADD_FAILURE() << "the feedback buffer of " << nFloats << " floats overflowed";
        return aPrimitives;
    }

    // GL_3D_COLOR in RGBA mode: x, y, z and four colour components per vertex.
    constexpr std::size_t kVertexFloats = 7;
    const std::size_t nEnd = static_cast<std::size_t>(nUsed);
    std::size_t k = 0;
    auto readVertices = [&](SFeedbackPrimitive& p, std::size_t nCount) {
        for (std::size_t v = 0; v < nCount && nEnd - k >= kVertexFloats; ++v, k += kVertexFloats) {
            const GLfloat* f = &aBuffer[k];
            p.aVertices.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
        }
    };
    while (k < nEnd) {
        SFeedbackPrimitive p{aBuffer[k++], {}};
        const auto token = static_cast<GLint>(p.fToken);
        if (token == GL_POLYGON_TOKEN) {
            const std::size_t nCount = k < nEnd ? static_cast<std::size_t>(aBuffer[k++]) : 0;
            readVertices(p, nCount);
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            readVertices(p, 2);
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
                   token == GL_COPY_PIXEL_TOKEN) {
            readVertices(p, 1);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            if (k < nEnd)
                ++k;
        } else {
            ADD_FAILURE() << "unknown feedback token " << p.fToken;
            break;
        }
        aPrimitives.push_back(std::move(p));
    }
    return aPrimitives;
}
