// The side data full shading reads beside the model: what it keeps, what it drops, and that
// neither changes anything the classic reader reports.
#include "ModelInvariants.h"
#include "ReadFileTestUtil.h"
#include "model/ReadStatus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>

namespace {

// Three materials, the first textured and two-sided; one mapped and smoothed mesh and one
// plain; a master scale.
C3dsWriter ShadedFile()
{
    C3dsWriter w;
    w.LeadIn().MasterScale(2.5f).BeginMaterial("wood", {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, 25, 15);
    w.TextureMap("WOOD.TGA", 40, 2.0f, 3.0f, 0.25f, 0.5f, 0x0010, 30.0f).TwoSided().End();
    w.Material("plain", {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    // The float percentage, which the scramble must reach as well.
    w.BeginMaterial("glass", {1, 2, 3}, {4, 5, 6}, {7, 8, 9}).TextureMap("GLASS.PNG", 0, 1, 1, 0, 0, 0, 0, 62.5f).End();
    w.BeginObject("box").Vertices({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("wood", {0, 1}).Smoothing({1, 6}).End().End().End();
    w.BeginObject("tri").Vertices({5, 5, 5, 6, 5, 5, 5, 6, 5}).BeginFaces({0, 1, 2, 0});
    return w;
}

// The classic reader's whole result, compared field by field.
void ExpectSameClassicModel(const C3DS& a, const C3DS& b, const std::string& strWhat)
{
    SCOPED_TRACE(strWhat);
    EXPECT_EQ(a.m_wContext, b.m_wContext);
    EXPECT_EQ(a.m_wProperty, b.m_wProperty);
    EXPECT_EQ(std::memcmp(a.m_fMeshMatrix, b.m_fMeshMatrix, sizeof a.m_fMeshMatrix), 0);
    ASSERT_EQ(a.m_aVertices.size(), b.m_aVertices.size());
    ASSERT_EQ(a.m_aFaces.size(), b.m_aFaces.size());
    ASSERT_EQ(a.m_aFaceMaterials.size(), b.m_aFaceMaterials.size());
    ASSERT_EQ(a.m_aMaterials.size(), b.m_aMaterials.size());
    for (std::size_t i = 0; i < a.m_aVertices.size(); ++i) {
        const S3DSVertex &u = a.m_aVertices[i], &v = b.m_aVertices[i];
        ASSERT_TRUE(u.nObject == v.nObject && std::memcmp(&u.x, &v.x, 12) == 0) << "vertex " << i;
    }
    for (std::size_t i = 0; i < a.m_aFaces.size(); ++i) {
        const S3DSFace &f = a.m_aFaces[i], &g = b.m_aFaces[i];
        ASSERT_TRUE(f.nObject == g.nObject && f.a == g.a && f.b == g.b && f.c == g.c && f.wFlags == g.wFlags)
            << "face " << i;
    }
    for (std::size_t i = 0; i < a.m_aFaceMaterials.size(); ++i) {
        const S3DSFaceMaterial &e = a.m_aFaceMaterials[i], &f = b.m_aFaceMaterials[i];
        ASSERT_TRUE(e.wObject == f.wObject && e.wFace == f.wFace && e.strMaterial == f.strMaterial) << "entry " << i;
    }
    for (std::size_t i = 0; i < a.m_aMaterials.size(); ++i) {
        const S3DSMaterial &m = a.m_aMaterials[i], &n = b.m_aMaterials[i];
        EXPECT_EQ(m.strName, n.strName);
        EXPECT_EQ(std::memcmp(m.fAmbient, n.fAmbient, sizeof m.fAmbient), 0);
        EXPECT_EQ(std::memcmp(m.fDiffuse, n.fDiffuse, sizeof m.fDiffuse), 0);
        EXPECT_EQ(std::memcmp(m.fSpecular, n.fSpecular, sizeof m.fSpecular), 0);
        EXPECT_EQ(std::tie(m.nShininess, m.nShinStrength, m.nTransparency, m.nTransFalloff, m.nReflectBlur),
                  std::tie(n.nShininess, n.nShinStrength, n.nTransparency, n.nTransFalloff, n.nReflectBlur));
    }
}

// Overwrites the payload of every mapping, smoothing, texture-map and master-scale chunk with
// bytes that mean nothing, and every object's name with another of its length, following
// the chunk tree by lengths. What the classic reader returns must not depend on them.
void ScrambleSideChunks(std::vector<std::uint8_t>& b, std::size_t pos, std::size_t end)
{
    auto u16 = [&](std::size_t k) { return static_cast<std::uint16_t>(b[k] | (b[k + 1] << 8)); };
    while (end - pos >= 6) {
        const std::uint16_t wId = u16(pos);
        const std::size_t nLength = u16(pos + 2) | (std::size_t{u16(pos + 4)} << 16);
        if (nLength < 6 || nLength > end - pos)
            return;
        std::size_t posChildren = 0;
        if (wId == 0x4D4D || wId == 0x3D3D || wId == 0xAFFF || wId == 0x4100) {
            posChildren = pos + 6;
        } else if (wId == 0x4000) {
            const void* pZero = std::memchr(&b[pos + 6], 0, nLength - 6);
            if (pZero) {
                posChildren = static_cast<std::size_t>(static_cast<const std::uint8_t*>(pZero) - b.data()) + 1;
                // Another name of the same length: the walk must enter the object where it did.
                for (std::size_t k = pos + 6; k + 1 < posChildren; ++k)
                    b[k] = static_cast<std::uint8_t>('A' + k % 26);
            }
        } else if (wId == 0x4120 && nLength >= 8) {
            posChildren = pos + 8 + 8 * std::size_t{u16(pos + 6)};
        } else if (wId == 0x4140 || wId == 0x4150 || wId == 0xA200 || wId == 0x0100) {
            for (std::size_t k = pos + 6; k < pos + nLength; ++k)
                b[k] = static_cast<std::uint8_t>(0xA5 ^ k);
        }
        if (posChildren != 0 && posChildren <= pos + nLength)
            ScrambleSideChunks(b, posChildren, pos + nLength);
        pos += nLength;
    }
}

std::vector<std::uint8_t> ReadAll(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectSameSideData(const CShadingData& a, const CShadingData& b, const std::string& strWhat)
{
    SCOPED_TRACE(strWhat);
    ASSERT_EQ(a.m_aTexCoords.size(), b.m_aTexCoords.size());
    EXPECT_EQ(std::memcmp(a.m_aTexCoords.data(), b.m_aTexCoords.data(), a.m_aTexCoords.size() * sizeof(S3DSTexCoord)), 0);
    ASSERT_EQ(a.m_aObjectMappings.size(), b.m_aObjectMappings.size());
    for (std::size_t i = 0; i < a.m_aObjectMappings.size(); ++i) {
        const S3DSObjectMapping &m = a.m_aObjectMappings[i], &n = b.m_aObjectMappings[i];
        EXPECT_EQ(std::tie(m.nObject, m.nFirst, m.nCount), std::tie(n.nObject, n.nFirst, n.nCount)) << i;
    }
    EXPECT_EQ(a.m_aSmoothing, b.m_aSmoothing);
    ASSERT_EQ(a.m_aMaterials.size(), b.m_aMaterials.size());
    for (std::size_t i = 0; i < a.m_aMaterials.size(); ++i) {
        const S3DSMaterialShading &m = a.m_aMaterials[i], &n = b.m_aMaterials[i];
        EXPECT_EQ(std::tie(m.bTwoSided, m.bTextured, m.cTexture.wTiling), std::tie(n.bTwoSided, n.bTextured, n.cTexture.wTiling))
            << i;
        // Bit for bit: a file may store a NaN, which equals nothing, not even itself.
        const float aM[] = {m.cTexture.fPercent, m.cTexture.fRotation, m.cTexture.fUScale, m.cTexture.fVScale,
                            m.cTexture.fUOffset, m.cTexture.fVOffset};
        const float aN[] = {n.cTexture.fPercent, n.cTexture.fRotation, n.cTexture.fUScale, n.cTexture.fVScale,
                            n.cTexture.fUOffset, n.cTexture.fVOffset};
        EXPECT_EQ(std::memcmp(aM, aN, sizeof aM), 0) << i;
        EXPECT_EQ(m.cTexture.strFile, n.cTexture.strFile) << i;
    }
    EXPECT_EQ(a.m_aObjectNameEnds, b.m_aObjectNameEnds);
    EXPECT_EQ(a.m_strObjectNames, b.m_strObjectNames);
    EXPECT_EQ(std::memcmp(&a.m_fMasterScale, &b.m_fMasterScale, sizeof(float)), 0);
}

void ExpectSideDataConsistent(const C3DS& m, const std::string& strWhat)
{
    const CShadingData& s = m.m_cShading;
    EXPECT_EQ(s.m_aMaterials.size(), m.m_aMaterials.size()) << strWhat;
    EXPECT_TRUE(s.m_aSmoothing.empty() || s.m_aSmoothing.size() == m.m_aFaces.size()) << strWhat;
    std::size_t nNext = 0;
    for (const S3DSObjectMapping& o : s.m_aObjectMappings) {
        EXPECT_EQ(o.nFirst, nNext) << strWhat;
        nNext = std::size_t{o.nFirst} + o.nCount;
    }
    EXPECT_EQ(nNext, s.m_aTexCoords.size()) << strWhat;
    EXPECT_TRUE(s.m_aObjectNameEnds.empty() ? s.m_strObjectNames.empty()
                                            : s.m_aObjectNameEnds.back() == s.m_strObjectNames.size())
        << strWhat;
    EXPECT_TRUE(std::is_sorted(s.m_aObjectNameEnds.begin(), s.m_aObjectNameEnds.end())) << strWhat;
    EXPECT_TRUE(s.m_fMasterScale == 0.0f || (std::isfinite(s.m_fMasterScale) && s.m_fMasterScale > 0.0f)) << strWhat;
}

TEST(ReadFileShading, KeepsMappingSmoothingAndTextureBesideTheClassicModel)
{
    C3dsWriter w = ShadedFile();
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    // The map's own percentage (40) comes after the transparency property, yet the walk
    // never enters the map, so the transparency stays 15.
    ASSERT_EQ(model.m_aMaterials.size(), 3u);
    EXPECT_EQ(model.m_aMaterials[0].nTransparency, 15);
    EXPECT_EQ(model.m_aMaterials[0].nShininess, 25);

    const CShadingData& s = model.m_cShading;
    ASSERT_EQ(s.m_aMaterials.size(), 3u);
    const S3DSMaterialShading& wood = s.m_aMaterials[0];
    EXPECT_TRUE(wood.bTwoSided);
    ASSERT_TRUE(wood.bTextured);
    EXPECT_EQ(wood.cTexture.strFile, "WOOD.TGA");
    EXPECT_EQ(wood.cTexture.fPercent, 40.0f);
    EXPECT_EQ(wood.cTexture.fRotation, 30.0f);
    ASSERT_TRUE(s.m_aMaterials[2].bTextured);
    EXPECT_EQ(s.m_aMaterials[2].cTexture.fPercent, 62.5f);
    EXPECT_EQ(s.m_aMaterials[2].cTexture.fRotation, 0.0f);
    EXPECT_EQ(wood.cTexture.wTiling, 0x0010);
    EXPECT_EQ(wood.cTexture.fUScale, 2.0f);
    EXPECT_EQ(wood.cTexture.fVScale, 3.0f);
    EXPECT_EQ(wood.cTexture.fUOffset, 0.25f);
    EXPECT_EQ(wood.cTexture.fVOffset, 0.5f);
    // Nothing of the first material's map or sidedness passes on to the second.
    EXPECT_FALSE(s.m_aMaterials[1].bTextured);
    EXPECT_FALSE(s.m_aMaterials[1].bTwoSided);

    ASSERT_EQ(s.m_aObjectMappings.size(), 1u);
    EXPECT_EQ(s.m_aObjectMappings[0].nObject, 1);
    EXPECT_EQ(s.m_aObjectMappings[0].nCount, 4u);
    ASSERT_EQ(s.m_aTexCoords.size(), 4u);
    EXPECT_EQ(s.m_aTexCoords[2].u, 1.0f);
    EXPECT_EQ(s.m_aTexCoords[3].v, 1.0f);
    // The second object has no masks: its face stays faceted.
    EXPECT_EQ(s.m_aSmoothing, (std::vector<std::uint32_t>{1, 6, 0}));
}

TEST(ReadFileShading, KeepsEveryObjectsNameInFileOrder)
{
    C3dsWriter w;
    w.LeadIn().BeginObject("box").Vertices({0, 0, 0}).End().End();
    w.Begin(0x4000).Str("").End();  // no name, and no mesh either: still an object
    w.BeginObject("Gr\xFCn").End().End();
    w.BeginObject("box").End().End();
    w.Begin(0x4000).Str("lamp").Begin(0x4600).F32(1).F32(2).F32(3).End().End();
    w.BeginObject("cut");
    w.Finish();
    // The last object's mesh is cut short.
    const std::vector<std::uint8_t> bytes(w.Bytes().begin(), w.Bytes().end() - 2);
    C3DS model;
    ASSERT_EQ(model.ReadBuffer(bytes.data(), bytes.size()), READ_TRUNCATED);
    const CShadingData& s = model.m_cShading;
    EXPECT_EQ(s.m_aObjectNameEnds.size(), 6u);
    const std::vector<std::string_view> expected = {"", "box", "", "Gr\xFCn", "box", "lamp", "cut", ""};
    for (std::int64_t n = 0; n < 8; ++n)
        EXPECT_EQ(s.ObjectName(n), expected[static_cast<std::size_t>(n)]) << n;
    EXPECT_EQ(s.ObjectName(-1), "");
    EXPECT_EQ(model.m_aVertices.at(0).nObject, 1);
    EXPECT_GT(s.Bytes(), 0u);
}

TEST(ReadFileShading, KeepsAMasterScaleOnlyWhereItIsOne)
{
    // The last chunk decides; anything but a finite positive float, or a chunk too short for
    // one, leaves none, and never a status.
    auto scaleOf = [](const std::vector<std::vector<std::uint8_t>>& aPayloads) {
        C3dsWriter w;
        w.LeadIn();
        for (const std::vector<std::uint8_t>& a : aPayloads) {
            w.Begin(0x0100);
            for (const std::uint8_t b : a)
                w.U8(b);
            w.End();
        }
        w.BeginObject("o").Vertices({0, 0, 0});
        C3DS model;
        EXPECT_EQ(model.ReadBuffer(w.Finish().Bytes().data(), w.Size()), READ_OK);
        return model.m_cShading.m_fMasterScale;
    };
    auto f32 = [](float f) {
        std::vector<std::uint8_t> a(4);
        std::memcpy(a.data(), &f, 4);
        return a;
    };
    EXPECT_EQ(scaleOf({}), 0.0f);
    EXPECT_EQ(scaleOf({f32(0.0254f)}), 0.0254f);
    EXPECT_EQ(scaleOf({f32(2.0f), f32(1000.0f)}), 1000.0f);
    EXPECT_EQ(scaleOf({f32(2.0f), f32(0.0f)}), 0.0f);
    for (const float f : {-1.0f, -0.0f, NAN, INFINITY})
        EXPECT_EQ(scaleOf({f32(f)}), 0.0f) << f;
    EXPECT_EQ(scaleOf({{0x00, 0x00, 0x80}}), 0.0f);
    std::vector<std::uint8_t> aLong = f32(3.0f);
    aLong.push_back(7);
    EXPECT_EQ(scaleOf({aLong}), 3.0f);

    // A chunk whose length runs past the end of the file still holds its float.
    C3dsWriter w;
    w.LeadIn().Header(0x0100, 1000).F32(4.0f);
    C3DS model;
    EXPECT_EQ(model.ReadBuffer(w.Finish().Bytes().data(), w.Size()), READ_OK);
    EXPECT_EQ(model.m_cShading.m_fMasterScale, 4.0f);
}

TEST(ReadFileShading, MalformedSideChunksAreDroppedWithoutAStatus)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("m", {1, 1, 1}, {2, 2, 2}, {3, 3, 3});
    w.Begin(0xA200).Begin(0xA300).Raw({'a', 'b'}).End().End();  // name without its zero byte
    w.End().BeginMaterial("n", {1, 1, 1}, {2, 2, 2}, {3, 3, 3});
    w.Begin(0xA200).Begin(0xA300).Str("n.png").End().Header(0xA354, 40).End().End();  // child past the map
    w.End().BeginMaterial("p", {1, 1, 1}, {2, 2, 2}, {3, 3, 3});
    w.Begin(0xA200).Begin(0xA300).Str("p.png").End().Begin(0xA35C).U16(1).End().End();  // a rotation of 2 bytes
    w.End().BeginMaterial("q", {1, 1, 1}, {2, 2, 2}, {3, 3, 3});
    w.Begin(0xA200).Begin(0xA300).Str("q.png").End().Begin(0x0031).Raw({0}).End().End();  // a float of 1 byte
    w.End().BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0});
    w.Begin(0x4140).U16(3).F32(0).F32(0).End();  // three coordinates announced, one there
    w.BeginFaces({0, 1, 2, 0}).Begin(0x4150).U16(1).End().End();  // two bytes for a u32 mask
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    EXPECT_EQ(model.m_aVertices.size(), 3u);
    ASSERT_EQ(model.m_cShading.m_aMaterials.size(), 4u);
    for (const S3DSMaterialShading& m : model.m_cShading.m_aMaterials)
        EXPECT_FALSE(m.bTextured);
    EXPECT_TRUE(model.m_cShading.m_aObjectMappings.empty());
    EXPECT_TRUE(model.m_cShading.m_aSmoothing.empty());
}

TEST(ReadFileShading, ClassicResultDoesNotDependOnTheSideChunks)
{
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    C3dsWriter w = ShadedFile();
    files.emplace_back("fixture", w.Finish().Bytes());
    for (const std::string& path : Find3dsFiles(SystemModelFolders()))
        files.emplace_back(path, ReadAll(path));
    ASSERT_GE(files.size(), 11u);

    // Readers that do without the side data (the inspector, thumbnails) get the same arrays
    // and statuses, and hold none of it.
    auto expectSameWithoutSideData = [](const C3DS& withSide, const std::vector<std::uint8_t>& bytes, int nStatus,
                                        const std::string& strWhat) {
        C3DS bare;
        bare.m_bKeepShadingData = false;
        EXPECT_EQ(bare.ReadBuffer(bytes.data(), bytes.size()), nStatus) << strWhat;
        ExpectSameClassicModel(withSide, bare, strWhat + ", without side data");
        EXPECT_EQ(bare.m_cShading.Bytes(), 0u) << strWhat;
    };
    int nMapped = 0, nSmoothed = 0, nTextured = 0, nNamed = 0;
    for (auto& [strName, bytes] : files) {
        C3DS original;
        const int nStatus = original.ReadBuffer(bytes.data(), bytes.size());
        ExpectSideDataConsistent(original, strName);
        nMapped += !original.m_cShading.m_aObjectMappings.empty();
        nSmoothed += !original.m_cShading.m_aSmoothing.empty();
        for (const S3DSMaterialShading& m : original.m_cShading.m_aMaterials)
            nTextured += m.bTextured;
        expectSameWithoutSideData(original, bytes, nStatus, strName);

        ScrambleSideChunks(bytes, 0, bytes.size());
        C3DS scrambled;
        EXPECT_EQ(scrambled.ReadBuffer(bytes.data(), bytes.size()), nStatus) << strName;
        ExpectSameClassicModel(original, scrambled, strName);
        ExpectSideDataConsistent(scrambled, strName);
        // The same objects, each under a name of the old one's length.
        EXPECT_EQ(scrambled.m_cShading.m_aObjectNameEnds, original.m_cShading.m_aObjectNameEnds) << strName;
        if (!original.m_cShading.m_strObjectNames.empty()) {
            EXPECT_NE(scrambled.m_cShading.m_strObjectNames, original.m_cShading.m_strObjectNames) << strName;
        }
        expectSameWithoutSideData(original, bytes, nStatus, strName + ", scrambled");
        nNamed += !original.m_cShading.m_strObjectNames.empty();
    }
    // The real exports carry every kind, so the reader is proven on them.
    EXPECT_GT(nMapped, 1);
    EXPECT_GT(nSmoothed, 1);
    EXPECT_GT(nTextured, 1);
    EXPECT_GT(nNamed, 1);
}

// ReadFile gives back the file's pages behind its walk as it fills the model; on a file of
// several megabytes every byte must still arrive as read from memory, side data included,
// and with the side data switched off too. Records of one chunk cross page and megabyte
// boundaries at every offset the sizes make.
TEST(ReadFileShading, LargeFileReadsAsFromMemory)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("m", {1, 2, 3}, {4, 5, 6}, {7, 8, 9}).TextureMap("M.TGA", 50).End();
    for (int nObject = 0; nObject < 60; ++nObject) {
        const int nVertices = 2999 + nObject;
        std::vector<float> xyz, uv;
        for (int i = 0; i < nVertices; ++i) {
            const auto f = static_cast<float>(i);
            xyz.insert(xyz.end(), {f + 1.0f, static_cast<float>(nObject + 1), 0.5f * f});
            uv.insert(uv.end(), {0.25f * f, static_cast<float>(nObject - i)});
        }
        std::vector<std::uint16_t> abcFlags, faces;
        std::vector<std::uint32_t> masks;
        for (int f = 0; f + 2 < nVertices; ++f) {
            abcFlags.insert(abcFlags.end(), {static_cast<std::uint16_t>(f), static_cast<std::uint16_t>(f + 1),
                                             static_cast<std::uint16_t>(f + 2), static_cast<std::uint16_t>(f & 7)});
            faces.push_back(static_cast<std::uint16_t>(f));
            masks.push_back(1u << (f % 32));
        }
        w.BeginObject("o" + std::to_string(nObject)).Vertices(xyz).Mapping(uv);
        w.BeginFaces(abcFlags).FaceMaterial("m", faces).Smoothing(masks).End().End().End();
    }
    w.Finish();
    ASSERT_GT(w.Size(), std::size_t{5} << 20);

    C3DS memory;
    const int nStatus = memory.ReadBuffer(w.Bytes().data(), w.Size());
    ASSERT_EQ(nStatus, READ_OK);
    CTempFile file(w.Bytes());
    for (const bool bSideData : {true, false}) {
        C3DS disk;
        disk.m_bKeepShadingData = bSideData;
        EXPECT_EQ(disk.ReadFile(file.Path()), nStatus);
        ExpectSameClassicModel(memory, disk, bSideData ? "with side data" : "without side data");
        if (bSideData)
            ExpectSameSideData(memory.m_cShading, disk.m_cShading, "side data");
        else
            EXPECT_EQ(disk.m_cShading.Bytes(), 0u);
    }
    EXPECT_EQ(memory.m_cShading.m_aTexCoords.size(), memory.m_aVertices.size());
}

} // namespace
