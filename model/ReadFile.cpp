#include "C3DS.h"

#include "ChunkIds.h"
#include "ReadStatus.h"
#include "platform/CArchive.h"
#include "platform/CFile.h"
#include "platform/MessageBox.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace {

std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

float F32(const unsigned char* p)
{
    return std::bit_cast<float>(U32(p));
}

} // namespace

// The file's bytes for one ReadFile, in memory of their own. Nothing behind the walk's
// position is read again, so the filling pass gives those pages back as it goes: a large
// file is never held whole beside the whole model it becomes.
class CFileBuffer {
public:
    explicit CFileBuffer(std::size_t nSize) : m_nSize(nSize)
    {
        if (nSize == 0)
            return;
        void* p = ::mmap(nullptr, nSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        m_pData = static_cast<unsigned char*>(p);
    }
    ~CFileBuffer()
    {
        if (m_pData != nullptr)
            ::munmap(m_pData, m_nSize);
    }
    CFileBuffer(const CFileBuffer&) = delete;
    CFileBuffer& operator=(const CFileBuffer&) = delete;

    unsigned char* Data() const { return m_pData; }

    // Gives back the whole pages before pos, a megabyte or more at a time.
    void ReleaseBefore(std::size_t pos)
    {
        const std::size_t end = pos / m_nPage * m_nPage;
        if (end >= m_nReleased + (std::size_t{1} << 20)) {
            ::madvise(m_pData + m_nReleased, end - m_nReleased, MADV_DONTNEED);
            m_nReleased = end;
        }
    }

private:
    unsigned char* m_pData = nullptr;
    std::size_t m_nSize;
    std::size_t m_nReleased = 0;  // bytes from the start given back so far, whole pages
    const std::size_t m_nPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
};

namespace {

// Code returned when a recognised chunk meets the wrong container; 0 when it is accepted.
int ContextStatus(std::uint16_t wId, std::uint16_t wContext)
{
    switch (wId) {
    case CHUNK_MAT_NAME: return wContext == CHUNK_MATERIAL ? 0 : READ_MATERIAL_NAME_CONTEXT;
    case CHUNK_MAT_AMBIENT: return wContext == CHUNK_MATERIAL ? 0 : READ_AMBIENT_CONTEXT;
    case CHUNK_MAT_DIFFUSE: return wContext == CHUNK_MATERIAL ? 0 : READ_DIFFUSE_CONTEXT;
    case CHUNK_MAT_SPECULAR: return wContext == CHUNK_MATERIAL ? 0 : READ_SPECULAR_CONTEXT;
    case CHUNK_MAT_SHININESS: return wContext == CHUNK_MATERIAL ? 0 : READ_SHININESS_CONTEXT;
    case CHUNK_MAT_SHIN_STRENGTH: return wContext == CHUNK_MATERIAL ? 0 : READ_SHIN_STRENGTH_CONTEXT;
    case CHUNK_MAT_TRANSPARENCY: return wContext == CHUNK_MATERIAL ? 0 : READ_TRANSPARENCY_CONTEXT;
    case CHUNK_MAT_TRANS_FALLOFF: return wContext == CHUNK_MATERIAL ? 0 : READ_TRANS_FALLOFF_CONTEXT;
    case CHUNK_MAT_REFLECT_BLUR: return wContext == CHUNK_MATERIAL ? 0 : READ_REFLECT_BLUR_CONTEXT;
    case CHUNK_TRIANGLE_MESH: return wContext == CHUNK_NAMED_OBJECT ? 0 : READ_MESH_CONTEXT;
    case CHUNK_VERTEX_LIST: return wContext == CHUNK_TRIANGLE_MESH ? 0 : READ_VERTEX_LIST_CONTEXT;
    case CHUNK_MESH_MATRIX: return wContext == CHUNK_TRIANGLE_MESH ? 0 : READ_MESH_MATRIX_CONTEXT;
    case CHUNK_FACE_LIST: return wContext == CHUNK_TRIANGLE_MESH ? 0 : READ_FACE_LIST_CONTEXT;
    case CHUNK_FACE_MATERIAL: return wContext == CHUNK_FACE_LIST ? 0 : READ_FACE_MATERIAL_CONTEXT;
    case CHUNK_SMOOTHING_GROUPS: return wContext == CHUNK_FACE_LIST ? 0 : READ_SMOOTHING_CONTEXT;
    default: return 0;
    }
}

struct SRecordCounts {
    std::size_t nVertices = 0;
    std::size_t nFaces = 0;
    std::size_t nFaceMaterials = 0;
    std::size_t nTexCoords = 0;
    std::size_t nObjects = 0;
    std::size_t nObjectNameBytes = 0;
};

// One pass over the buffer. The counting pass (kFill false) walks exactly like the filling
// pass, so the filling pass can reserve every array once at its final size: a large file
// then costs one allocation per array and no copies while it grows.
//
// Invariant: every read is preceded by a check of the form "need > end - pos", and every
// iteration moves the position forward by at least 6 bytes or returns, so the walk
// always terminates on malformed data.
template <bool kFill>
class CChunkWalker {
public:
    CChunkWalker(C3DS& model, const unsigned char* pData, std::size_t nSize, CFileBuffer* pRelease = nullptr)
        : m_model(model), m_pData(pData), m_nSize(nSize), m_pRelease(pRelease), m_bShading(model.m_bKeepShadingData),
          m_wContext(model.m_wContext), m_wProperty(model.m_wProperty)
    {
    }

