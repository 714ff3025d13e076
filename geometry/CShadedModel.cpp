#include "CShadedModel.h"

#include "FitScale.h"
#include "VectorMath.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace {

constexpr std::uint32_t kNoVertex = std::numeric_limits<std::uint32_t>::max();

bool HasBufferObjects()
{
    const auto* psz = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int nMajor = 0, nMinor = 0;
    if (!psz || std::sscanf(psz, "%d.%d", &nMajor, &nMinor) != 2)
        return false;
    return nMajor > 1 || (nMajor == 1 && nMinor >= 5);
}

float Fraction(std::int32_t nPercent)
{
    return static_cast<float>(std::clamp(nPercent, 0, 100)) / 100.0f;
}

// acos within 2e-8 radians (Abramowitz and Stegun 4.4.46) at a fraction of the library's
// cost, which would otherwise be half of building a large model.
double WeightAcos(double x)
{
    const double a = std::fabs(x);
    const double p = 1.5707963050 +
                     a * (-0.2145988016 +
                          a * (0.0889789874 +
                               a * (-0.0501743046 +
                                    a * (0.0308918810 + a * (-0.0170881256 + a * (0.0066700901 - 0.0012624911 * a))))));
    const double r = std::sqrt(1.0 - a) * p;
    return x < 0.0 ? 3.14159265358979 - r : r;
}

// The angle of triangle (a, b, c) at a, the weight of its normal at that corner: a vertex
// then gets the same normal however finely the faces around it are split.
double CornerAngle(const S3DSVertex& a, const S3DSVertex& b, const S3DSVertex& c)
{
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    const double dLengths = std::sqrt((ux * ux + uy * uy + uz * uz) * (vx * vx + vy * vy + vz * vz));
    if (!(dLengths > 0.0))
        return 0.0;
    return WeightAcos(std::clamp((ux * vx + uy * vy + uz * vz) / dLengths, -1.0, 1.0));
}

} // namespace

