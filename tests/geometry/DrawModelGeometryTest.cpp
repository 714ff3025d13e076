// Where DrawModel puts vertices: the scale, each object's own base, the normal, the
// optional vertex strip and axes, and faces that reach outside the vertex array.
#include "DrawModelFixture.h"

namespace {

using DrawModelGeometry = CDrawModelTest;

TEST_F(DrawModelGeometry, ScaleIsFittedToTheLargestXOrUsedAsGivenAndReturned)
{
    const struct {
        std::vector<S3DSVertex> aVertices;
        double dScale, dExpected;
    } aCases[] = {
        {{{1, -4, 0, 0}, {1, 1, -4, 0}, {1, 2, 0, 1}}, 0.0, 0.5},   // 1 / largest x; y = -4 plays no part
        {{{1, -4, 0, 0}, {1, 1, -4, 0}, {1, 2, 0, 1}}, 1.5, 1.5},   // a given scale is used unchanged
        {{{1, -2, 0, 0}, {1, 0, -4, 0}, {1, -1, 0, 1}}, 0.0, 0.25}, // no x above 0: 1 / largest coordinate
        {{{1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}}, 0.0, 1.0},     // a point at the origin
    };
    for (const auto& c : aCases) {
        SCOPED_TRACE(c.dExpected);
        m_model.m_aVertices = c.aVertices;
        m_model.m_aFaces = {{1, 0, 1, 2, 0}};
        double dReturned = -1.0;
        const auto aTriangles = Triangles(Draw(c.dScale, false, false, &dReturned));
        EXPECT_EQ(dReturned, c.dExpected);
        if (c.aVertices[0].x == 0.0f)
            continue;  // nothing to see of a point
        ASSERT_EQ(aTriangles.size(), 1u);
        const auto s = static_cast<float>(c.dExpected);
        for (std::size_t k = 0; k < 3; ++k) {
            const S3DSVertex& v = c.aVertices[k];
            ExpectCorner(aTriangles[0].aVertices[k], v.x * s, v.y * s, v.z * s);
        }
    }
}

TEST_F(DrawModelGeometry, EachObjectIsDrawnFromItsOwnFirstVertex)
{
    // Object 1: three vertices, two faces. Object 3 (object 2 held no mesh): four vertices,
    // three faces, whose corner 0 is the fourth vertex of the array.
    AddVertex(1, 0, 0, 0);
    AddVertex(1, 1, 0, 0);
    AddVertex(1, 0, 1, 0);
    AddVertex(3, 4, 4, 0);
    AddVertex(3, 5, 4, 0);
    AddVertex(3, 4, 5, 0);
    AddVertex(3, 5, 5, 1);
    AddFace(1, 0, 1, 2);
    AddFace(1, 2, 1, 0);
    AddFace(3, 0, 1, 2);
    AddFace(3, 1, 3, 2);
    AddFace(3, 3, 0, 1);
    const auto aTriangles = Triangles(Draw(1.0));
    ASSERT_EQ(aTriangles.size(), 5u);
    ExpectCorner(aTriangles[1].aVertices[0], 0, 1, 0);
    ExpectCorner(aTriangles[2].aVertices[0], 4, 4, 0);
    ExpectCorner(aTriangles[2].aVertices[1], 5, 4, 0);
    ExpectCorner(aTriangles[3].aVertices[1], 5, 5, 1);
    ExpectCorner(aTriangles[4].aVertices[1], 4, 4, 0);
}

TEST_F(DrawModelGeometry, EachFaceGetsItsUnitNormal)
{
    AddVertex(1, 0, 0, 0);
    AddVertex(1, 1, 0, 0);
    AddVertex(1, 0, 1, 0);
    AddFace(1, 0, 1, 2);
    m_model.DrawModel(1.0, false, false);
    GLfloat fNormal[3] = {};
    glGetFloatv(GL_CURRENT_NORMAL, fNormal);
    EXPECT_EQ(fNormal[0], 0.0f);
    EXPECT_EQ(fNormal[1], 0.0f);
    EXPECT_EQ(fNormal[2], 1.0f);

    // The last face decides what is left behind; at the fit scale it is still of unit length.
    AddVertex(1, 0, 0, 3);
    AddFace(1, 0, 3, 1);
    m_model.DrawModel(0.0, false, false);
    glGetFloatv(GL_CURRENT_NORMAL, fNormal);
    EXPECT_FLOAT_EQ(fNormal[0], 0.0f);
    EXPECT_FLOAT_EQ(fNormal[1], 1.0f);
    EXPECT_FLOAT_EQ(fNormal[2], 0.0f);
}

TEST_F(DrawModelGeometry, VertexStripAndAxesOnlyWhenAsked)
{
    AddVertex(1, 1, 0, 0);
    AddVertex(1, 2, 0, 0);
    AddVertex(1, 2, 2, 0);
    AddVertex(2, -2, 2, 0);
    AddVertex(2, -2, -2, 0);
    AddFace(1, 0, 1, 2);
    AddFace(2, 0, 1, 1);

    auto lines = [](const std::vector<SFeedbackPrimitive>& aAll) {
        std::vector<SFeedbackPrimitive> aLines;
        for (SFeedbackPrimitive p : aAll) {
            const auto token = static_cast<GLint>(p.fToken);
            if (token != GL_LINE_TOKEN && token != GL_LINE_RESET_TOKEN)
                continue;
            for (SFeedbackVertex& v : p.aVertices)
                ToModel(v);
            aLines.push_back(p);
        }
        return aLines;
    };
    EXPECT_TRUE(lines(Draw(1.0)).empty());

    // At scale 0.5: the strip through all five vertices (across the object boundary), then
    // the triangles, then three unscaled axes in red, green and blue.
    const auto aAll = Draw(0.5, true, true);
    const auto aLines = lines(aAll);
    ASSERT_EQ(aLines.size(), 7u);
    const float aStrip[5][2] = {{0.5f, 0}, {1, 0}, {1, 1}, {-1, 1}, {-1, -1}};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        ExpectCorner(aLines[k].aVertices[0], aStrip[k][0], aStrip[k][1], 0);
        ExpectCorner(aLines[k].aVertices[1], aStrip[k + 1][0], aStrip[k + 1][1], 0);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const SFeedbackPrimitive& axis = aLines[4 + k];
        ExpectCorner(axis.aVertices[0], 0, 0, 0);
        ExpectCorner(axis.aVertices[1], k == 0 ? 5.0f : 0.0f, k == 1 ? 5.0f : 0.0f, k == 2 ? 5.0f : 0.0f);
        ExpectColour(axis.aVertices[1], k == 0 ? 1.0f : 0.0f, k == 1 ? 1.0f : 0.0f, k == 2 ? 1.0f : 0.0f);
    }
    EXPECT_EQ(static_cast<GLint>(aAll[4].fToken), GL_POLYGON_TOKEN);  // triangles between strip and axes
    EXPECT_EQ(static_cast<GLint>(aAll[aAll.size() - 4].fToken), GL_POLYGON_TOKEN);

