// libFuzzer target for tessaron-convert's path: the bytes are read with C3DS::ReadBuffer,
// full shading's mesh is built from them and converted to a .glb in memory, object by object
// and whole, which must give the same bytes. Besides the
// sanitizers it aborts when the file is not one a glTF reader can trust: a GLB header or
// chunk that does not add up, JSON that does not parse, a buffer view outside the buffer, an
// accessor outside its view or with a count, min or max that its data does not bear out, an
// index at or beyond its primitive's vertices, a float that is not finite, a normal that is
// not unit length, or a texture coordinate set on a primitive without a texture and the
// other way round, a root not scaled by the master scale's inverse, or an object's node named
// after no object. Texture names find nothing (the model lives in a folder that does not
// exist), so the decoder is never asked.

#include "model/C3DS.h"
#include "tools/CGltfWriter.h"
#include "tools/CTextureEmbedder.h"
#include "tools/ConvertModel.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* pszRule, std::size_t nSize)
{
    std::fprintf(stderr, "broken rule: %s (input of %zu bytes)\n", pszRule, nSize);
    std::abort();
}

std::uint32_t U32(const std::vector<std::uint8_t>& a, std::size_t n)
{
    std::uint32_t v = 0;
    std::memcpy(&v, a.data() + n, 4);
    return v;
}

struct SAccessorData {
    const std::uint8_t* p;
    std::size_t nCount, nComponents;
    int nType;
};

SAccessorData Accessor(const nlohmann::json& j, const std::vector<std::uint8_t>& aBin, std::size_t nAccessor,
                       std::size_t nSize)
{
    const auto& a = j.at("accessors").at(nAccessor);
    const auto& view = j.at("bufferViews").at(a.at("bufferView").get<std::size_t>());
    const std::size_t nOffset = view.value("byteOffset", std::size_t{0});
    const std::size_t nLength = view.at("byteLength").get<std::size_t>();
    if (nOffset > aBin.size() || nLength > aBin.size() - nOffset)
        Fail("buffer view outside the buffer", nSize);
    if (nOffset % 4 != 0)
        Fail("buffer view not 4-byte aligned", nSize);
    const int nType = a.at("componentType").get<int>();
    const std::string strType = a.at("type").get<std::string>();
    const std::size_t nComponents = strType == "VEC3" ? 3 : strType == "VEC2" ? 2 : strType == "SCALAR" ? 1 : 0;
    const std::size_t nBytes = nType == 5126 || nType == 5125 ? 4 : nType == 5123 ? 2 : 0;
    const std::size_t nCount = a.at("count").get<std::size_t>();
    if (nComponents == 0 || nBytes == 0 || nCount == 0)
        Fail("accessor of no known type, or empty", nSize);
    if (nCount * nComponents * nBytes != nLength)
        Fail("accessor count not its view's length", nSize);
    return {aBin.data() + nOffset, nCount, nComponents, nType};
}

float FloatAt(const SAccessorData& d, std::size_t i)
{
    float f = 0.0f;
    std::memcpy(&f, d.p + 4 * i, 4);
    return f;
}

void CheckFloats(const nlohmann::json& accessor, const SAccessorData& d, bool bUnit, std::size_t nSize)
{
    if (d.nType != 5126)
        Fail("vertex attribute not float", nSize);
    for (std::size_t v = 0; v < d.nCount; ++v) {
        double dLength = 0.0;
        for (std::size_t k = 0; k < d.nComponents; ++k) {
            const float f = FloatAt(d, v * d.nComponents + k);
            if (!std::isfinite(f))
                Fail("float not finite", nSize);
            dLength += double{f} * f;
            if (accessor.contains("min") && (f < accessor["min"][k].get<float>() || f > accessor["max"][k].get<float>()))
                Fail("value outside the accessor's min and max", nSize);
        }
        if (bUnit && std::abs(std::sqrt(dLength) - 1.0) > 5e-4)
            Fail("normal not unit length", nSize);
    }
    if (accessor.contains("min"))
        for (std::size_t k = 0; k < d.nComponents; ++k) {
            bool bMin = false, bMax = false;
            for (std::size_t v = 0; v < d.nCount; ++v) {
                bMin |= FloatAt(d, v * d.nComponents + k) == accessor["min"][k].get<float>();
                bMax |= FloatAt(d, v * d.nComponents + k) == accessor["max"][k].get<float>();
            }
            if (!bMin || !bMax)
                Fail("accessor min or max not taken by any value", nSize);
        }
}