    int Run()
    {
        int nStatus = ReadLeadIn();
        if (nStatus == READ_OK)
            nStatus = Walk();
        if constexpr (kFill) {
            m_model.m_wContext = m_wContext;
            m_model.m_wProperty = m_wProperty;
        }
        return nStatus;
    }

    SRecordCounts m_counts;

private:
    // Bytes left from pos to the end of the buffer; pos never exceeds m_nSize here.
    std::size_t Left(std::size_t pos) const { return m_nSize - pos; }

    int ReadLeadIn()
    {
        const unsigned char* p = m_pData;
        const std::size_t n = m_nSize;
        if (n < 6 || U16(p) != CHUNK_MAIN)
            return READ_NO_MAIN_CHUNK;
        m_wContext = CHUNK_MAIN;
        if (n - 6 < 6 || U16(p + 6) != CHUNK_VERSION)
            return READ_NO_VERSION_CHUNK;
        m_wContext = CHUNK_VERSION;
        const std::size_t nL2 = U32(p + 8);
        const std::size_t posEditor = 6 + nL2;
        if (posEditor > n || n - posEditor < 6 || U16(p + posEditor) != CHUNK_EDITOR)
            return READ_NO_EDITOR_CHUNK;
        m_wContext = CHUNK_EDITOR;
        // Some exporters leave the mesh-version chunk out; the walk then starts right
        // where it would have stood instead of rejecting a valid file.
        m_pos = posEditor + 6;
        if (Left(m_pos) >= 6 && U16(p + m_pos) == CHUNK_MESH_VERSION)
            m_pos += U32(p + m_pos + 2);
        return READ_OK;
    }

    // Records read by count may run past their own chunk, so a crafted file can make
    // many short chunks read the same bytes again and again. No file holds more records
    // of a kind than its bytes could store one after the other; beyond that the records
    // can only be such re-reads, and the file is treated as cut short. This keeps the
    // model linear in the file's size.
    bool Exceeds(std::size_t& nTotal, std::size_t nCount, std::size_t nRecordSize) const
    {
        if (nCount > m_nSize / nRecordSize - nTotal)
            return true;
        nTotal += nCount;
        return false;
    }

    // Length of the zero-terminated string at pos, or -1 when its zero byte is missing.
    std::ptrdiff_t StringLength(std::size_t pos) const
    {
        const void* pZero = std::memchr(m_pData + pos, 0, Left(pos));
        return pZero ? static_cast<const unsigned char*>(pZero) - (m_pData + pos) : -1;
    }

