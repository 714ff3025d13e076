#include "CGltfWriter.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <limits>
#include <set>

namespace {

using json = nlohmann::json;

enum : int {
    COMPONENT_UNSIGNED_SHORT = 5123,
    COMPONENT_UNSIGNED_INT = 5125,
    COMPONENT_FLOAT = 5126,
    TARGET_ARRAY_BUFFER = 34962,
    TARGET_ELEMENT_ARRAY_BUFFER = 34963,
};

constexpr std::uint32_t GLB_MAGIC = 0x46546C67;  // "glTF"
constexpr std::uint32_t GLB_CHUNK_JSON = 0x4E4F534A;
constexpr std::uint32_t GLB_CHUNK_BIN = 0x004E4942;

std::size_t Padded(std::size_t n)
{
    return (n + 3) & ~std::size_t{3};
}

void AppendU32(std::vector<std::uint8_t>& a, std::uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        a.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

// A relative URI for a file name: everything but RFC 3986's unreserved characters escaped,
// so spaces, '#' and UTF-8 bytes in a model's name survive.
std::string UriOf(const std::string& strName)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string strUri;
    for (const unsigned char c : strName) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            strUri += static_cast<char>(c);
        } else {
            strUri += '%';
            strUri += kHex[c >> 4];
            strUri += kHex[c & 15];
        }
    }
    return strUri;
}

const char* AlphaModeName(CGltfWriter::EAlphaMode e)
{
    switch (e) {
    case CGltfWriter::EAlphaMode::mask: return "MASK";
    case CGltfWriter::EAlphaMode::blend: return "BLEND";
    case CGltfWriter::EAlphaMode::opaque: break;
    }
    return "OPAQUE";
}

} // namespace

CGltfWriter::CGltfWriter(std::string strGenerator) : m_strGenerator(std::move(strGenerator)) {}

int CGltfWriter::AddView(const void* pData, std::size_t nBytes, int nTarget)
{
    // Each block twice the one before, up to 64 MiB: a small model takes little, a large one
    // a few dozen blocks. A block is only touched as far as it is filled.
    const std::size_t nOffset = Padded(m_nBinLength);
    const std::size_t nRoom = m_aBlocks.empty() ? 0 : m_aBlocks.back().aBytes.capacity() - m_aBlocks.back().aBytes.size();
    if (nRoom < nOffset - m_nBinLength + nBytes) {
        const std::size_t nLast = m_aBlocks.empty() ? 0 : m_aBlocks.back().aBytes.capacity();
        m_aBlocks.push_back({nOffset, {}});
        m_aBlocks.back().aBytes.reserve(std::max(nBytes, std::clamp(2 * nLast, std::size_t{64} << 10, std::size_t{64} << 20)));
    }
    std::vector<std::uint8_t>& aBlock = m_aBlocks.back().aBytes;
    aBlock.resize(nOffset - m_aBlocks.back().nOffset);
    const auto* p = static_cast<const std::uint8_t*>(pData);
    aBlock.insert(aBlock.end(), p, p + nBytes);
    m_aViews.push_back({nOffset, nBytes, nTarget});
    m_nBinLength = nOffset + nBytes;
    return static_cast<int>(m_aViews.size() - 1);
}

CGltfWriter::SBounds CGltfWriter::BoundsOf(std::span<const float> aVec3)
{
    constexpr float INF = std::numeric_limits<float>::infinity();
    SBounds b{{INF, INF, INF}, {-INF, -INF, -INF}};
    for (std::size_t i = 0; i + 3 <= aVec3.size(); i += 3)
        for (std::size_t k = 0; k < 3; ++k) {
            b.fMin[k] = std::min(b.fMin[k], aVec3[i + k]);
            b.fMax[k] = std::max(b.fMax[k], aVec3[i + k]);
        }
    return b;
}

int CGltfWriter::AddFloats(std::span<const float> aValues, int nComponents, const SBounds* pBounds)
{
    SAccessor a{AddView(aValues.data(), aValues.size_bytes(), TARGET_ARRAY_BUFFER), COMPONENT_FLOAT,
                aValues.size() / static_cast<std::size_t>(nComponents), nComponents, {}, {}};
    if (pBounds) {
        a.aMin.assign(pBounds->fMin.begin(), pBounds->fMin.end());
        a.aMax.assign(pBounds->fMax.begin(), pBounds->fMax.end());
    }
    m_aAccessors.push_back(std::move(a));
    return static_cast<int>(m_aAccessors.size() - 1);
}

