#include "ModelInvariants.h"
#include "ReadFileTestUtil.h"

#include "model/ReadStatus.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Lead-in, then whatever the case appends, with nothing closed: the file ends where the
// bytes end, so the last chunk's data can be cut short.
int ReadOpen(C3DS& model, C3dsWriter& w)
{
    return ReadBytes(model, w.Bytes());
}

TEST(ReadFileMalformed, DataPastTheEndIsTruncatedBeforeAnythingIsAppended)
{
    C3DS model;
    {
        C3dsWriter w;  // vertex count says 3, two records present
        w.LeadIn().BeginObject("o").Header(0x4110, 44).U16(3);
        for (int i = 0; i < 6; ++i)
            w.F32(1);
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
        EXPECT_TRUE(model.m_aVertices.empty());
    }
    {
        C3dsWriter w;
        w.LeadIn().BeginObject("o").Header(0x4120, 16).U16(2).U16(0).U16(1).U16(2).U16(0);
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
        EXPECT_TRUE(model.m_aFaces.empty());
    }
    {
        C3dsWriter w;  // face material count runs past the end
        w.LeadIn().BeginObject("o").BeginFaces({}).Header(0x4130, 20).Str("mat").U16(4).U16(0);
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
        EXPECT_TRUE(model.m_aFaceMaterials.empty());
    }
    {
        C3dsWriter w;  // material name without its zero byte: nothing appended, not even the previous
        w.LeadIn().Material("prev", {1, 1, 1}, {1, 1, 1}, {1, 1, 1}).Begin(0xAFFF).Header(0xA000, 10).Raw({'a', 'b'});
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
        EXPECT_TRUE(model.m_aMaterials.empty());
    }
    {
        C3dsWriter w;  // object name without its zero byte
        w.LeadIn().Header(0x4000, 10).Raw({'a', 'b'});
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
        EXPECT_TRUE(model.m_aMaterials.empty());
    }
    {
        C3dsWriter w;
        w.LeadIn().BeginObject("o").Header(0x4160, 54).F32(1).F32(2);
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
    }
    {
        C3dsWriter w;  // a colour that targets a property must have its three bytes
        w.LeadIn().Begin(0xAFFF).Begin(0xA010).Header(0x0011, 9).Raw({1, 2});
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
    }
    {
        C3dsWriter w;  // partial chunk header
        w.LeadIn().Raw({0x34, 0x12, 0x09});
        EXPECT_EQ(ReadOpen(model, w), READ_TRUNCATED);
    }
}

TEST(ReadFileMalformed, ContextIsCheckedBeforeTheData)
{
    C3DS model;
    C3dsWriter w;  // a truncated vertex list in the wrong place reports the context
    w.LeadIn().Header(0x4110, 100).U16(50);
    EXPECT_EQ(ReadOpen(model, w), READ_VERTEX_LIST_CONTEXT);
    C3dsWriter h;  // even when only the id of the header is there
    h.LeadIn().Raw({0x10, 0x41, 0x00});
    EXPECT_EQ(ReadOpen(model, h), READ_VERTEX_LIST_CONTEXT);
}

TEST(ReadFileMalformed, ColourWithoutATargetReadsNothingAndIsSkipped)
{
    C3DS model;
    C3dsWriter w;  // the reader reads no colour bytes, so only the length matters
    w.LeadIn().Header(0x0011, 9);
    EXPECT_EQ(ReadOpen(model, w), READ_OK);
}

TEST(ReadFileMalformed, ShortLengthOfASkippedChunkFailsAndKeepsWhatItAppended)
{
    C3DS model;
    for (std::uint32_t nLength : {0u, 1u, 5u}) {
        C3dsWriter w;
        w.LeadIn().BeginObject("o").Header(0x4110, nLength).U16(1).F32(1).F32(2).F32(3).U32(0);
        EXPECT_EQ(ReadOpen(model, w), READ_BAD_CHUNK_LENGTH) << nLength;
        EXPECT_EQ(model.m_aVertices.size(), 1u);
        EXPECT_FLOAT_EQ(model.m_aVertices[0].x, 1.0f);
        C3dsWriter u;
        u.LeadIn().Header(0x7777, nLength).U32(0);
        EXPECT_EQ(ReadOpen(model, u), READ_BAD_CHUNK_LENGTH) << nLength;
    }
}

TEST(ReadFileMalformed, EnteredChunksNeverUseTheirLength)
{
    C3DS model;
    C3dsWriter w;
    w.LeadIn().Header(0xAFFF, 0).Header(0xA010, 2).Begin(0x0011).Raw({255, 255, 255}).End();
    w.Header(0x4000, 0).Str("o").Header(0x4100, 1).Vertices({1, 2, 3}).Header(0x4120, 3).U16(0);
    EXPECT_EQ(ReadOpen(model, w), READ_OK);
    EXPECT_EQ(model.m_aVertices.size(), 1u);
}

TEST(ReadFileMalformed, SkippedChunkReachingPastTheEndEndsTheWalk)
{
    C3DS model;
    C3dsWriter w;
    w.LeadIn().BeginObject("o").Vertices({1, 1, 1}).Header(0x4140, 0xFFFFFFFFu).U32(0);
    EXPECT_EQ(ReadOpen(model, w), READ_OK);
    EXPECT_EQ(model.m_aVertices.size(), 1u);
}