void CShadedModel::Build(const C3DS& model)
{
    ForgetContext();
    m_aPositions.clear();
    m_aNormals.clear();
    m_aTexCoords.clear();
    m_aBatches.clear();
    m_aMaterials.clear();
    m_aTextures.clear();
    m_bBuilt = true;
    m_bEmpty = model.m_aVertices.empty() || model.m_aFaces.empty();
    if (m_bEmpty)
        return;
    m_dFitScale = FitScale(model.m_aVertices);

    const std::vector<S3DSVertex>& aVertices = model.m_aVertices;
    const std::vector<S3DSFace>& aFaces = model.m_aFaces;
    const CShadingData& cShading = model.m_cShading;
    const std::size_t nFaces = aFaces.size();

    // Materials as lighting expects them. 3D Studio's shininess and its strength are
    // percentages: the exponent spans GL's 0..128 and the strength scales the highlight.
    const std::size_t nMaterials = model.m_aMaterials.size();
    m_aMaterials.reserve(nMaterials + 1);
    for (std::size_t k = 0; k < nMaterials; ++k) {
        const S3DSMaterial& m = model.m_aMaterials[k];
        const S3DSMaterialShading* pSide = k < cShading.m_aMaterials.size() ? &cShading.m_aMaterials[k] : nullptr;
        SMaterial s{};
        const float fAlpha = 1.0f - Fraction(m.nTransparency);
        const float fStrength = Fraction(m.nShinStrength);
        for (int i = 0; i < 3; ++i) {
            s.fAmbient[i] = m.fAmbient[i];
            s.fDiffuse[i] = m.fDiffuse[i];
            s.fSpecular[i] = m.fSpecular[i] * fStrength;
        }
        s.fAmbient[3] = s.fDiffuse[3] = s.fSpecular[3] = fAlpha;
        s.fShininess = Fraction(m.nShininess) * 128.0f;
        s.bTwoSided = pSide && pSide->bTwoSided;
        s.bTextured = pSide && pSide->bTextured;
        if (s.bTextured)
            s.cTexture = pSide->cTexture;
        m_aMaterials.push_back(s);
    }
    // Faces no group lists: GL's own default material, the same for every model.
    m_aMaterials.push_back(SMaterial{{0.2f, 0.2f, 0.2f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f},
                                     0.0f, false, false, {}});
    m_aTextures.assign(nMaterials, STexture{});

    // Objects: the first vertex of each (the first of several runs of one number, as a
    // forward search from the start finds it), and the first face and face count, since
    // face-material groups count the faces of their own object.
    struct SObject {
        std::size_t nFirstVertex = 0;
        bool bHasVertex = false;
        std::size_t nFirstFace = 0, nFaces = 0;
        const S3DSObjectMapping* pMapping = nullptr;
    };
    std::unordered_map<std::int32_t, SObject> mapObjects;
    for (std::size_t k = 0; k < aVertices.size(); ++k) {
        if (k == 0 || aVertices[k].nObject != aVertices[k - 1].nObject) {
            SObject& o = mapObjects[aVertices[k].nObject];
            if (!o.bHasVertex) {
                o.bHasVertex = true;
                o.nFirstVertex = k;
            }
        }
    }
    std::unordered_map<std::uint16_t, SObject*> mapGroupObjects;  // by the low 16 bits groups store
    for (std::size_t i = 0; i < nFaces;) {
        std::size_t j = i;
        while (j < nFaces && aFaces[j].nObject == aFaces[i].nObject)
            ++j;
        SObject& o = mapObjects[aFaces[i].nObject];
        if (o.nFaces == 0) {
            o.nFirstFace = i;
            o.nFaces = j - i;
            mapGroupObjects.try_emplace(static_cast<std::uint16_t>(aFaces[i].nObject), &o);
        }
        i = j;
    }
    for (const S3DSObjectMapping& m : cShading.m_aObjectMappings) {
        const auto it = mapObjects.find(m.nObject);
        if (it != mapObjects.end() && std::size_t{m.nFirst} + m.nCount <= cShading.m_aTexCoords.size())
            it->second.pMapping = &m;
    }

    // Every face in the material of the last group that lists it. Names are matched as the
    // classic drawing matches them (exact, the first of several materials of one name), and
    // a group whose name matches none is passed over as the classic search passes over it.
    const auto nDefault = static_cast<std::int32_t>(nMaterials);
    std::vector<std::int32_t> aFaceMaterial(nFaces, nDefault);
    {
        std::unordered_map<std::string_view, std::int32_t> mapNames;
        for (std::size_t k = 0; k < nMaterials; ++k)
            mapNames.try_emplace(model.m_aMaterials[k].strName.view(), static_cast<std::int32_t>(k));
        // Entries come in runs of one group: name and object are looked up once a run.
        const CSharedString* pLastName = nullptr;
        std::int32_t nLast = -1;
        const SObject* pLastObject = nullptr;
        std::uint32_t nLastObject = 0x10000;  // no 16-bit number
        for (const S3DSFaceMaterial& e : model.m_aFaceMaterials) {
            if (!pLastName || !(e.strMaterial == *pLastName)) {
                const auto it = mapNames.find(e.strMaterial.view());
                nLast = it == mapNames.end() ? -1 : it->second;
                pLastName = &e.strMaterial;
            }
            if (e.wObject != nLastObject) {
                const auto itObject = mapGroupObjects.find(e.wObject);
                pLastObject = itObject == mapGroupObjects.end() ? nullptr : itObject->second;
                nLastObject = e.wObject;
            }
            if (nLast < 0 || pLastObject == nullptr || e.wFace >= pLastObject->nFaces)
                continue;
            aFaceMaterial[pLastObject->nFirstFace + e.wFace] = nLast;
        }
    }

    // Corners as positions in the vertex array. A face that reaches outside it is left out,
    // as DrawModel leaves it out.
    std::vector<std::uint32_t> aCorners(nFaces * 3, kNoVertex);
    {
        std::int32_t nObject = 0;
        const SObject* pObject = nullptr;
        for (std::size_t i = 0; i < nFaces; ++i) {
            const S3DSFace& f = aFaces[i];
            if (!pObject || f.nObject != nObject) {
                nObject = f.nObject;
                pObject = &mapObjects[nObject];
            }
            if (!pObject->bHasVertex)
                continue;
            const std::size_t nAvailable = aVertices.size() - pObject->nFirstVertex;
            if (f.a >= nAvailable || f.b >= nAvailable || f.c >= nAvailable)
                continue;
            aCorners[3 * i] = static_cast<std::uint32_t>(pObject->nFirstVertex + f.a);
            aCorners[3 * i + 1] = static_cast<std::uint32_t>(pObject->nFirstVertex + f.b);
            aCorners[3 * i + 2] = static_cast<std::uint32_t>(pObject->nFirstVertex + f.c);
        }
    }

    // Face normals as DrawModel computes them, and for smoothed faces the angle at each corner.
    const bool bSmoothing = cShading.m_aSmoothing.size() == nFaces;
    auto maskOf = [&](std::size_t i) { return bSmoothing ? cShading.m_aSmoothing[i] : 0u; };
    std::vector<float> aFaceNormals(nFaces * 3, 0.0f);
    std::vector<float> aAngles(bSmoothing ? nFaces * 3 : 0, 0.0f);
    for (std::size_t i = 0; i < nFaces; ++i) {
        if (aCorners[3 * i] == kNoVertex)
            continue;
        const S3DSVertex& a = aVertices[aCorners[3 * i]];
        const S3DSVertex& b = aVertices[aCorners[3 * i + 1]];
        const S3DSVertex& c = aVertices[aCorners[3 * i + 2]];
        SVector3d n;
        CalcFaceNormal(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z, &n);
        aFaceNormals[3 * i] = static_cast<float>(n.x);
        aFaceNormals[3 * i + 1] = static_cast<float>(n.y);
        aFaceNormals[3 * i + 2] = static_cast<float>(n.z);
        if (maskOf(i) != 0) {
            // A triangle's angles add up to half a turn: two of them give the third, unless
            // the triangle is degenerate and the sum tells nothing.
            const double dA = CornerAngle(a, b, c), dB = CornerAngle(b, c, a);
            const double dC = dA > 0.0 && dB > 0.0 ? std::max(0.0, 3.14159265358979 - dA - dB) : CornerAngle(c, a, b);
            aAngles[3 * i] = static_cast<float>(dA);
            aAngles[3 * i + 1] = static_cast<float>(dB);
            aAngles[3 * i + 2] = static_cast<float>(dC);
        }
    }

    // Smoothed faces around each vertex (corner ids 3 * face + k, grouped by vertex). Where
    // every such face has the same mask, as in most files, the vertex has one sum for all.
    std::vector<std::uint32_t> aStart, aIncident;
    std::vector<float> aVertexSum;
    std::vector<std::uint8_t> aUniform;
    if (bSmoothing && nFaces * 3 < kNoVertex) {
        aStart.assign(aVertices.size() + 1, 0);
        for (std::size_t i = 0; i < nFaces; ++i) {
            if (maskOf(i) != 0 && aCorners[3 * i] != kNoVertex)
                for (int k = 0; k < 3; ++k)
                    ++aStart[aCorners[3 * i + k] + 1];
        }
        for (std::size_t v = 0; v < aVertices.size(); ++v)
            aStart[v + 1] += aStart[v];
        aIncident.resize(aStart.back());
        std::vector<std::uint32_t> aNext(aStart.begin(), aStart.end() - 1);
        for (std::size_t i = 0; i < nFaces; ++i) {
            if (maskOf(i) != 0 && aCorners[3 * i] != kNoVertex)
                for (std::uint32_t k = 0; k < 3; ++k)
                    aIncident[aNext[aCorners[3 * i + k]]++] = static_cast<std::uint32_t>(3 * i + k);
        }
        aVertexSum.assign(aVertices.size() * 3, 0.0f);
        aUniform.assign(aVertices.size(), 1);
        for (std::size_t v = 0; v < aVertices.size(); ++v) {
            if (aStart[v] == aStart[v + 1])
                continue;
            const std::uint32_t nMask = maskOf(aIncident[aStart[v]] / 3);
            for (std::uint32_t k = aStart[v]; k < aStart[v + 1]; ++k) {
                const std::uint32_t nCorner = aIncident[k], nFace = nCorner / 3;
                if (maskOf(nFace) != nMask)
                    aUniform[v] = 0;
                for (int d = 0; d < 3; ++d)
                    aVertexSum[3 * v + d] += aAngles[nCorner] * aFaceNormals[3 * nFace + d];
            }
        }
    }
    auto cornerNormal = [&](std::size_t i, int k, float* pOut) {
        const float* pFace = &aFaceNormals[3 * i];
        const std::uint32_t nMask = maskOf(i);
        const std::uint32_t v = aCorners[3 * i + static_cast<std::size_t>(k)];
        float n[3] = {0.0f, 0.0f, 0.0f};
        if (nMask != 0 && !aStart.empty()) {
            if (aUniform[v]) {
                for (int d = 0; d < 3; ++d)
                    n[d] = aVertexSum[3 * v + d];
            } else {
                for (std::uint32_t j = aStart[v]; j < aStart[v + 1]; ++j) {
                    const std::uint32_t nCorner = aIncident[j], nFace = nCorner / 3;
                    if ((maskOf(nFace) & nMask) == 0)
                        continue;
                    for (int d = 0; d < 3; ++d)
                        n[d] += aAngles[nCorner] * aFaceNormals[3 * nFace + d];
                }
            }
            const float fLength = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (fLength > 0.0f) {
                for (int d = 0; d < 3; ++d)
                    pOut[d] = n[d] / fLength;
                return;
            }
        }
        // Group 0, no smoothing data, or normals that cancel out: the face's own.
        pOut[0] = pFace[0];
        pOut[1] = pFace[1];
        pOut[2] = pFace[2];
    };

    // Faces sorted by material, stable, so a frame is one draw call per material. Textured
    // materials come first: their vertices are then a prefix of the arrays, and mapping
    // coordinates are kept for that prefix only, at the same positions.
    const bool bMappings = !cShading.m_aObjectMappings.empty();
    std::vector<std::size_t> aMaterialOrder;  // bucket -> material, the default one last
    aMaterialOrder.reserve(nMaterials + 1);
    for (bool bTextured : {true, false})
        for (std::size_t k = 0; k < nMaterials; ++k)
            if ((bMappings && m_aMaterials[k].bTextured) == bTextured)
                aMaterialOrder.push_back(k);
    aMaterialOrder.push_back(nMaterials);
    std::vector<std::size_t> aBucketOf(nMaterials + 1);
    for (std::size_t b = 0; b <= nMaterials; ++b)
        aBucketOf[aMaterialOrder[b]] = b;

    std::vector<std::uint32_t> aBucketStart(nMaterials + 2, 0);
    std::size_t nDrawn = 0;
    for (std::size_t i = 0; i < nFaces; ++i) {
        if (aCorners[3 * i] != kNoVertex) {
            ++aBucketStart[aBucketOf[static_cast<std::size_t>(aFaceMaterial[i])] + 1];
            ++nDrawn;
        }
    }
    for (std::size_t b = 0; b <= nMaterials; ++b)
        aBucketStart[b + 1] += aBucketStart[b];
    std::vector<std::uint32_t> aOrder(nDrawn);
    {
        std::vector<std::uint32_t> aNext(aBucketStart.begin(), aBucketStart.end() - 1);
        for (std::size_t i = 0; i < nFaces; ++i)
            if (aCorners[3 * i] != kNoVertex)
                aOrder[aNext[aBucketOf[static_cast<std::size_t>(aFaceMaterial[i])]]++] = static_cast<std::uint32_t>(i);
    }

    std::size_t nMappedFaces = 0;
    for (std::size_t b = 0; b < nMaterials && bMappings && m_aMaterials[aMaterialOrder[b]].bTextured; ++b)
        nMappedFaces = aBucketStart[b + 1];

    m_aPositions.resize(nDrawn * 9);
    m_aNormals.resize(nDrawn * 9);
    m_aTexCoords.assign(nMappedFaces * 6, 0.0f);
    const SObject* pObject = nullptr;
    std::int32_t nObject = 0;
    for (std::size_t b = 0; b <= nMaterials; ++b) {
        const std::size_t k = aMaterialOrder[b];
        const std::uint32_t nBegin = aBucketStart[b], nEnd = aBucketStart[b + 1];
        if (nBegin == nEnd)
            continue;
        m_aBatches.push_back(SBatch{k == nMaterials ? -1 : static_cast<std::int32_t>(k), nBegin * 3, (nEnd - nBegin) * 3});
        const SMaterial& m = m_aMaterials[k];
        const bool bMapped = nEnd <= nMappedFaces;
        for (std::uint32_t t = nBegin; t < nEnd; ++t) {
            const std::uint32_t i = aOrder[t];
            const std::size_t nOut = std::size_t{t} * 3;
            const S3DSFace& f = aFaces[i];
            const std::uint16_t aLocal[3] = {f.a, f.b, f.c};
            if (bMapped && (!pObject || f.nObject != nObject)) {
                nObject = f.nObject;
                pObject = &mapObjects[nObject];
            }
            for (int c = 0; c < 3; ++c) {
                const S3DSVertex& v = aVertices[aCorners[3 * i + static_cast<std::size_t>(c)]];
                float* pPosition = &m_aPositions[3 * (nOut + static_cast<std::size_t>(c))];
                pPosition[0] = v.x;
                pPosition[1] = v.y;
                pPosition[2] = v.z;
                cornerNormal(i, c, &m_aNormals[3 * (nOut + static_cast<std::size_t>(c))]);
                if (bMapped && pObject->pMapping && aLocal[c] < pObject->pMapping->nCount) {
                    const S3DSTexCoord& uv = cShading.m_aTexCoords[pObject->pMapping->nFirst + aLocal[c]];
                    float* pUV = &m_aTexCoords[2 * (nOut + static_cast<std::size_t>(c))];
                    pUV[0] = uv.u * m.cTexture.fUScale + m.cTexture.fUOffset;
                    pUV[1] = uv.v * m.cTexture.fVScale + m.cTexture.fVOffset;
                }
            }
        }
    }
}

