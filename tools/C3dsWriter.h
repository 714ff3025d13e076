#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Builds .3ds files chunk by chunk for tests, well-formed or deliberately broken.
// Begin/End nest chunks and patch their lengths; Header writes a header with any length.
class C3dsWriter {
public:
    C3dsWriter& Begin(std::uint16_t wId);  // header with the length patched by End()
    C3dsWriter& End();
    C3dsWriter& Header(std::uint16_t wId, std::uint32_t nLength);  // length as given, never patched

    C3dsWriter& U8(std::uint8_t v);
    C3dsWriter& U16(std::uint16_t v);
    C3dsWriter& U32(std::uint32_t v);
    C3dsWriter& F32(float v);
    C3dsWriter& Str(const std::string& s);  // with its zero byte
    C3dsWriter& Raw(std::initializer_list<std::uint8_t> bytes);

    // Main, version (length 10), editor and mesh-version (length 10) headers: the 32-byte
    // lead-in. Leaves the main and editor chunks open; Finish() closes what is open.
    C3dsWriter& LeadIn();
    C3dsWriter& Finish();

    // Whole well-formed pieces.
    C3dsWriter& Material(const std::string& strName, std::initializer_list<std::uint8_t> ambient,
                         std::initializer_list<std::uint8_t> diffuse, std::initializer_list<std::uint8_t> specular,
                         std::uint16_t nShininess = 0, std::uint16_t nTransparency = 0);
    // Material() without its closing End(), for chunks of its own behind the properties.
    C3dsWriter& BeginMaterial(const std::string& strName, std::initializer_list<std::uint8_t> ambient,
                              std::initializer_list<std::uint8_t> diffuse, std::initializer_list<std::uint8_t> specular,
                              std::uint16_t nShininess = 0, std::uint16_t nTransparency = 0);
    // Texture map 1 (0xA200) with its percentage, file name, tiling, scales and offsets; a
    // rotation (0xA35C) when it is not 0, and the percentage as a float (0x0031) in place of
    // the u16 one when fFloatPercent is not negative.
    C3dsWriter& TextureMap(const std::string& strFile, std::uint16_t nPercent = 100, float fUScale = 1.0f,
                           float fVScale = 1.0f, float fUOffset = 0.0f, float fVOffset = 0.0f, std::uint16_t wTiling = 0,
                           float fRotation = 0.0f, float fFloatPercent = -1.0f);
    C3dsWriter& TwoSided();                                       // 0xA081, no payload
    C3dsWriter& MasterScale(float fScale);                        // 0x0100
    C3dsWriter& Mapping(const std::vector<float>& uv);            // 0x4140, count = size / 2
    C3dsWriter& Smoothing(const std::vector<std::uint32_t>& masks);  // 0x4150, one per face
    C3dsWriter& ColorProperty(std::uint16_t wProperty, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    C3dsWriter& PercentProperty(std::uint16_t wProperty, std::uint16_t nPercent);
    C3dsWriter& BeginObject(const std::string& strName);  // named object + triangle mesh, left open
    C3dsWriter& Vertices(const std::vector<float>& xyz);   // count = size / 3
    C3dsWriter& BeginFaces(const std::vector<std::uint16_t>& abcFlags);  // count = size / 4, left open
    C3dsWriter& FaceMaterial(const std::string& strMaterial, const std::vector<std::uint16_t>& faces);
    C3dsWriter& MeshMatrix(const std::vector<float>& m12);

    std::size_t Size() const { return m_aBytes.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return m_aBytes; }
    std::vector<std::uint8_t>& MutableBytes() { return m_aBytes; }

private:
    std::vector<std::uint8_t> m_aBytes;
    std::vector<std::size_t> m_aOpen;
};