int CGltfWriter::AddVec3(std::span<const float> aValues, bool bMinMax)
{
    const SBounds bounds = bMinMax ? BoundsOf(aValues) : SBounds{};
    return AddFloats(aValues, 3, bMinMax ? &bounds : nullptr);
}

int CGltfWriter::AddVec3(std::span<const float> aValues, const SBounds& bounds)
{
    return AddFloats(aValues, 3, &bounds);
}

int CGltfWriter::AddVec2(std::span<const float> aValues)
{
    return AddFloats(aValues, 2, nullptr);
}

int CGltfWriter::AddIndices(std::span<const std::uint32_t> aIndices, std::uint32_t nVertices)
{
    // 65535 is the primitive restart value of 16-bit indices, which glTF forbids as an index.
    int nView = -1;
    int nType = COMPONENT_UNSIGNED_INT;
    if (nVertices <= 65535) {
        std::vector<std::uint16_t> aShort(aIndices.begin(), aIndices.end());
        nView = AddView(aShort.data(), aShort.size() * sizeof(std::uint16_t), TARGET_ELEMENT_ARRAY_BUFFER);
        nType = COMPONENT_UNSIGNED_SHORT;
    } else {
        nView = AddView(aIndices.data(), aIndices.size_bytes(), TARGET_ELEMENT_ARRAY_BUFFER);
    }
    m_aAccessors.push_back({nView, nType, aIndices.size(), 1, {}, {}});
    return static_cast<int>(m_aAccessors.size() - 1);
}

std::vector<std::uint8_t> CGltfWriter::Binary() const
{
    std::vector<std::uint8_t> a;
    a.reserve(m_nBinLength);
    for (const SBlock& block : m_aBlocks) {
        a.resize(block.nOffset);
        a.insert(a.end(), block.aBytes.begin(), block.aBytes.end());
    }
    return a;
}

int CGltfWriter::AddImage(std::vector<std::uint8_t> aBytes, std::string strMimeType, std::string strStem)
{
    m_aImages.push_back({std::move(aBytes), std::move(strMimeType), std::move(strStem)});
    return static_cast<int>(m_aImages.size() - 1);
}

int CGltfWriter::AddTexture(int nImage, EWrap eWrapS, EWrap eWrapT)
{
    m_aTextures.push_back({nImage, eWrapS, eWrapT});
    return static_cast<int>(m_aTextures.size() - 1);
}

int CGltfWriter::AddMaterial(const SMaterial& material)
{
    m_aMaterials.push_back(material);
    return static_cast<int>(m_aMaterials.size() - 1);
}

int CGltfWriter::AddMesh(std::string strName, std::vector<SPrimitive> aPrimitives)
{
    m_aMeshes.push_back({std::move(strName), std::move(aPrimitives)});
    return static_cast<int>(m_aMeshes.size() - 1);
}

int CGltfWriter::AddNode(SNode node)
{
    m_aNodes.push_back(std::move(node));
    return static_cast<int>(m_aNodes.size() - 1);
}

