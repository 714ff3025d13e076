#include "ReadFileTestUtil.h"

#include "model/ReadStatus.h"

#include <gtest/gtest.h>

namespace {

void ExpectColor(const float* c, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(c[0], r);
    EXPECT_FLOAT_EQ(c[1], g);
    EXPECT_FLOAT_EQ(c[2], b);
}

TEST(ReadFileMaterial, MaterialsBeforeTheFirstObjectArriveInFileOrder)
{
    C3dsWriter w;
    w.LeadIn();
    w.Material("first", {255, 128, 0}, {0, 0, 255}, {10, 20, 30}, 40, 50);
    // The second material has no specular chunk: it keeps the first one's value.
    w.Begin(0xAFFF).Begin(0xA000).Str("second").End().ColorProperty(0xA010, 1, 2, 3).End();
    w.BeginObject("o").Vertices({0, 0, 0});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 2u);
    const S3DSMaterial& a = model.m_aMaterials[0];
    EXPECT_EQ(a.strName, "first");
    ExpectColor(a.fAmbient, 1.0f, 0.501960814f, 0.0f);
    EXPECT_EQ(a.fAmbient[1], static_cast<float>(128 * (1.0 / 255.0)));
    ExpectColor(a.fDiffuse, 0, 0, 1);
    EXPECT_EQ(a.nShininess, 40);
    EXPECT_EQ(a.nTransparency, 50);
    const S3DSMaterial& b = model.m_aMaterials[1];
    EXPECT_EQ(b.strName, "second");
    ExpectColor(b.fAmbient, 1 / 255.0f, 2 / 255.0f, 3 / 255.0f);
    ExpectColor(b.fSpecular, 10 / 255.0f, 20 / 255.0f, 30 / 255.0f);
    EXPECT_EQ(b.nShininess, 40);
}

TEST(ReadFileMaterial, ObjectsWithoutMaterialsGetOneEmptyNamedMaterial)
{
    C3dsWriter w;
    w.LeadIn().BeginObject("a").End().End().BeginObject("b");
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 1u);
    EXPECT_TRUE(model.m_aMaterials[0].strName.empty());
}

TEST(ReadFileMaterial, LastMaterialIsLostWithoutAFollowingObjectOrName)
{
    C3dsWriter w;
    w.LeadIn().Material("only", {1, 1, 1}, {2, 2, 2}, {3, 3, 3});
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    EXPECT_TRUE(model.m_aMaterials.empty());
}

TEST(ReadFileMaterial, MaterialsAfterTheFirstObjectAreAppendedOnTheNextName)
{
    C3dsWriter w;
    w.LeadIn().Material("a", {1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    w.BeginObject("o1").End().End();
    w.Material("b", {2, 2, 2}, {2, 2, 2}, {2, 2, 2});
    w.Material("c", {3, 3, 3}, {3, 3, 3}, {3, 3, 3});
    w.BeginObject("o2");
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    // "a" went in at the first object and again when "b" was named; "c" is never appended.
    ASSERT_EQ(model.m_aMaterials.size(), 3u);
    EXPECT_EQ(model.m_aMaterials[0].strName, "a");
    EXPECT_EQ(model.m_aMaterials[1].strName, "a");
    EXPECT_EQ(model.m_aMaterials[2].strName, "b");
}

TEST(ReadFileMaterial, PropertiesBeforeTheNameGoToThePreviousMaterial)
{
    C3dsWriter w;
    w.LeadIn().Material("a", {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
    w.Begin(0xAFFF).ColorProperty(0xA020, 255, 255, 255).Begin(0xA000).Str("b").End().End();
    w.BeginObject("o");
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 2u);
    ExpectColor(model.m_aMaterials[0].fDiffuse, 1, 1, 1);
    ExpectColor(model.m_aMaterials[1].fDiffuse, 1, 1, 1);
}

TEST(ReadFileMaterial, ColourAndPercentFollowTheLastPropertyChunk)
{
    C3dsWriter w;
    w.LeadIn().Begin(0xAFFF).Begin(0xA000).Str("m").End();
    // Another colour encoding beside the 24-bit one has no effect, whichever comes first.
    w.Begin(0xA010).Begin(0x0012).F32(0.5f).F32(0.5f).F32(0.5f).End().Begin(0x0011).Raw({51, 102, 153}).End().End();
    w.Begin(0xA020).Begin(0x0011).Raw({255, 0, 0}).End().Begin(0x0012).F32(0).F32(1).F32(0).End().End();
    // A percentage under a colour property sets nothing; a colour under a percentage neither.
    w.Begin(0xA030).Begin(0x0030).U16(77).End().End();
    w.Begin(0xA041).Begin(0x0030).U16(11).End().Begin(0x0011).Raw({9, 9, 9}).End().End();
    w.PercentProperty(0xA052, 22).PercentProperty(0xA053, 33);
    // A texture map is skipped whole, percentage and all.
    w.Begin(0xA200).Begin(0x0030).U16(99).End().End();
    w.End().BeginObject("o");
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 1u);
    const S3DSMaterial& m = model.m_aMaterials[0];
    ExpectColor(m.fAmbient, 0.2f, 0.4f, 0.6f);
    ExpectColor(m.fDiffuse, 1, 0, 0);
    ExpectColor(m.fSpecular, 0, 0, 0);
    EXPECT_EQ(m.nShinStrength, 11);
    EXPECT_EQ(m.nTransFalloff, 22);
    EXPECT_EQ(m.nReflectBlur, 33);
    EXPECT_EQ(m.nShininess, 0);
    EXPECT_EQ(model.m_wProperty, 0xA053);
}

TEST(ReadFileMaterial, PropertyTargetCarriesOverToTheNextRead)
{
    C3dsWriter first;
    first.LeadIn().Begin(0xAFFF).Begin(0xA000).Str("m").End().ColorProperty(0xA030, 1, 1, 1);
    C3DS model;
    ASSERT_EQ(ReadWriter(model, first), READ_OK);
    ASSERT_EQ(model.m_wProperty, 0xA030);

    // A bare colour chunk in the next file still targets the specular colour.
    C3dsWriter second;
    second.LeadIn().Begin(0x0011).Raw({255, 255, 0}).End().BeginObject("o");
    ASSERT_EQ(ReadWriter(model, second), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 1u);
    ExpectColor(model.m_aMaterials[0].fSpecular, 1, 1, 0);
    ExpectColor(model.m_aMaterials[0].fAmbient, 0, 0, 0);
}

TEST(ReadFileMaterial, FreshModelTargetsNoProperty)
{
    C3dsWriter w;
    w.LeadIn().Begin(0x0011).Raw({255, 255, 255}).End().Begin(0x0030).U16(5).End().BeginObject("o");
    C3DS model;
    ASSERT_EQ(ReadWriter(model, w), READ_OK);
    ASSERT_EQ(model.m_aMaterials.size(), 1u);
    const S3DSMaterial& m = model.m_aMaterials[0];
    ExpectColor(m.fAmbient, 0, 0, 0);
    ExpectColor(m.fDiffuse, 0, 0, 0);
    ExpectColor(m.fSpecular, 0, 0, 0);
    EXPECT_EQ(m.nShininess + m.nShinStrength + m.nTransparency + m.nTransFalloff + m.nReflectBlur, 0);
}

} // namespace