std::size_t CShadedModel::Bytes() const
{
    return (m_aPositions.capacity() + m_aNormals.capacity() + m_aTexCoords.capacity() +
            m_aScaledPositions.capacity()) * sizeof(float) +
           m_aBatches.capacity() * sizeof(SBatch) + m_aMaterials.capacity() * sizeof(SMaterial) +
           m_aTextures.capacity() * sizeof(STexture);
}

const CShadedModel::SMaterial& CShadedModel::MaterialOf(const SBatch& batch) const
{
    return batch.nMaterial < 0 ? m_aMaterials.back() : m_aMaterials[static_cast<std::size_t>(batch.nMaterial)];
}

void CShadedModel::ForgetContext()
{
    m_bContextReady = false;
    m_nBuffer = 0;
    m_nBufferSize = 0;
    std::vector<float>().swap(m_aScaledPositions);
    for (STexture& t : m_aTextures)
        t = STexture{};
}

void CShadedModel::ReleaseContext()
{
    if (m_nBuffer != 0) {
        const GLuint nBuffer = m_nBuffer;
        glDeleteBuffers(1, &nBuffer);
    }
    ForgetContext();
}

// Positions scaled exactly as DrawModel scales them, into the buffer or the client array.
// In object mode the scale never changes; walk mode's zoom keys cost one upload each.
void CShadedModel::UploadPositions(double dScale)
{
    const std::size_t nFloats = m_aPositions.size();
    if (!m_bBufferObject) {
        m_aScaledPositions.resize(nFloats);
        for (std::size_t k = 0; k < nFloats; ++k)
            m_aScaledPositions[k] = Scaled(m_aPositions[k], dScale);
    } else {
        // In slices, so the scaled copy never needs the whole array's memory at once.
        constexpr std::size_t kSlice = 3 * 65536;
        std::vector<float> aSlice(std::min(nFloats, kSlice));
        for (std::size_t k = 0; k < nFloats; k += kSlice) {
            const std::size_t n = std::min(kSlice, nFloats - k);
            for (std::size_t j = 0; j < n; ++j)
                aSlice[j] = Scaled(m_aPositions[k + j], dScale);
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(k * sizeof(float)),
                            static_cast<GLsizeiptr>(n * sizeof(float)), aSlice.data());
        }
    }
    m_dUploadedScale = dScale;
}