    int Walk()
    {
        const unsigned char* const p = m_pData;
        while (m_pos < m_nSize) {
            const std::size_t pos = m_pos;
            if (m_pRelease != nullptr)
                m_pRelease->ReleaseBefore(pos);
            if (Left(pos) < 2)
                return READ_TRUNCATED;
            const std::uint16_t wId = U16(p + pos);
            if (int nStatus = ContextStatus(wId, m_wContext))
                return nStatus;
            if (Left(pos) < 6)
                return READ_TRUNCATED;
            const std::uint32_t nLength = U32(p + pos + 2);
            const std::size_t posData = pos + 6;
            const std::size_t nData = Left(posData);

            std::size_t posNext = 0;  // stays 0 when the chunk is skipped by its length
            switch (wId) {
            case CHUNK_COLOR_24: {
                float* pColor = m_wProperty == CHUNK_MAT_AMBIENT    ? m_pending.fAmbient
                                : m_wProperty == CHUNK_MAT_DIFFUSE  ? m_pending.fDiffuse
                                : m_wProperty == CHUNK_MAT_SPECULAR ? m_pending.fSpecular
                                                                    : nullptr;
                if (pColor) {
                    if (nData < 3)
                        return READ_TRUNCATED;
                    for (int i = 0; i < 3; ++i)
                        pColor[i] = static_cast<float>(p[posData + i] * (1.0 / 255.0));
                }
                break;
            }
            case CHUNK_PERCENT_INT: {
                std::int32_t* pPercent = m_wProperty == CHUNK_MAT_SHININESS       ? &m_pending.nShininess
                                         : m_wProperty == CHUNK_MAT_SHIN_STRENGTH ? &m_pending.nShinStrength
                                         : m_wProperty == CHUNK_MAT_TRANSPARENCY  ? &m_pending.nTransparency
                                         : m_wProperty == CHUNK_MAT_TRANS_FALLOFF ? &m_pending.nTransFalloff
                                         : m_wProperty == CHUNK_MAT_REFLECT_BLUR  ? &m_pending.nReflectBlur
                                                                                  : nullptr;
                if (pPercent) {
                    if (nData < 2)
                        return READ_TRUNCATED;
                    *pPercent = U16(p + posData);
                }
                break;
            }
            case CHUNK_AMBIENT_LIGHT:
                // Recognised as the named-object context, as files written for this reader expect.
                m_wContext = CHUNK_NAMED_OBJECT;
                break;
            case CHUNK_MATERIAL:
                m_wContext = CHUNK_MATERIAL;
                posNext = posData;
                break;
            case CHUNK_MAT_NAME: {
                const std::ptrdiff_t nName = StringLength(posData);
                if (nName < 0)
                    return READ_TRUNCATED;
                if constexpr (kFill) {
                    // Materials are appended late: the previous one goes when the next name arrives.
                    if (!m_pending.strName.empty()) {
                        m_model.m_aMaterials.push_back(m_pending);
                        if (m_bShading)
                            m_model.m_cShading.m_aMaterials.push_back(m_pendingShading);
                    }
                    // Unlike the classic fields, a texture or sidedness never passes on to
                    // the next material: a material without a map has none.
                    m_pendingShading = S3DSMaterialShading();
                    m_pending.strName =
                        CSharedString(std::string_view(reinterpret_cast<const char*>(p + posData), nName));
                }
                break;
            }
            case CHUNK_MAT_AMBIENT:
            case CHUNK_MAT_DIFFUSE:
            case CHUNK_MAT_SPECULAR:
            case CHUNK_MAT_SHININESS:
            case CHUNK_MAT_SHIN_STRENGTH:
            case CHUNK_MAT_TRANSPARENCY:
            case CHUNK_MAT_TRANS_FALLOFF:
            case CHUNK_MAT_REFLECT_BLUR:
                m_wProperty = wId;
                posNext = posData;
                break;
            case CHUNK_NAMED_OBJECT: {
                const std::ptrdiff_t nName = StringLength(posData);
                if (nName < 0)
                    return READ_TRUNCATED;
                m_wContext = CHUNK_NAMED_OBJECT;
                if constexpr (kFill) {
                    if (m_nObject == 0) {
                        m_model.m_aMaterials.push_back(m_pending);
                        if (m_bShading)
                            m_model.m_cShading.m_aMaterials.push_back(m_pendingShading);
                    }
                }
                if (m_bShading)
                    KeepObjectName(posData, static_cast<std::size_t>(nName));
                ++m_nObject;
                posNext = posData + static_cast<std::size_t>(nName) + 1;
                break;
            }
            case CHUNK_TRIANGLE_MESH:
                m_wContext = CHUNK_TRIANGLE_MESH;
                posNext = posData;
                break;
            case CHUNK_VERTEX_LIST: {
                if (nData < 2)
                    return READ_TRUNCATED;
                const std::size_t nCount = U16(p + posData);
                if (nCount * 12 > nData - 2 || Exceeds(m_nVertices, nCount, 12))
                    return READ_TRUNCATED;
                AppendVertices(p + posData + 2, nCount);
                break;
            }
            case CHUNK_MESH_MATRIX:
                if (nData < 48)
                    return READ_TRUNCATED;
                if constexpr (kFill) {
                    for (int i = 0; i < 12; ++i)
                        m_model.m_fMeshMatrix[i] = F32(p + posData + 4 * i);
                }
                break;
            case CHUNK_FACE_LIST: {
                if (nData < 2)
                    return READ_TRUNCATED;
                const std::size_t nCount = U16(p + posData);
                if (nCount * 8 > nData - 2 || Exceeds(m_nFaces, nCount, 8))
                    return READ_TRUNCATED;
                m_wContext = CHUNK_FACE_LIST;
                m_nFaceListStart = m_nFaces - nCount;
                m_nFaceListCount = nCount;
                AppendFaces(p + posData + 2, nCount);
                posNext = posData + 2 + nCount * 8;
                break;
            }
            case CHUNK_FACE_MATERIAL: {
                const std::ptrdiff_t nName = StringLength(posData);
                if (nName < 0)
                    return READ_TRUNCATED;
                const std::size_t posCount = posData + static_cast<std::size_t>(nName) + 1;
                if (Left(posCount) < 2)
                    return READ_TRUNCATED;
                const std::size_t nCount = U16(p + posCount);
                if (nCount * 2 > Left(posCount) - 2 || Exceeds(m_nFaceMaterials, nCount, 2))
                    return READ_TRUNCATED;
                AppendFaceMaterials(std::string_view(reinterpret_cast<const char*>(p + posData), nName),
                                    p + posCount + 2, nCount);
                break;
            }
            // The side data's chunks are skipped whole like any other; what full shading
            // needs is read out of them without touching the walk, and a malformed one is
            // simply left out.
            case CHUNK_MAPPING:
                if (m_bShading)
                    ReadMapping(pos, nLength);
                break;
            case CHUNK_SMOOTHING_GROUPS:
                if (m_bShading)
                    ReadSmoothing(pos, nLength);
                break;
            case CHUNK_MAT_TEXTURE_1:
                if (m_bShading)
                    ReadTextureMap(pos, nLength);
                break;
            case CHUNK_MASTER_SCALE:
                if (m_bShading)
                    ReadMasterScale(pos, nLength);
                break;
            case CHUNK_MAT_TWO_SIDED:
                if (m_bShading && m_wContext == CHUNK_MATERIAL)
                    m_pendingShading.bTwoSided = true;
                break;
            default:
                // 0xB000, 0x0002, 0x3D3E and every unknown id: skipped whole.
                break;
            }

            if (posNext == 0) {
                if (nLength < 6)
                    return READ_BAD_CHUNK_LENGTH;
                // May step past the end: that simply ends the walk.
                m_pos = pos + nLength;
            } else {
                m_pos = posNext;
            }
        }
        return READ_OK;
    }