    GLfloat fColour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, fColour);
    EXPECT_EQ(fColour[2], 1.0f);  // the axes leave the current colour blue
}

TEST_F(DrawModelGeometry, FacesOutsideTheVerticesAreSkippedAndTheRestDrawn)
{
    AddVertex(1, 0, 0, 0);
    AddVertex(1, 1, 0, 0);
    AddVertex(1, 0, 1, 0);
    AddVertex(2, 4, 4, 0);
    AddVertex(2, 5, 4, 0);
    AddVertex(2, 4, 5, 0);
    AddFace(1, 0, 1, 2);      // drawn
    AddFace(1, 0, 1, 3);      // too large for object 1 but inside the array: takes object 2's vertex
    AddFace(1, 0, 6, 1);      // past the array: skipped
    AddFace(5, 0, 1, 2);      // object 5 has no vertex: skipped
    AddFace(2, 0, 1, 2);      // found from the unchanged base
    AddFace(2, 0, 1, 65535);  // skipped
    AddFace(1, 0, 1, 2);      // object 1 lies before object 2's base: skipped
    AddFace(2, 2, 1, 0);      // drawn
    const auto aTriangles = Triangles(Draw(1.0));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));  // the caller's state is back, the error flag clean (TearDown)
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    ASSERT_EQ(aTriangles.size(), 4u);
    ExpectCorner(aTriangles[0].aVertices[2], 0, 1, 0);
    ExpectCorner(aTriangles[1].aVertices[2], 4, 4, 0);
    ExpectCorner(aTriangles[2].aVertices[0], 4, 4, 0);
    ExpectCorner(aTriangles[3].aVertices[0], 4, 5, 0);
    ExpectCorner(aTriangles[3].aVertices[2], 4, 4, 0);
}

TEST_F(DrawModelGeometry, LargeModelsAreDrawnWholeInFileOrderAcrossTheDriversFlushes)
{
    // More triangles than several of the runs after which the primitive is ended and the
    // driver flushed, with skipped faces at and around where the runs end: every drawable
    // face arrives once, whole and in order, and no call lands inside glBegin/glEnd (the
    // error flag is checked on tear-down).
    constexpr std::size_t kFaces = 3 * 16384 + 100;
    for (int k = 0; k < 256; ++k)
        AddVertex(1, static_cast<float>(k % 16) * 0.25f, static_cast<float>(k / 16) * 0.25f, 0.0f);
    std::vector<std::size_t> aExpected;
    for (std::size_t i = 0; i < kFaces; ++i) {
        const auto a = static_cast<std::uint16_t>(i % 255);
        const bool bSkipped = i % 16384 < 3 || i % 16384 > 16380;
        AddFace(1, a, static_cast<std::uint16_t>(a + 1), bSkipped ? 999 : static_cast<std::uint16_t>((a + 17) % 256));
        if (!bSkipped)
            aExpected.push_back(i);
    }
    const auto aTriangles = Triangles(Draw(1.0, false, false, nullptr, kFaces * 32));
    ASSERT_EQ(aTriangles.size(), aExpected.size());
    for (std::size_t t = 0; t < aTriangles.size(); t += 997) {
        SCOPED_TRACE(t);
        ASSERT_EQ(aTriangles[t].aVertices.size(), 3u);
        const S3DSFace& f = m_model.m_aFaces[aExpected[t]];
        const std::uint16_t aCorners[3] = {f.a, f.b, f.c};
        for (int k = 0; k < 3; ++k) {
            const S3DSVertex& v = m_model.m_aVertices[aCorners[k]];
            ExpectCorner(aTriangles[t].aVertices[static_cast<std::size_t>(k)], v.x, v.y, v.z);
        }
    }
}

} // namespace
