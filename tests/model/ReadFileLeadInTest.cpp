#include "ReadFileTestUtil.h"

#include "model/ReadStatus.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> b, std::size_t pos, std::uint16_t v)
{
    b.at(pos) = static_cast<std::uint8_t>(v);
    b.at(pos + 1) = static_cast<std::uint8_t>(v >> 8);
    return b;
}

TEST(ReadFileLeadIn, MinimalFileReadsAsEmptyModel)
{
    const auto bytes = MinimalFile();
    ASSERT_EQ(bytes.size(), 32u);
    C3DS model;
    EXPECT_EQ(ReadBytes(model, bytes), READ_OK);
    EXPECT_TRUE(model.m_aVertices.empty());
    EXPECT_TRUE(model.m_aFaces.empty());
    EXPECT_TRUE(model.m_aMaterials.empty());
    EXPECT_EQ(model.m_wContext, 0x3D3D);
}

TEST(ReadFileLeadIn, EachHeaderHasItsOwnCode)
{
    C3DS model;
    const auto good = MinimalFile();
    EXPECT_EQ(ReadBytes(model, Patched(good, 0, 0x4D4C)), READ_NO_MAIN_CHUNK);
    EXPECT_EQ(ReadBytes(model, Patched(good, 6, 0x0003)), READ_NO_VERSION_CHUNK);
    // Version length 12 moves the editor chunk to 18, where the bytes are not 0x3D3D.
    EXPECT_EQ(ReadBytes(model, Patched(good, 8, 12)), READ_NO_EDITOR_CHUNK);
    EXPECT_EQ(ReadBytes(model, Patched(good, 16, 0x3D3C)), READ_NO_EDITOR_CHUNK);
}

TEST(ReadFileLeadIn, VersionLengthPlacesTheEditorChunk)
{
    // Version chunk of length 14: four payload bytes more, editor chunk at 20.
    C3dsWriter w;
    w.Begin(0x4D4D).Begin(0x0002).U32(3).U32(0).End().Begin(0x3D3D).Begin(0x3D3E).U32(3).End().Finish();
    ASSERT_EQ(w.Bytes()[20], 0x3D);
    C3DS model;
    EXPECT_EQ(ReadBytes(model, w.Bytes()), READ_OK);
}

TEST(ReadFileLeadIn, HeadersCutShortFailWithTheirOwnCode)
{
    const auto good = MinimalFile();
    C3DS model;
    for (std::size_t n = 0; n < 6; ++n)
        EXPECT_EQ(ReadBytes(model, {good.begin(), good.begin() + static_cast<long>(n)}), READ_NO_MAIN_CHUNK) << n;
    for (std::size_t n = 6; n < 12; ++n)
        EXPECT_EQ(ReadBytes(model, {good.begin(), good.begin() + static_cast<long>(n)}), READ_NO_VERSION_CHUNK) << n;
    for (std::size_t n = 12; n < 22; ++n)
        EXPECT_EQ(ReadBytes(model, {good.begin(), good.begin() + static_cast<long>(n)}), READ_NO_EDITOR_CHUNK) << n;
    // A version length that points past the end of the file.
    EXPECT_EQ(ReadBytes(model, Patched(Patched(good, 8, 0xFFFF), 10, 0xFFFF)), READ_NO_EDITOR_CHUNK);
}

TEST(ReadFileLeadIn, MissingMeshVersionChunkStartsTheWalkBehindTheEditorHeader)
{
    // Exporters that leave the mesh-version chunk out put the content right there.
    C3dsWriter w;
    w.Begin(0x4D4D).Begin(0x0002).U32(3).End().Begin(0x3D3D);
    w.BeginObject("box").Vertices({1, 2, 3, 4, 5, 6, 7, 8, 9}).BeginFaces({0, 1, 2, 0});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    EXPECT_EQ(model.m_aVertices.size(), 3u);
    EXPECT_EQ(model.m_aFaces.size(), 1u);

    // Ending exactly behind the editor header is an empty model; a partial header there is truncated.
    C3dsWriter bare;
    bare.Begin(0x4D4D).Begin(0x0002).U32(3).End().Begin(0x3D3D).Finish();
    EXPECT_EQ(ReadBytes(model, bare.Bytes()), READ_OK);
    EXPECT_TRUE(model.m_aVertices.empty());
    auto partial = bare.Bytes();
    partial.insert(partial.end(), {0x3E, 0x3D, 0x0A});
    EXPECT_EQ(ReadBytes(model, partial), READ_TRUNCATED);
}

TEST(ReadFileLeadIn, UnopenablePathReportsAndLeavesModelUntouched)
{
    C3dsWriter w;
    w.LeadIn().BeginObject("a").Vertices({1, 1, 1});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);

    CMessageRecorder recorder;
    EXPECT_EQ(model.ReadFile("/nonexistent/dir/model.3ds"), READ_CANNOT_OPEN);
    ASSERT_EQ(recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(recorder.m_aMessages[0].strText, "Can not open file \"/nonexistent/dir/model.3ds\"");
    EXPECT_EQ(recorder.m_aMessages[0].strCaption, "Error");
    EXPECT_EQ(recorder.m_aMessages[0].pOwner, nullptr);
    EXPECT_EQ(model.m_aVertices.size(), 1u);
}

TEST(ReadFileLeadIn, DirectoryCannotBeOpened)
{
    CTempFile file(MinimalFile());
    CMessageRecorder recorder;
    C3DS model;
    EXPECT_EQ(model.ReadFile(file.Dir()), READ_CANNOT_OPEN);
    EXPECT_EQ(recorder.m_aMessages.size(), 1u);
}

} // namespace