// Called with GL_ARRAY_BUFFER free to change (the caller restores it). Returns false when
// there is nothing to draw from.
bool CShadedModel::PrepareContext(double dScale)
{
    // A context replaced without ForgetContext() would leave a name that means nothing
    // there, or another buffer's: check that ours is still ours before drawing from it.
    if (m_bContextReady && m_bBufferObject) {
        GLint nSize = 0;
        if (glIsBuffer(m_nBuffer)) {
            glBindBuffer(GL_ARRAY_BUFFER, m_nBuffer);
            glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &nSize);
        }
        if (static_cast<std::size_t>(nSize) != m_nBufferSize)
            ForgetContext();
    }
    if (!m_bContextReady) {
        m_bBufferObject = HasBufferObjects();
        if (m_bBufferObject) {
            const std::size_t nBytes =
                (m_aPositions.size() + m_aNormals.size() + m_aTexCoords.size()) * sizeof(float);
            GLuint nBuffer = 0;
            glGenBuffers(1, &nBuffer);
            glBindBuffer(GL_ARRAY_BUFFER, nBuffer);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(nBytes), nullptr, GL_STATIC_DRAW);
            if (glGetError() == GL_OUT_OF_MEMORY) {
                // Too large for the driver's memory: client arrays need none of their own.
                glBindBuffer(GL_ARRAY_BUFFER, 0);
                glDeleteBuffers(1, &nBuffer);
                m_bBufferObject = false;
            } else {
                m_nBuffer = nBuffer;
                m_nBufferSize = nBytes;
                const std::size_t nPositions = m_aPositions.size() * sizeof(float);
                const std::size_t nNormals = m_aNormals.size() * sizeof(float);
                glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(nPositions),
                                static_cast<GLsizeiptr>(nNormals), m_aNormals.data());
                if (!m_aTexCoords.empty())
                    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(nPositions + nNormals),
                                    static_cast<GLsizeiptr>(m_aTexCoords.size() * sizeof(float)), m_aTexCoords.data());
            }
        }
        m_bContextReady = true;
        UploadPositions(dScale);
    } else if (dScale != m_dUploadedScale) {
        if (m_bBufferObject)
            glBindBuffer(GL_ARRAY_BUFFER, m_nBuffer);
        UploadPositions(dScale);
    }
    return true;
}