    // End of the bytes a skipped chunk may read for the side data: its own length, cut at
    // the end of the file. Side data never reads past its own chunk, so unlike the classic
    // records it cannot re-read bytes, and stays linear in the file's size on its own.
    std::size_t SideEnd(std::size_t pos, std::uint32_t nLength) const
    {
        return nLength > Left(pos) ? m_nSize : pos + nLength;
    }

    void ReadMapping(std::size_t pos, std::uint32_t nLength)
    {
        // Only inside a mesh, and only the first per object: a second list of one object
        // has no vertices of its own to belong to.
        if (nLength < 8 || m_nObject == 0 || m_nObject == m_nMappedObject ||
            (m_wContext != CHUNK_TRIANGLE_MESH && m_wContext != CHUNK_FACE_LIST))
            return;
        const std::size_t end = SideEnd(pos, nLength);
        if (end - pos < 8)
            return;
        const std::size_t nCount = U16(m_pData + pos + 6);
        if (nCount * 8 > end - (pos + 8))
            return;
        m_nMappedObject = m_nObject;
        if constexpr (kFill) {
            CShadingData& cShading = m_model.m_cShading;
            cShading.m_aObjectMappings.push_back(S3DSObjectMapping{static_cast<std::int32_t>(m_nObject),
                                                                   static_cast<std::uint32_t>(cShading.m_aTexCoords.size()),
                                                                   static_cast<std::uint32_t>(nCount)});
            const unsigned char* pRecord = m_pData + pos + 8;
            for (std::size_t i = 0; i < nCount; ++i, pRecord += 8)
                cShading.m_aTexCoords.push_back(S3DSTexCoord{F32(pRecord), F32(pRecord + 4)});
        } else {
            m_counts.nTexCoords += nCount;
        }
    }

