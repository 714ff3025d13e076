// libFuzzer target for the .3ds reader. Every input goes through C3DS::ReadBuffer, which is
// what ReadFile runs after its single read, and the result is checked against the rules
// that hold for any bytes at all. A broken rule aborts, so libFuzzer keeps the input.

#include "tools/C3dsWriter.h"
#include "model/C3DS.h"
#include "model/ReadStatus.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* pszRule, std::size_t nSize, int nStatus)
{
    std::fprintf(stderr, "broken rule: %s (input of %zu bytes, status %d)\n", pszRule, nSize, nStatus);
    std::abort();
}

// ReadBuffer cannot return -1 or -2: those belong to opening and reading the file.
bool IsBufferStatus(int nStatus)
{
    static const std::set<int> k = {READ_OK,
                                    READ_NO_MAIN_CHUNK,
                                    READ_NO_VERSION_CHUNK,
                                    READ_NO_EDITOR_CHUNK,
                                    READ_NO_MESH_VERSION,
                                    READ_MATERIAL_NAME_CONTEXT,
                                    READ_AMBIENT_CONTEXT,
                                    READ_DIFFUSE_CONTEXT,
                                    READ_SPECULAR_CONTEXT,
                                    READ_SHININESS_CONTEXT,
                                    READ_SHIN_STRENGTH_CONTEXT,
                                    READ_TRANSPARENCY_CONTEXT,
                                    READ_TRANS_FALLOFF_CONTEXT,
                                    READ_REFLECT_BLUR_CONTEXT,
                                    READ_MESH_CONTEXT,
                                    READ_VERTEX_LIST_CONTEXT,
                                    READ_MESH_MATRIX_CONTEXT,
                                    READ_BAD_CHUNK_LENGTH,
                                    READ_TRUNCATED,
                                    READ_FACE_LIST_CONTEXT,
                                    READ_FACE_MATERIAL_CONTEXT,
                                    READ_SMOOTHING_CONTEXT};
    return k.count(nStatus) != 0;
}

template <typename T>
bool ObjectsNeverDecrease(const std::vector<T>& a)
{
    for (std::size_t i = 1; i < a.size(); ++i)
        if (a[i].nObject < a[i - 1].nObject || a[i - 1].nObject < 0)
            return false;
    return true;
}

// A name is copied from the input up to its zero byte, so it is shorter than the input
// and holds no zero byte of its own.
bool IsInputString(std::string_view sv, std::size_t nSize)
{
    return sv.size() < nSize && sv.find('\0') == std::string_view::npos;
}

