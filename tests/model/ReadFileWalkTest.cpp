#include "ReadFileTestUtil.h"

#include "model/ReadStatus.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::int32_t> VertexObjects(const C3DS& m)
{
    std::vector<std::int32_t> v;
    for (const auto& r : m.m_aVertices)
        v.push_back(r.nObject);
    return v;
}

TEST(ReadFileWalk, ObjectsAreNumberedInFileOrderCountingLightsAndCameras)
{
    C3dsWriter w;
    w.LeadIn();
    w.Begin(0x4000).Str("light").Begin(0x4600).F32(0).F32(0).F32(5).End().End();
    w.BeginObject("first").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 7}).End().End().End();
    w.Begin(0x4000).Str("camera").Begin(0x4700).F32(1).End().End();
    w.BeginObject("second").Vertices({5, 0, 0, 6, 0, 0, 5, 1, 0, 6, 1, 0}).BeginFaces({0, 1, 2, 0, 1, 3, 2, 0});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    EXPECT_EQ(VertexObjects(model), (std::vector<std::int32_t>{2, 2, 2, 4, 4, 4, 4}));
    ASSERT_EQ(model.m_aFaces.size(), 3u);
    EXPECT_EQ(model.m_aFaces[0].nObject, 2);
    EXPECT_EQ(model.m_aFaces[0].wFlags, 7);
    // Corners stay relative to their own object: 0, 1, 2 of the second mesh.
    EXPECT_EQ(model.m_aFaces[1].nObject, 4);
    EXPECT_EQ(model.m_aFaces[1].a, 0);
    EXPECT_EQ(model.m_aFaces[2].c, 2);
    EXPECT_EQ(model.m_aFaces[2].b, 3);
}

TEST(ReadFileWalk, ObjectNameSetsWhereChildrenBegin)
{
    // A five-character name puts the first child at offset 12 of the object chunk; the
    // object chunk's own length is never used, so a wrong one does no harm.
    C3dsWriter w;
    w.LeadIn();
    w.Header(0x4000, 3).Str("abcde").Begin(0x4100).Vertices({1, 2, 3});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].z, 3.0f);
}

TEST(ReadFileWalk, EveryContextMismatchHasItsCode)
{
    struct SCase {
        std::uint16_t wId;
        int nStatus;
    };
    const SCase cases[] = {
        {0xA000, -8},  {0xA010, -9},  {0xA020, -10}, {0xA030, -11},  {0xA040, -12},  {0xA041, -13},
        {0xA050, -14}, {0xA052, -15}, {0xA053, -16}, {0x4100, -17},  {0x4110, -18},  {0x4160, -19},
        {0x4120, -180}, {0x4130, -181}, {0x4150, -182},
    };
    for (const SCase& c : cases) {
        // Directly inside the editor chunk, where none of these belongs.
        C3dsWriter w;
        w.LeadIn().Begin(c.wId).U32(0).U32(0).End();
        C3DS model;
        EXPECT_EQ(ReadWriter(model, w), c.nStatus) << std::hex << c.wId;
    }
}

TEST(ReadFileWalk, MeshChunksAfterTheFaceListFailButKeepWhatWasRead)
{
    C3dsWriter w;
    w.LeadIn().BeginObject("m").BeginFaces({0, 1, 2, 0}).End().Vertices({1, 1, 1});
    C3DS model;
    EXPECT_EQ(ReadWriter(model, w), READ_VERTEX_LIST_CONTEXT);
    EXPECT_EQ(model.m_aFaces.size(), 1u);
    EXPECT_TRUE(model.m_aVertices.empty());

    C3dsWriter m;
    m.LeadIn().BeginObject("m").Vertices({1, 1, 1}).BeginFaces({0, 0, 0, 0}).End();
    m.MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, 0});
    EXPECT_EQ(ReadWriter(model, m), READ_MESH_MATRIX_CONTEXT);
    ASSERT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].x, 1.0f);  // a failed read is never shifted
}