    // The name was bounded by the walk itself (its zero byte lies inside the buffer), and the
    // walk enters the object behind it, so no two names share a byte: all of them together
    // are never longer than the file.
    void KeepObjectName(std::size_t posName, std::size_t nName)
    {
        if constexpr (kFill) {
            CShadingData& cShading = m_model.m_cShading;
            cShading.m_strObjectNames.append(reinterpret_cast<const char*>(m_pData + posName), nName);
            cShading.m_aObjectNameEnds.push_back(cShading.m_strObjectNames.size());
        } else {
            ++m_counts.nObjects;
            m_counts.nObjectNameBytes += nName;
        }
    }

    // A file holds one; of several, the last decides, as assimp reads them. A value no
    // scale can have (zero, negative, NaN, infinite) or a chunk too short for one leaves
    // the file without a master scale.
    void ReadMasterScale(std::size_t pos, std::uint32_t nLength)
    {
        if constexpr (kFill) {
            float fScale = 0.0f;
            if (nLength >= 10 && SideEnd(pos, nLength) - pos >= 10)
                fScale = F32(m_pData + pos + 6);
            m_model.m_cShading.m_fMasterScale = std::isfinite(fScale) && fScale > 0.0f ? fScale : 0.0f;
        }
    }

    // The walk only gets here inside a face list (the context check came first), so the
    // masks belong to the faces of the last face list read.
    void ReadSmoothing(std::size_t pos, std::uint32_t nLength)
    {
        if constexpr (kFill) {
            if (nLength < 6)
                return;
            const std::size_t end = SideEnd(pos, nLength);
            if (m_nFaceListCount * 4 > end - (pos + 6))
                return;
            std::vector<std::uint32_t>& a = m_model.m_cShading.m_aSmoothing;
            if (a.empty())
                a.reserve(m_model.m_aFaces.capacity());  // the final face count, from the counting pass
            if (a.size() < m_nFaceListStart + m_nFaceListCount)
                a.resize(m_nFaceListStart + m_nFaceListCount, 0);
            const unsigned char* pMask = m_pData + pos + 6;
            for (std::size_t i = 0; i < m_nFaceListCount; ++i, pMask += 4)
                a[m_nFaceListStart + i] = U32(pMask);
        }
    }