void Check(const C3DS& model, int nStatus, std::size_t nSize)
{
    if (!IsBufferStatus(nStatus))
        Fail("status is 1 or a documented failure", nSize, nStatus);
    // Records are decoded from bytes of the input, never invented: a count field larger
    // than the bytes behind it must not produce (or reserve) records.
    if (model.m_aVertices.size() > nSize / 12 || model.m_aFaces.size() > nSize / 8 ||
        model.m_aFaceMaterials.size() > nSize / 2)
        Fail("no more records than the input has bytes for", nSize, nStatus);
    // Twice the bytes allows for geometric growth; reserving by a count field that the
    // bytes do not back would break it by far.
    if (model.m_aVertices.capacity() > nSize / 6 || model.m_aFaces.capacity() > nSize / 4 ||
        model.m_aFaceMaterials.capacity() > nSize)
        Fail("no storage reserved beyond what the input can fill", nSize, nStatus);
    if (!ObjectsNeverDecrease(model.m_aVertices))
        Fail("vertex object numbers never decrease", nSize, nStatus);
    if (!ObjectsNeverDecrease(model.m_aFaces))
        Fail("face object numbers never decrease", nSize, nStatus);
    for (const S3DSMaterial& m : model.m_aMaterials)
        if (!IsInputString(m.strName, nSize))
            Fail("material names come from the input", nSize, nStatus);
    for (const S3DSFaceMaterial& fm : model.m_aFaceMaterials)
        if (!IsInputString(fm.strMaterial, nSize))
            Fail("face material names come from the input", nSize, nStatus);
    // The side data is cut from the input like the records, and stays parallel to the model.
    const CShadingData& cShading = model.m_cShading;
    if (cShading.m_aMaterials.size() != model.m_aMaterials.size())
        Fail("one side record per material", nSize, nStatus);
    if (!cShading.m_aSmoothing.empty() && cShading.m_aSmoothing.size() != model.m_aFaces.size())
        Fail("smoothing masks are none or one per face", nSize, nStatus);
    if (cShading.m_aTexCoords.size() > nSize / 8 || cShading.m_aTexCoords.capacity() > nSize / 8)
        Fail("no more mapping coordinates than the input has bytes for", nSize, nStatus);
    std::size_t nNextCoord = 0;
    std::int32_t nLastObject = 0;
    for (const S3DSObjectMapping& o : cShading.m_aObjectMappings) {
        if (o.nFirst != nNextCoord || o.nObject <= nLastObject)
            Fail("object mappings ascend and tile the coordinates", nSize, nStatus);
        nNextCoord = std::size_t{o.nFirst} + o.nCount;
        nLastObject = o.nObject;
    }
    if (nNextCoord != cShading.m_aTexCoords.size())
        Fail("object mappings tile the coordinates", nSize, nStatus);
    for (const S3DSMaterialShading& m : cShading.m_aMaterials)
        if (m.bTextured && (m.cTexture.strFile.empty() || !IsInputString(m.cTexture.strFile, nSize)))
            Fail("texture file names come from the input", nSize, nStatus);
    // Every named object takes at least its 6-byte header and its zero byte, and no two
    // names share a byte of the input.
    if (cShading.m_aObjectNameEnds.size() > nSize / 7 || cShading.m_strObjectNames.size() > nSize ||
        cShading.m_aObjectNameEnds.capacity() > nSize / 7 + 1 ||
        (cShading.m_aObjectNameEnds.empty() ? !cShading.m_strObjectNames.empty()
                                            : cShading.m_aObjectNameEnds.back() != cShading.m_strObjectNames.size()))
        Fail("object names are cut from the input, one per object", nSize, nStatus);
    for (std::size_t n = 1; n <= cShading.m_aObjectNameEnds.size(); ++n)
        if (!IsInputString(cShading.ObjectName(static_cast<std::int64_t>(n)), nSize))
            Fail("object names come from the input", nSize, nStatus);
    if (cShading.m_fMasterScale != 0.0f && !(std::isfinite(cShading.m_fMasterScale) && cShading.m_fMasterScale > 0.0f))
        Fail("a master scale is finite and positive, or none", nSize, nStatus);

    const bool bLeadInFailed = nStatus == READ_NO_MAIN_CHUNK || nStatus == READ_NO_VERSION_CHUNK ||
                               nStatus == READ_NO_EDITOR_CHUNK || nStatus == READ_NO_MESH_VERSION;
    if (bLeadInFailed && (!model.m_aVertices.empty() || !model.m_aFaces.empty() ||
                          !model.m_aFaceMaterials.empty() || !model.m_aMaterials.empty()))
        Fail("a file rejected at its lead-in leaves the model empty", nSize, nStatus);
}

// A small model with something in every array, so the second read below has to clear it.
const std::vector<std::uint8_t>& Primer()
{
    static const std::vector<std::uint8_t> bytes = [] {
        C3dsWriter w;
        w.LeadIn().MasterScale(3.0f).Material("primer", {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, 10, 20);
        w.BeginObject("p").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 6, 7});
        w.Mapping({0, 0, 1, 0, 0, 1});
        w.BeginFaces({0, 1, 2, 0}).FaceMaterial("primer", {0}).Smoothing({1});
        return w.Finish().Bytes();
    }();
    return bytes;
}