void CShadedModel::ResolveTextures(const TextureResolver& resolveTexture)
{
    for (std::size_t k = 0; k < m_aTextures.size(); ++k) {
        STexture& t = m_aTextures[k];
        const SMaterial& m = m_aMaterials[k];
        if (t.bResolved || !m.bTextured || m_aTexCoords.empty())
            continue;
        t.bResolved = true;
        const unsigned nName = resolveTexture ? resolveTexture(m.cTexture).nName : 0u;
        // Binding a name that is no texture would make one: only real textures are kept.
        if (nName == 0 || !glIsTexture(nName))
            continue;
        t.nName = nName;
        glBindTexture(GL_TEXTURE_2D, nName);
        GLint nAlphaBits = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &nAlphaBits);
        t.bAlpha = nAlphaBits > 0;
    }
}

void CShadedModel::DrawBatch(const SBatch& batch, const STexture* pTexture)
{
    const SMaterial& m = MaterialOf(batch);
    float fAmbient[4], fDiffuse[4];
    std::copy(m.fAmbient, m.fAmbient + 4, fAmbient);
    std::copy(m.fDiffuse, m.fDiffuse + 4, fDiffuse);
    if (pTexture) {
        // The texture modulates the lit colour; its percentage decides how far the
        // material's colour gives way to white, so at 100 % the texel shows as it is.
        const float fPercent = std::clamp(m.cTexture.fPercent, 0.0f, 100.0f) / 100.0f;
        for (int i = 0; i < 3; ++i) {
            fAmbient[i] += (1.0f - fAmbient[i]) * fPercent;
            fDiffuse[i] += (1.0f - fDiffuse[i]) * fPercent;
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, pTexture->nName);
        const GLint nWrap = (m.cTexture.wTiling & TILING_NO_TILE) ? GL_CLAMP_TO_EDGE : GL_REPEAT;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, nWrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, nWrap);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    } else {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, fAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, fDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.fSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.fShininess);
    glColor4fv(fDiffuse);  // what an unlit context shows
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, m.bTwoSided ? GL_TRUE : GL_FALSE);
    glDrawArrays(GL_TRIANGLES, static_cast<GLint>(batch.nFirst), static_cast<GLsizei>(batch.nCount));
}