TEST(ReadFileMalformed, RecordsMayRunPastTheirOwnChunkInsideTheFile)
{
    C3DS model;
    C3dsWriter w;  // the vertex list's length covers one record, its count two
    w.LeadIn().BeginObject("o").Header(0x4110, 20).U16(2);
    for (int i = 0; i < 6; ++i)
        w.F32(static_cast<float>(i));
    EXPECT_EQ(ReadOpen(model, w), READ_OK);
    ASSERT_EQ(model.m_aVertices.size(), 2u);
    EXPECT_FLOAT_EQ(model.m_aVertices[1].z, 5.0f);
}

std::vector<std::uint8_t> RichFile()
{
    C3dsWriter w;
    w.LeadIn().Material("red", {255, 0, 0}, {200, 0, 0}, {255, 255, 255}, 30, 10);
    w.BeginMaterial("glass", {0, 0, 255}, {0, 0, 200}, {255, 255, 255}, 80, 50);
    w.TextureMap("glass.png", 60, 2.0f, 2.0f, 0.5f, 0.5f).TwoSided().End();
    w.Begin(0x4000).Str("lamp").Begin(0x4600).F32(1).F32(2).F32(3).End().End();
    w.BeginObject("box").Vertices({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 1}).Mapping({0, 0, 1, 0, 1, 1, 0, 1}).MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("red", {0}).FaceMaterial("glass", {1});
    w.Begin(0x4150).U32(1).U32(1).End().End().End().End();
    w.BeginObject("tri").Vertices({5, 5, 5, 6, 5, 5, 5, 6, 5}).BeginFaces({0, 1, 2, 0}).FaceMaterial("red", {0});
    w.Finish();
    w.Begin(0xB000).U32(0).End();
    return w.Bytes();
}

TEST(ReadFileMalformed, EveryPrefixOfAValidFileEndsWithADocumentedStatus)
{
    const auto bytes = RichFile();
    C3DS full;
    ASSERT_EQ(full.ReadBuffer(bytes.data(), bytes.size()), READ_OK);
    ASSERT_EQ(full.m_aVertices.size(), 7u);
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        // A heap copy of exactly n bytes, so AddressSanitizer sees any read past the end.
        std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(n));
        C3DS model;
        const int nStatus = model.ReadBuffer(prefix.data(), prefix.size());
        EXPECT_TRUE(IsDocumentedStatus(nStatus)) << n << ": " << nStatus;
        EXPECT_TRUE(ObjectsAreOrdered(model)) << n;
        EXPECT_LE(model.m_aVertices.size(), full.m_aVertices.size());
        // The side data of a cut file is a consistent part of the whole file's.
        const CShadingData& s = model.m_cShading;
        EXPECT_EQ(s.m_aMaterials.size(), model.m_aMaterials.size()) << n;
        EXPECT_TRUE(s.m_aSmoothing.empty() || s.m_aSmoothing.size() == model.m_aFaces.size()) << n;
        EXPECT_LE(s.m_aTexCoords.size(), full.m_cShading.m_aTexCoords.size()) << n;
        for (const S3DSMaterialShading& m : s.m_aMaterials)
            EXPECT_TRUE(!m.bTextured || m.cTexture.strFile == "glass.png") << n;
    }
    ASSERT_TRUE(full.m_cShading.m_aMaterials.size() == 2 && full.m_cShading.m_aMaterials[1].bTextured);
    EXPECT_EQ(full.m_cShading.m_aTexCoords.size(), 4u);
    EXPECT_EQ(full.m_cShading.m_aSmoothing.size(), 3u);
}

TEST(ReadFileMalformed, RandomCorruptionNeverEscapesTheBuffer)
{
    const auto bytes = RichFile();
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        auto copy = bytes;
        const int nFlips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < nFlips; ++i)
            copy[rng() % copy.size()] = static_cast<std::uint8_t>(rng());
        copy.resize(copy.size() - rng() % 16);
        C3DS model;
        const int nStatus = model.ReadBuffer(copy.data(), copy.size());
        ASSERT_TRUE(IsDocumentedStatus(nStatus)) << round;
        ASSERT_TRUE(ObjectsAreOrdered(model)) << round;
    }
}

} // namespace

namespace {

TEST(ReadFileMalformed, OverlappingRecordListsCannotBlowUpTheModel)
{
    // Thousands of 6-byte vertex-list chunks, each whose count reaches over all the
    // ones behind it: without a bound the records grow with the square of the file.
    C3dsWriter w;
    w.LeadIn().BeginObject("o");
    for (int i = 0; i < 20000; ++i)
        w.Raw({0x10, 0x41, 0x06, 0x00, 0x00, 0x00});
    const auto& bytes = w.Bytes();
    C3DS model;
    EXPECT_EQ(model.ReadBuffer(bytes.data(), bytes.size()), READ_TRUNCATED);
    EXPECT_LE(model.m_aVertices.size() * 12, bytes.size());
}

} // namespace