template <typename T>
bool SameBytes(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool SameFaceMaterials(const C3DS& a, const C3DS& b)
{
    if (a.m_aFaceMaterials.size() != b.m_aFaceMaterials.size())
        return false;
    for (std::size_t i = 0; i < a.m_aFaceMaterials.size(); ++i) {
        const S3DSFaceMaterial& x = a.m_aFaceMaterials[i];
        const S3DSFaceMaterial& y = b.m_aFaceMaterials[i];
        if (x.wObject != y.wObject || x.wFace != y.wFace || !(x.strMaterial == y.strMaterial))
            return false;
    }
    return true;
}

bool SameMaterials(const C3DS& a, const C3DS& b)
{
    if (a.m_aMaterials.size() != b.m_aMaterials.size())
        return false;
    for (std::size_t i = 0; i < a.m_aMaterials.size(); ++i) {
        const S3DSMaterial& x = a.m_aMaterials[i];
        const S3DSMaterial& y = b.m_aMaterials[i];
        if (!(x.strName == y.strName) || std::memcmp(x.fAmbient, y.fAmbient, sizeof x.fAmbient) != 0 ||
            std::memcmp(x.fDiffuse, y.fDiffuse, sizeof x.fDiffuse) != 0 ||
            std::memcmp(x.fSpecular, y.fSpecular, sizeof x.fSpecular) != 0 || x.nShininess != y.nShininess ||
            x.nShinStrength != y.nShinStrength || x.nTransparency != y.nTransparency ||
            x.nTransFalloff != y.nTransFalloff || x.nReflectBlur != y.nReflectBlur)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    C3DS fresh;
    const int nStatus = fresh.ReadBuffer(pData, nSize);
    Check(fresh, nStatus, nSize);

    // Reading into a model that already holds a file must give what a fresh model gives:
    // nothing of the earlier file may survive. The last property chunk is the one thing
    // remembered across reads on purpose (it decides whether a colour chunk is read at
    // all), so it is put back to the fresh model's value first.
    C3DS reused;
    const auto& primer = Primer();
    if (reused.ReadBuffer(primer.data(), primer.size()) != READ_OK)
        Fail("the primer file reads", primer.size(), 0);
    reused.m_wProperty = C3DS().m_wProperty;
    const int nAgain = reused.ReadBuffer(pData, nSize);
    if (nAgain != nStatus)
        Fail("a second read returns the same status", nSize, nAgain);
    if (!SameBytes(fresh.m_aVertices, reused.m_aVertices) || !SameBytes(fresh.m_aFaces, reused.m_aFaces) ||
        !SameFaceMaterials(fresh, reused) || !SameMaterials(fresh, reused) ||
        std::memcmp(fresh.m_fMeshMatrix, reused.m_fMeshMatrix, sizeof fresh.m_fMeshMatrix) != 0)
        Fail("a second read leaves nothing of the first", nSize, nAgain);
    if (!SameBytes(fresh.m_cShading.m_aTexCoords, reused.m_cShading.m_aTexCoords) ||
        !SameBytes(fresh.m_cShading.m_aSmoothing, reused.m_cShading.m_aSmoothing) ||
        fresh.m_cShading.m_aObjectMappings.size() != reused.m_cShading.m_aObjectMappings.size() ||
        fresh.m_cShading.m_aMaterials.size() != reused.m_cShading.m_aMaterials.size() ||
        fresh.m_cShading.m_strObjectNames != reused.m_cShading.m_strObjectNames ||
        fresh.m_cShading.m_aObjectNameEnds != reused.m_cShading.m_aObjectNameEnds ||
        std::memcmp(&fresh.m_cShading.m_fMasterScale, &reused.m_cShading.m_fMasterScale, sizeof(float)) != 0)
        Fail("a second read leaves no side data of the first", nSize, nAgain);

    // Readers that keep no side data get the same status and arrays, and none of it.
    C3DS bare;
    bare.m_bKeepShadingData = false;
    const int nBare = bare.ReadBuffer(pData, nSize);
    if (nBare != nStatus || !SameBytes(fresh.m_aVertices, bare.m_aVertices) || !SameBytes(fresh.m_aFaces, bare.m_aFaces) ||
        !SameFaceMaterials(fresh, bare) || !SameMaterials(fresh, bare) ||
        std::memcmp(fresh.m_fMeshMatrix, bare.m_fMeshMatrix, sizeof fresh.m_fMeshMatrix) != 0 ||
        fresh.m_wContext != bare.m_wContext || bare.m_cShading.Bytes() != 0 || bare.m_cShading.m_fMasterScale != 0.0f)
        Fail("a read without side data returns the same, and holds none", nSize, nBare);
    return 0;
}