std::string CGltfWriter::Json(std::size_t nBinLength, const std::string& strBinUri,
                              const std::vector<std::size_t>& aImageOffsets,
                              const std::vector<std::string>& aImageFiles) const
{
    json j;
    j["asset"] = {{"version", "2.0"}, {"generator", m_strGenerator}};
    if (!m_strAssetExtras.empty())
        j["asset"]["extras"] = json::parse(m_strAssetExtras);
    j["scene"] = 0;
    // glTF allows no empty arrays: a scene without nodes is an empty object.
    j["scenes"] = json::array({m_aRoots.empty() ? json::object() : json{{"nodes", m_aRoots}}});

    json nodes = json::array();
    for (const SNode& n : m_aNodes) {
        json node = json::object();
        if (!n.strName.empty())
            node["name"] = n.strName;
        if (n.nMesh >= 0)
            node["mesh"] = n.nMesh;
        if (!n.aChildren.empty())
            node["children"] = n.aChildren;
        if (n.fRotation != std::array<float, 4>{0.0f, 0.0f, 0.0f, 1.0f})
            node["rotation"] = n.fRotation;
        if (n.fScale != std::array<float, 3>{1.0f, 1.0f, 1.0f})
            node["scale"] = n.fScale;
        nodes.push_back(std::move(node));
    }
    if (!nodes.empty())
        j["nodes"] = std::move(nodes);

    if (!m_aMeshes.empty()) {
        json meshes = json::array();
        for (const SMesh& m : m_aMeshes) {
            json prims = json::array();
            for (const SPrimitive& p : m.aPrimitives) {
                json attributes = {{"POSITION", p.nPositions}};
                if (p.nNormals >= 0)
                    attributes["NORMAL"] = p.nNormals;
                if (p.nTexCoords >= 0)
                    attributes["TEXCOORD_0"] = p.nTexCoords;
                json prim = {{"attributes", std::move(attributes)}, {"indices", p.nIndices}};
                if (p.nMaterial >= 0)
                    prim["material"] = p.nMaterial;
                prims.push_back(std::move(prim));
            }
            json mesh = {{"primitives", std::move(prims)}};
            if (!m.strName.empty())
                mesh["name"] = m.strName;
            meshes.push_back(std::move(mesh));
        }
        j["meshes"] = std::move(meshes);
    }

    if (!m_aMaterials.empty()) {
        json materials = json::array();
        bool bSpecular = false;
        for (const SMaterial& m : m_aMaterials) {
            json pbr = {{"baseColorFactor", m.fBaseColor}, {"metallicFactor", m.fMetallic},
                        {"roughnessFactor", m.fRoughness}};
            if (m.nBaseColorTexture >= 0)
                pbr["baseColorTexture"] = {{"index", m.nBaseColorTexture}};
            json material = {{"pbrMetallicRoughness", std::move(pbr)}};
            if (!m.strName.empty())
                material["name"] = m.strName;
            if (m.eAlphaMode != EAlphaMode::opaque)
                material["alphaMode"] = AlphaModeName(m.eAlphaMode);
            if (m.bDoubleSided)
                material["doubleSided"] = true;
            if (m.bSpecular) {
                material["extensions"]["KHR_materials_specular"] = {{"specularFactor", m.fSpecularStrength},
                                                                    {"specularColorFactor", m.fSpecularColor}};
                bSpecular = true;
            }
            materials.push_back(std::move(material));
        }
        j["materials"] = std::move(materials);
        if (bSpecular)
            j["extensionsUsed"] = json::array({"KHR_materials_specular"});
    }

    if (!m_aTextures.empty()) {
        json textures = json::array(), samplers = json::array();
        for (const STexture& t : m_aTextures) {
            textures.push_back({{"source", t.nImage}, {"sampler", samplers.size()}});
            // Mipmapped minification, as full shading's textures are drawn.
            samplers.push_back({{"magFilter", 9729}, {"minFilter", 9987}, {"wrapS", int{t.eWrapS}},
                                {"wrapT", int{t.eWrapT}}});
        }
        j["textures"] = std::move(textures);
        j["samplers"] = std::move(samplers);
    }

    json views = json::array();
    for (const SView& v : m_aViews) {
        json view = {{"buffer", 0}, {"byteOffset", v.nOffset}, {"byteLength", v.nLength}};
        if (v.nTarget)
            view["target"] = v.nTarget;
        views.push_back(std::move(view));
    }
    if (!m_aImages.empty()) {
        json images = json::array();
        for (std::size_t i = 0; i < m_aImages.size(); ++i) {
            json image = json::object();
            if (!aImageOffsets.empty()) {
                image["bufferView"] = views.size();
                image["mimeType"] = m_aImages[i].strMimeType;
                views.push_back({{"buffer", 0}, {"byteOffset", aImageOffsets[i]},
                                 {"byteLength", m_aImages[i].aBytes.size()}});
            } else {
                image["uri"] = UriOf(aImageFiles[i]);
            }
            images.push_back(std::move(image));
        }
        j["images"] = std::move(images);
    }
    if (nBinLength != 0) {
        json buffer = {{"byteLength", nBinLength}};
        if (!strBinUri.empty())
            buffer["uri"] = UriOf(strBinUri);
        j["buffers"] = json::array({std::move(buffer)});
        j["bufferViews"] = std::move(views);
    }

    if (!m_aAccessors.empty()) {
        json accessors = json::array();
        static const char* const kTypes[] = {"", "SCALAR", "VEC2", "VEC3", "VEC4"};
        for (const SAccessor& a : m_aAccessors) {
            json accessor = {{"bufferView", a.nView}, {"componentType", a.nComponentType},
                             {"count", a.nCount}, {"type", kTypes[a.nComponents]}};
            if (!a.aMin.empty()) {
                accessor["min"] = a.aMin;
                accessor["max"] = a.aMax;
            }
            accessors.push_back(std::move(accessor));
        }
        j["accessors"] = std::move(accessors);
    }
    // Names are the caller's UTF-8; a stray byte still never makes the file unreadable.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

CGltfWriter::SGlb CGltfWriter::GlbPieces() const
{
    static constexpr std::uint8_t kZeros[3] = {0, 0, 0};
    // The images follow the geometry in the one binary chunk.
    std::size_t nBin = m_nBinLength;
    std::vector<std::size_t> aImageOffsets;
    for (const SImage& image : m_aImages) {
        nBin = Padded(nBin);
        aImageOffsets.push_back(nBin);
        nBin += image.aBytes.size();
    }
    if (m_aImages.empty())
        aImageOffsets.clear();
    std::string strJson = Json(nBin, {}, aImageOffsets, {});
    strJson.resize(Padded(strJson.size()), ' ');
    const std::size_t nBinChunk = nBin ? 8 + Padded(nBin) : 0;

    SGlb glb;
    std::vector<std::uint8_t>& a = glb.aHead;
    a.reserve(12 + 8 + strJson.size() + 8);
    AppendU32(a, GLB_MAGIC);
    AppendU32(a, 2);
    AppendU32(a, static_cast<std::uint32_t>(12 + 8 + strJson.size() + nBinChunk));
    AppendU32(a, static_cast<std::uint32_t>(strJson.size()));
    AppendU32(a, GLB_CHUNK_JSON);
    a.insert(a.end(), strJson.begin(), strJson.end());
    if (nBin) {
        AppendU32(a, static_cast<std::uint32_t>(Padded(nBin)));
        AppendU32(a, GLB_CHUNK_BIN);
        std::size_t nAt = 0;
        for (const SBlock& block : m_aBlocks) {
            glb.aBody.emplace_back(kZeros, block.nOffset - nAt);
            glb.aBody.emplace_back(block.aBytes);
            nAt = block.nOffset + block.aBytes.size();
        }
        for (std::size_t i = 0; i < m_aImages.size(); ++i) {
            glb.aBody.emplace_back(kZeros, aImageOffsets[i] - nAt);
            glb.aBody.emplace_back(m_aImages[i].aBytes);
            nAt = aImageOffsets[i] + m_aImages[i].aBytes.size();
        }
        glb.aBody.emplace_back(kZeros, Padded(nBin) - nBin);
    }
    return glb;
}

std::vector<std::uint8_t> CGltfWriter::Glb() const
{
    const SGlb glb = GlbPieces();
    std::vector<std::uint8_t> a = glb.aHead;
    for (const std::span<const std::uint8_t> piece : glb.aBody)
        a.insert(a.end(), piece.begin(), piece.end());
    return a;
}

CGltfWriter::SSeparate CGltfWriter::Separate(const std::string& strBinName, const std::string& strImagePrefix) const
{
    SSeparate s;
    std::set<std::string> used;
    for (const SImage& image : m_aImages) {
        const std::string strExtension = image.strMimeType == "image/jpeg" ? ".jpg" : ".png";
        auto nameOf = [&](std::string strPart) {
            if (strPart.starts_with('-'))
                strPart.insert(0, "_");
            return strImagePrefix + strPart + strExtension;
        };
        std::string strName = nameOf(image.strStem);
        for (int n = 2; !used.insert(strName).second; ++n)
            strName = nameOf(image.strStem + "-" + std::to_string(n));
        s.aImageFiles.push_back(std::move(strName));
    }
    s.aBin = Binary();
    s.strJson = Json(s.aBin.size(), strBinName, {}, s.aImageFiles);
    return s;
}
