#include "C3dsWriter.h"

#include <bit>
#include <stdexcept>

C3dsWriter& C3dsWriter::Begin(std::uint16_t wId)
{
    m_aOpen.push_back(m_aBytes.size());
    return Header(wId, 0);
}

C3dsWriter& C3dsWriter::End()
{
    if (m_aOpen.empty())
        throw std::logic_error("C3dsWriter::End without Begin");
    const std::size_t pos = m_aOpen.back();
    m_aOpen.pop_back();
    const auto n = static_cast<std::uint32_t>(m_aBytes.size() - pos);
    for (int i = 0; i < 4; ++i)
        m_aBytes[pos + 2 + i] = static_cast<std::uint8_t>(n >> (8 * i));
    return *this;
}

C3dsWriter& C3dsWriter::Header(std::uint16_t wId, std::uint32_t nLength)
{
    return U16(wId).U32(nLength);
}

C3dsWriter& C3dsWriter::U8(std::uint8_t v)
{
    m_aBytes.push_back(v);
    return *this;
}

C3dsWriter& C3dsWriter::U16(std::uint16_t v)
{
    return U8(static_cast<std::uint8_t>(v)).U8(static_cast<std::uint8_t>(v >> 8));
}

C3dsWriter& C3dsWriter::U32(std::uint32_t v)
{
    return U16(static_cast<std::uint16_t>(v)).U16(static_cast<std::uint16_t>(v >> 16));
}

C3dsWriter& C3dsWriter::F32(float v)
{
    return U32(std::bit_cast<std::uint32_t>(v));
}

C3dsWriter& C3dsWriter::Str(const std::string& s)
{
    m_aBytes.insert(m_aBytes.end(), s.begin(), s.end());
    return U8(0);
}

C3dsWriter& C3dsWriter::Raw(std::initializer_list<std::uint8_t> bytes)
{
    m_aBytes.insert(m_aBytes.end(), bytes.begin(), bytes.end());
    return *this;
}

C3dsWriter& C3dsWriter::LeadIn()
{
    Begin(0x4D4D);
    Begin(0x0002).U32(3).End();
    Begin(0x3D3D);
    return Begin(0x3D3E).U32(3).End();
}

C3dsWriter& C3dsWriter::Finish()
{
    while (!m_aOpen.empty())
        End();
    return *this;
}

C3dsWriter& C3dsWriter::ColorProperty(std::uint16_t wProperty, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return Begin(wProperty).Begin(0x0011).U8(r).U8(g).U8(b).End().End();
}

C3dsWriter& C3dsWriter::PercentProperty(std::uint16_t wProperty, std::uint16_t nPercent)
{
    return Begin(wProperty).Begin(0x0030).U16(nPercent).End().End();
}

C3dsWriter& C3dsWriter::Material(const std::string& strName, std::initializer_list<std::uint8_t> ambient,
                                 std::initializer_list<std::uint8_t> diffuse,
                                 std::initializer_list<std::uint8_t> specular, std::uint16_t nShininess,
                                 std::uint16_t nTransparency)
{
    return BeginMaterial(strName, ambient, diffuse, specular, nShininess, nTransparency).End();
}

C3dsWriter& C3dsWriter::BeginMaterial(const std::string& strName, std::initializer_list<std::uint8_t> ambient,
                                      std::initializer_list<std::uint8_t> diffuse,
                                      std::initializer_list<std::uint8_t> specular, std::uint16_t nShininess,
                                      std::uint16_t nTransparency)
{
    auto rgb = [](std::initializer_list<std::uint8_t> c, int i) { return c.size() == 3 ? c.begin()[i] : std::uint8_t(0); };
    Begin(0xAFFF);
    Begin(0xA000).Str(strName).End();
    ColorProperty(0xA010, rgb(ambient, 0), rgb(ambient, 1), rgb(ambient, 2));
    ColorProperty(0xA020, rgb(diffuse, 0), rgb(diffuse, 1), rgb(diffuse, 2));
    ColorProperty(0xA030, rgb(specular, 0), rgb(specular, 1), rgb(specular, 2));
    PercentProperty(0xA040, nShininess);
    return PercentProperty(0xA050, nTransparency);
}

C3dsWriter& C3dsWriter::TextureMap(const std::string& strFile, std::uint16_t nPercent, float fUScale, float fVScale,
                                   float fUOffset, float fVOffset, std::uint16_t wTiling, float fRotation,
                                   float fFloatPercent)
{
    Begin(0xA200);
    if (fFloatPercent < 0.0f)
        Begin(0x0030).U16(nPercent).End();
    else
        Begin(0x0031).F32(fFloatPercent).End();
    Begin(0xA300).Str(strFile).End();
    Begin(0xA351).U16(wTiling).End();
    Begin(0xA354).F32(fUScale).End().Begin(0xA356).F32(fVScale).End();
    Begin(0xA358).F32(fUOffset).End().Begin(0xA35A).F32(fVOffset).End();
    if (fRotation != 0.0f)
        Begin(0xA35C).F32(fRotation).End();
    return End();
}

C3dsWriter& C3dsWriter::TwoSided()
{
    return Begin(0xA081).End();
}

C3dsWriter& C3dsWriter::MasterScale(float fScale)
{
    return Begin(0x0100).F32(fScale).End();
}

C3dsWriter& C3dsWriter::Mapping(const std::vector<float>& uv)
{
    Begin(0x4140).U16(static_cast<std::uint16_t>(uv.size() / 2));
    for (float f : uv)
        F32(f);
    return End();
}

C3dsWriter& C3dsWriter::Smoothing(const std::vector<std::uint32_t>& masks)
{
    Begin(0x4150);
    for (std::uint32_t m : masks)
        U32(m);
    return End();
}

C3dsWriter& C3dsWriter::BeginObject(const std::string& strName)
{
    Begin(0x4000).Str(strName);
    return Begin(0x4100);
}

C3dsWriter& C3dsWriter::Vertices(const std::vector<float>& xyz)
{
    Begin(0x4110).U16(static_cast<std::uint16_t>(xyz.size() / 3));
    for (float f : xyz)
        F32(f);
    return End();
}

C3dsWriter& C3dsWriter::BeginFaces(const std::vector<std::uint16_t>& abcFlags)
{
    Begin(0x4120).U16(static_cast<std::uint16_t>(abcFlags.size() / 4));
    for (std::uint16_t w : abcFlags)
        U16(w);
    return *this;
}

C3dsWriter& C3dsWriter::FaceMaterial(const std::string& strMaterial, const std::vector<std::uint16_t>& faces)
{
    Begin(0x4130).Str(strMaterial).U16(static_cast<std::uint16_t>(faces.size()));
    for (std::uint16_t w : faces)
        U16(w);
    return End();
}

C3dsWriter& C3dsWriter::MeshMatrix(const std::vector<float>& m12)
{
    Begin(0x4160);
    for (float f : m12)
        F32(f);
    return End();
}