TEST(ReadFileWalk, AmbientLightChunkActsAsANamedObjectContext)
{
    // Files that put a mesh right behind an ambient light chunk rely on this.
    C3dsWriter w;
    w.LeadIn().Begin(0x2100).Begin(0x0011).Raw({1, 2, 3}).End().End();
    w.Begin(0x4100).Vertices({1, 2, 3});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_EQ(model.m_aVertices[0].nObject, 0);
    EXPECT_EQ(model.m_wContext, 0x4100);
}

TEST(ReadFileWalk, VerticesAreShiftedByTheLastMeshOrigin)
{
    C3dsWriter w;
    w.LeadIn();
    w.BeginObject("a").Vertices({12, 1, 1}).MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 3, 3, 3}).End().End();
    w.BeginObject("b").Vertices({0, 0, 0}).MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, -1});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aVertices.size(), 2u);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].x, 2.0f);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].y, 1.0f);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].z, 2.0f);
    EXPECT_FLOAT_EQ(model.m_aVertices[1].x, -10.0f);
    EXPECT_FLOAT_EQ(model.m_fMeshMatrix[9], 10.0f);

    // No mesh matrix in the next file: the matrix is zeroed and nothing moves.
    C3dsWriter plain;
    plain.LeadIn().BeginObject("a").Vertices({12, 1, 1});
    ASSERT_EQ(ReadWriter(model, plain), READ_OK);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].x, 12.0f);
    for (float f : model.m_fMeshMatrix)
        EXPECT_EQ(f, 0.0f);
}

TEST(ReadFileWalk, FaceMaterialEntriesAreStoredAsRead)
{
    C3dsWriter w;
    w.LeadIn().BeginObject("o").Vertices({0, 0, 0}).BeginFaces({0, 0, 0, 0});
    w.FaceMaterial("abc", {0, 900});  // 900 is beyond the face count and still kept
    w.Begin(0x4150).U32(1).End();
    w.FaceMaterial("xyz", {3});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aFaceMaterials.size(), 3u);
    EXPECT_EQ(model.m_aFaceMaterials[0].wObject, 1);
    EXPECT_EQ(model.m_aFaceMaterials[1].wFace, 900);
    EXPECT_EQ(model.m_aFaceMaterials[1].strMaterial, "abc");
    EXPECT_EQ(model.m_aFaceMaterials[2].strMaterial, "xyz");
}

TEST(ReadFileWalk, UnknownChunksAreSkippedWholeAtAnyDepth)
{
    C3dsWriter w;
    w.LeadIn();
    // A vertex list hidden inside an unknown chunk must never be visited.
    w.Begin(0x1234).Begin(0x4110).U16(1).F32(9).F32(9).F32(9).End().End();
    w.BeginObject("o").Begin(0x4140).U16(1).F32(0.5f).F32(0.5f).End().Vertices({1, 2, 3});
    w.Begin(0xB000).Begin(0x4110).U32(0).End().End();
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_FLOAT_EQ(model.m_aVertices[0].x, 1.0f);
}

TEST(ReadFileWalk, SecondReadReplacesTheFirst)
{
    C3dsWriter big;
    big.LeadIn().Material("m", {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    big.BeginObject("o").Vertices({1, 1, 1, 2, 2, 2}).BeginFaces({0, 1, 1, 0}).FaceMaterial("m", {0});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, big), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 1u);

    C3dsWriter small;
    small.LeadIn().BeginObject("p").Vertices({5, 5, 5});
    ASSERT_EQ(ReadWriter(model, small), READ_OK);
    EXPECT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_TRUE(model.m_aFaces.empty());
    EXPECT_TRUE(model.m_aFaceMaterials.empty());
    ASSERT_EQ(model.m_aMaterials.size(), 1u);
    EXPECT_TRUE(model.m_aMaterials[0].strName.empty());
    EXPECT_EQ(model.m_aVertices[0].nObject, 1);  // numbering restarts with every read

    // Even a file that is not a 3ds file empties the model.
    EXPECT_EQ(ReadBytes(model, {1, 2, 3, 4, 5, 6, 7}), READ_NO_MAIN_CHUNK);
    EXPECT_TRUE(model.m_aVertices.empty());
    EXPECT_TRUE(model.m_aMaterials.empty());
}

} // namespace