nlohmann::json CheckGlb(const std::vector<std::uint8_t>& a, std::size_t nSize)
{
    if (a.size() < 20 || U32(a, 0) != 0x46546C67 || U32(a, 4) != 2 || U32(a, 8) != a.size() || a.size() % 4 != 0)
        Fail("GLB header", nSize);
    const std::size_t nJson = U32(a, 12);
    if (U32(a, 16) != 0x4E4F534A || nJson % 4 != 0 || nJson > a.size() - 20)
        Fail("GLB JSON chunk", nSize);
    std::vector<std::uint8_t> aBin;
    if (a.size() > 20 + nJson) {
        if (a.size() - 20 - nJson < 8 || U32(a, 24 + nJson) != 0x004E4942 || U32(a, 20 + nJson) != a.size() - 28 - nJson)
            Fail("GLB binary chunk", nSize);
        aBin.assign(a.begin() + static_cast<std::ptrdiff_t>(28 + nJson), a.end());
    }
    const nlohmann::json j = nlohmann::json::parse(a.begin() + 20, a.begin() + static_cast<std::ptrdiff_t>(20 + nJson),
                                                   nullptr, false);
    if (j.is_discarded())
        Fail("JSON does not parse", nSize);
    if (j.contains("buffers") && j["buffers"][0]["byteLength"].get<std::size_t>() > aBin.size())
        Fail("buffer longer than the binary chunk", nSize);
    if (!j.contains("meshes"))
        return j;
    for (const auto& mesh : j["meshes"])
        for (const auto& prim : mesh.at("primitives")) {
            const auto& attributes = prim.at("attributes");
            const std::size_t nPositions = attributes.at("POSITION").get<std::size_t>();
            const SAccessorData positions = Accessor(j, aBin, nPositions, nSize);
            CheckFloats(j["accessors"][nPositions], positions, false, nSize);
            if (!j["accessors"][nPositions].contains("min"))
                Fail("positions without min and max", nSize);
            const std::size_t nNormals = attributes.at("NORMAL").get<std::size_t>();
            const SAccessorData normals = Accessor(j, aBin, nNormals, nSize);
            CheckFloats(j["accessors"][nNormals], normals, true, nSize);
            if (normals.nCount != positions.nCount)
                Fail("normals and positions differ in count", nSize);
            const bool bTextured = prim.contains("material") &&
                                   j["materials"][prim["material"].get<std::size_t>()]["pbrMetallicRoughness"].contains("baseColorTexture");
            if (bTextured != attributes.contains("TEXCOORD_0"))
                Fail("texture coordinates without a texture, or a texture without them", nSize);
            if (bTextured) {
                const std::size_t nUv = attributes["TEXCOORD_0"].get<std::size_t>();
                const SAccessorData uv = Accessor(j, aBin, nUv, nSize);
                CheckFloats(j["accessors"][nUv], uv, false, nSize);
                if (uv.nCount != positions.nCount)
                    Fail("texture coordinates and positions differ in count", nSize);
            }
            const SAccessorData indices = Accessor(j, aBin, prim.at("indices").get<std::size_t>(), nSize);
            if (indices.nCount % 3 != 0 || indices.nComponents != 1)
                Fail("indices not whole triangles", nSize);
            for (std::size_t i = 0; i < indices.nCount; ++i) {
                std::uint32_t n = 0;
                if (indices.nType == 5123) {
                    std::uint16_t w = 0;
                    std::memcpy(&w, indices.p + 2 * i, 2);
                    n = w;
                } else {
                    std::memcpy(&n, indices.p + 4 * i, 4);
                }
                if (n >= positions.nCount)
                    Fail("index beyond its primitive's vertices", nSize);
            }
        }
    return j;
}

// The root is scaled by exactly the inverse of the master scale, and every object's node is
// named after an object of the file, or numbered where it has no name. The JSON parsed, so
// the names are valid UTF-8 whatever bytes the file held.
void CheckNodes(const nlohmann::json& j, const CShadingData& shading, std::size_t nSize)
{
    const auto& root = j.at("nodes").at(j.at("scenes").at(0).at("nodes").at(0).get<std::size_t>());
    const float fScale = root.contains("scale") ? root["scale"][0].get<float>() : 1.0f;
    const float fInverse = shading.m_fMasterScale > 0.0f ? 1.0f / shading.m_fMasterScale : 0.0f;
    const float fExpected = std::isfinite(fInverse) && fInverse > 0.0f ? fInverse : 1.0f;
    if (!std::isfinite(fScale) || !(fScale > 0.0f) || fScale != fExpected)
        Fail("root scale not the inverse of the master scale", nSize);
    std::set<std::string> names;
    for (std::size_t n = 1; n <= shading.m_aObjectNameEnds.size(); ++n)
        names.insert(Latin1ToUtf8(shading.ObjectName(static_cast<std::int64_t>(n))));
    if (!root.contains("children"))
        return;
    for (const auto& child : root["children"]) {
        const std::string strName = j["nodes"].at(child.get<std::size_t>()).at("name").get<std::string>();
        if (!names.count(strName) && !strName.starts_with("object "))
            Fail("object node named after no object", nSize);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    C3DS model;
    model.ReadBuffer(pData, nSize);
    // Object by object (where the model allows it) and whole, which must give the same file.
    CTextureEmbedder textures("/nonexistent/fuzz.3ds", {}), texturesWhole("/nonexistent/fuzz.3ds", {});
    CGltfWriter writer("fuzz"), writerWhole("fuzz");
    ConvertModel(model, textures, "fuzz.3ds", writer, {1, false});
    ConvertModel(model, texturesWhole, "fuzz.3ds", writerWhole, {1, true});
    const std::vector<std::uint8_t> aGlb = writer.Glb();
    if (aGlb != writerWhole.Glb())
        Fail("the model built object by object converts otherwise than built whole", nSize);
    const nlohmann::json j = CheckGlb(aGlb, nSize);
    CheckNodes(j, model.m_cShading, nSize);
    return 0;
}