    // Texture map 1 of the pending material. Its children are walked within its own length;
    // any child that is cut short or runs past the map drops the whole map.
    void ReadTextureMap(std::size_t pos, std::uint32_t nLength)
    {
        if constexpr (kFill) {
            if (nLength < 6 || m_wContext != CHUNK_MATERIAL)
                return;
            const std::size_t end = SideEnd(pos, nLength);
            S3DSTextureMap cMap;
            std::string_view svFile;
            for (std::size_t q = pos + 6; q < end;) {
                if (end - q < 6)
                    return;
                const std::uint16_t wId = U16(m_pData + q);
                const std::uint32_t nChild = U32(m_pData + q + 2);
                if (nChild < 6 || nChild > end - q)
                    return;
                const unsigned char* pData = m_pData + q + 6;
                const std::size_t nData = nChild - 6;
                switch (wId) {
                case CHUNK_MAP_FILE: {
                    const void* pZero = std::memchr(pData, 0, nData);
                    if (!pZero)
                        return;
                    svFile = std::string_view(reinterpret_cast<const char*>(pData),
                                              static_cast<const unsigned char*>(pZero) - pData);
                    break;
                }
                case CHUNK_PERCENT_INT:
                case CHUNK_MAP_TILING:
                    if (nData < 2)
                        return;
                    if (wId == CHUNK_MAP_TILING)
                        cMap.wTiling = U16(pData);
                    else
                        cMap.fPercent = static_cast<float>(U16(pData));
                    break;
                case CHUNK_PERCENT_FLOAT:
                case CHUNK_MAP_U_SCALE:
                case CHUNK_MAP_V_SCALE:
                case CHUNK_MAP_U_OFFSET:
                case CHUNK_MAP_V_OFFSET:
                case CHUNK_MAP_ROTATION: {
                    if (nData < 4)
                        return;
                    // Whatever is stored, NaN and infinity included, is kept as stored:
                    // MapTexCoord and the materials decide what a value means.
                    float* pField = wId == CHUNK_PERCENT_FLOAT  ? &cMap.fPercent
                                    : wId == CHUNK_MAP_U_SCALE  ? &cMap.fUScale
                                    : wId == CHUNK_MAP_V_SCALE  ? &cMap.fVScale
                                    : wId == CHUNK_MAP_U_OFFSET ? &cMap.fUOffset
                                    : wId == CHUNK_MAP_V_OFFSET ? &cMap.fVOffset
                                                                : &cMap.fRotation;
                    *pField = F32(pData);
                    break;
                }
                default:
                    break;
                }
                q += nChild;
            }
            if (svFile.empty())
                return;
            cMap.strFile = CSharedString(svFile);
            m_pendingShading.bTextured = true;
            m_pendingShading.cTexture = std::move(cMap);
        }
    }

    void AppendVertices(const unsigned char* pRecords, std::size_t nCount)
    {
        if constexpr (kFill) {
            const auto nObject = static_cast<std::int32_t>(m_nObject);
            auto& a = m_model.m_aVertices;
            for (std::size_t i = 0; i < nCount; ++i, pRecords += 12)
                a.push_back(S3DSVertex{nObject, F32(pRecords), F32(pRecords + 4), F32(pRecords + 8)});
        } else {
            m_counts.nVertices += nCount;
        }
    }

    void AppendFaces(const unsigned char* pRecords, std::size_t nCount)
    {
        if constexpr (kFill) {
            const auto nObject = static_cast<std::int32_t>(m_nObject);
            auto& a = m_model.m_aFaces;
            for (std::size_t i = 0; i < nCount; ++i, pRecords += 8)
                a.push_back(S3DSFace{nObject, U16(pRecords), U16(pRecords + 2), U16(pRecords + 4), U16(pRecords + 6)});
        } else {
            m_counts.nFaces += nCount;
        }
    }

    void AppendFaceMaterials(std::string_view svName, const unsigned char* pIndices, std::size_t nCount)
    {
        if constexpr (kFill) {
            const CSharedString strName(svName);
            const auto wObject = static_cast<std::uint16_t>(m_nObject);
            auto& a = m_model.m_aFaceMaterials;
            for (std::size_t i = 0; i < nCount; ++i, pIndices += 2)
                a.push_back(S3DSFaceMaterial{wObject, U16(pIndices), strName});
        } else {
            m_counts.nFaceMaterials += nCount;
        }
    }