double CShadedModel::Draw(double dScale, const TextureResolver& resolveTexture)
{
    if (!m_bBuilt || m_bEmpty)
        return dScale;
    if (dScale == 0.0)
        dScale = m_dFitScale;
    if (m_aBatches.empty())
        return dScale;

    // Everything below is put back by these two pops and the buffer binding.
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT |
                 GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    GLint nCallerBuffer = 0;
    const bool bCanBind = HasBufferObjects();
    if (bCanBind)
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &nCallerBuffer);

    PrepareContext(dScale);
    ResolveTextures(resolveTexture);

    if (m_bBufferObject)
        glBindBuffer(GL_ARRAY_BUFFER, m_nBuffer);
    else if (bCanBind)
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    const std::size_t nPositions = m_aPositions.size(), nNormals = m_aNormals.size();
    auto pointer = [&](const float* pClient, std::size_t nOffset) -> const void* {
        // A buffer object takes byte offsets where client arrays take addresses.
        return m_bBufferObject ? reinterpret_cast<const void*>(static_cast<std::uintptr_t>(nOffset * sizeof(float)))
                               : static_cast<const void*>(pClient);
    };
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, pointer(m_aScaledPositions.data(), 0));
    glNormalPointer(GL_FLOAT, 0, pointer(m_aNormals.data(), nPositions));
    if (!m_aTexCoords.empty())
        glTexCoordPointer(2, GL_FLOAT, 0, pointer(m_aTexCoords.data(), nPositions + nNormals));

    // Lighting takes the materials as they are set, not the current colour.
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);

    auto textureOf = [&](const SBatch& batch) -> const STexture* {
        if (batch.nMaterial < 0)
            return nullptr;
        const STexture& t = m_aTextures[static_cast<std::size_t>(batch.nMaterial)];
        return t.nName != 0 ? &t : nullptr;
    };
    auto isBlended = [&](const SBatch& batch) {
        const STexture* pTexture = textureOf(batch);
        return MaterialOf(batch).fDiffuse[3] < 1.0f || (pTexture && pTexture->bAlpha);
    };

    // Opaque faces first, then the blended ones over them without writing depth, so a
    // pane shows what lies behind it whatever the order of the file. Blended faces are
    // not sorted among themselves.
    for (const SBatch& batch : m_aBatches)
        if (!isBlended(batch))
            DrawBatch(batch, textureOf(batch));
    bool bBlending = false;
    for (const SBatch& batch : m_aBatches) {
        if (!isBlended(batch))
            continue;
        if (!bBlending) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glDepthMask(GL_FALSE);
            // Fully transparent texels leave no trace at all.
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GREATER, 0.0f);
            bBlending = true;
        }
        DrawBatch(batch, textureOf(batch));
    }

    if (bCanBind)
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(nCallerBuffer));
    glPopClientAttrib();
    glPopAttrib();
    return dScale;
}