    C3DS& m_model;
    const unsigned char* const m_pData;
    const std::size_t m_nSize;
    CFileBuffer* const m_pRelease;  // holds pData when the bytes behind the walk may be given back
    const bool m_bShading;  // side data is read and kept; off, its chunks are only skipped
    std::size_t m_pos = 0;
    std::uint16_t m_wContext;
    std::uint16_t m_wProperty;
    std::int64_t m_nObject = 0;  // named objects met so far; the current object's number
    std::size_t m_nVertices = 0, m_nFaces = 0, m_nFaceMaterials = 0;  // records read so far
    S3DSMaterial m_pending;      // not cleared between materials, by design
    S3DSMaterialShading m_pendingShading;  // goes with m_pending; cleared at every material name
    std::int64_t m_nMappedObject = 0;      // object whose mapping coordinates were read last
    std::size_t m_nFaceListStart = 0, m_nFaceListCount = 0;  // faces of the last face list read
};

} // namespace

int C3DS::ReadFile(std::string strPath)
{
    CFile fileOwn;  // closed by its destructor on every path, exceptions included
    CFile* pFile = nullptr;
    if (!strPath.empty()) {
        if (!fileOwn.Open(strPath, CFile::modeRead | CFile::shareDenyWrite)) {
            MessageBox(nullptr, "Can not open file \"" + strPath + "\"", "Error", MB_OK);
            return READ_CANNOT_OPEN;
        }
        pFile = &fileOwn;
    } else {
        if (m_pArchive == nullptr || m_pArchive->GetFile() == nullptr || !m_pArchive->GetFile()->IsOpen())
            return READ_CANNOT_OPEN;
        pFile = m_pArchive->GetFile();
    }

    Reset();
    const std::uint64_t nLength = pFile->GetLength();
    if (nLength > PTRDIFF_MAX)
        return READ_SHORT;
    const auto nSize = static_cast<std::size_t>(nLength);
    CFileBuffer buffer(nSize);
    if (pFile->Read(buffer.Data(), nSize) != nSize)
        return READ_SHORT;
    return ReadBuffer(buffer.Data(), nSize, &buffer);
}

int C3DS::ReadBuffer(const unsigned char* pData, std::size_t nSize)
{
    return ReadBuffer(pData, nSize, nullptr);
}

int C3DS::ReadBuffer(const unsigned char* pData, std::size_t nSize, CFileBuffer* pRelease)
{
    Reset();

    // No advice on the fresh pages: asking for huge pages makes each fault compact memory
    // synchronously wherever the kernel defragments only on request (Debian's default), and
    // on a machine whose memory another program has just freed that costs ten times the read.
    CChunkWalker<false> counter(*this, pData, nSize);
    counter.Run();
    m_aVertices.reserve(counter.m_counts.nVertices);
    m_aFaces.reserve(counter.m_counts.nFaces);
    m_aFaceMaterials.reserve(counter.m_counts.nFaceMaterials);
    m_cShading.m_aTexCoords.reserve(counter.m_counts.nTexCoords);
    m_cShading.m_aObjectNameEnds.reserve(counter.m_counts.nObjects);
    m_cShading.m_strObjectNames.reserve(counter.m_counts.nObjectNameBytes);

    CChunkWalker<true> walker(*this, pData, nSize, pRelease);
    const int nStatus = walker.Run();
    // Faces of face lists without masks (and those behind the last one) stay faceted.
    if (!m_cShading.m_aSmoothing.empty())
        m_cShading.m_aSmoothing.resize(m_aFaces.size(), 0);
    if (nStatus != READ_OK)
        return nStatus;  // the partial model stays unshifted

    const float fOriginX = m_fMeshMatrix[9], fOriginY = m_fMeshMatrix[10], fOriginZ = m_fMeshMatrix[11];
    for (S3DSVertex& v : m_aVertices) {
        v.x -= fOriginX;
        v.y -= fOriginY;
        v.z -= fOriginZ;
    }
    return READ_OK;
}
