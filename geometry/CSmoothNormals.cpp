#include "CSmoothNormals.h"

#include "VectorMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// acos within 2e-7 radians (Abramowitz and Stegun 4.4.46, in single precision) at a fraction
// of the library's cost, which would otherwise be half of building a large model.
float WeightAcos(float x)
{
    const float a = std::fabs(x);
    const float p = 1.5707963050f +
                    a * (-0.2145988016f +
                         a * (0.0889789874f +
                              a * (-0.0501743046f +
                                   a * (0.0308918810f + a * (-0.0170881256f + a * (0.0066700901f - 0.0012624911f * a))))));
    const float r = std::sqrt(1.0f - a) * p;
    return x < 0.0f ? 3.14159265f - r : r;
}

// A position's key: the bits of its floats, with -0 made 0 so the two compare equal as
// floats do.
struct SKey {
    std::uint32_t a[3];
    bool operator==(const SKey& o) const { return a[0] == o.a[0] && a[1] == o.a[1] && a[2] == o.a[2]; }
};

SKey KeyOf(const S3DSVertex& v)
{
    SKey k;
    const float f[3] = {v.x + 0.0f, v.y + 0.0f, v.z + 0.0f};
    std::memcpy(k.a, f, sizeof k.a);
    return k;
}

std::size_t HashOf(const SKey& k)
{
    std::uint64_t h = k.a[0] * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) + k.a[1] * 0xBF58476D1CE4E5B9ull;
    h ^= (h >> 31) + k.a[2] * 0x94D049BB133111EBull;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

} // namespace

CSmoothNormals::CSmoothNormals(const C3DS& model, const std::vector<std::uint32_t>& aCorners, std::size_t nFirstFace,
                               std::size_t nFirstVertex, std::size_t nEndVertex)
    : m_model(model), m_aCorners(aCorners), m_nFirstFace(nFirstFace), m_nFirstVertex(nFirstVertex), m_nEndVertex(nEndVertex)
{
    const std::vector<std::uint32_t>& aMasks = model.m_cShading.m_aSmoothing;
    // A range without a smoothed face is faceted whatever the rest of the model is.
    const auto itFirst = aMasks.begin() + static_cast<std::ptrdiff_t>(std::min(nFirstFace, aMasks.size()));
    const auto itEnd = itFirst + static_cast<std::ptrdiff_t>(std::min(aCorners.size() / 3, static_cast<std::size_t>(aMasks.end() - itFirst)));
    m_bSmoothing = aMasks.size() == model.m_aFaces.size() && std::any_of(itFirst, itEnd, [](auto m) { return m != 0; });
    if (!m_bSmoothing)
        return;
    JoinPositions();
    SumAroundPositions();
}

// Face by face, in file order, each smoothed face's normal goes to the class of its mask at
// each corner's position, weighted by the corner's angle. Most positions have faces of one
// mask only; their normal is then that class's sum, made unit length once here rather than
// at every corner that asks for it.
void CSmoothNormals::SumAroundPositions()
{
    const std::vector<S3DSVertex>& aVertices = m_model.m_aVertices;
    const std::vector<std::uint32_t>& aMasks = m_model.m_cShading.m_aSmoothing;
    const std::size_t nVertices = m_nEndVertex - m_nFirstVertex;
    // Room for positions where masks meet, so that a few of them cost no copy of the rest.
    m_aClasses.reserve(nVertices + nVertices / 8 + 16);
    m_aClasses.assign(nVertices, SClass{});
    const std::size_t nEndFace = m_nFirstFace + m_aCorners.size() / 3;
    for (std::size_t i = m_nFirstFace; i < nEndFace; ++i) {
        const std::uint32_t nMask = aMasks[i];
        const std::uint32_t* p = Corners(i);
        if (nMask == 0 || p[0] == kNoVertex)
            continue;
        // The edges leaving each corner, and from their lengths the angles: two arc cosines,
        // and the third angle from the sum of all three. A triangle with an edge of no length
        // (or with a corner that is not finite) has no angles to weigh by and adds nothing.
        const S3DSVertex &a = aVertices[p[0]], &b = aVertices[p[1]], &c = aVertices[p[2]];
        const double e0[3] = {double{b.x} - a.x, double{b.y} - a.y, double{b.z} - a.z};  // a to b
        const double e1[3] = {double{c.x} - b.x, double{c.y} - b.y, double{c.z} - b.z};  // b to c
        const double e2[3] = {double{a.x} - c.x, double{a.y} - c.y, double{a.z} - c.z};  // c to a
        auto dot = [](const double* u, const double* v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; };
        const double l0 = dot(e0, e0), l1 = dot(e1, e1), l2 = dot(e2, e2);
        if (!(l0 > 0.0 && l1 > 0.0 && l2 > 0.0) || !std::isfinite(l0 + l1 + l2))
            continue;
        // A weight needs no more than single precision, which halves the cost of the roots.
        const float fA = WeightAcos(std::clamp(static_cast<float>(-dot(e0, e2)) / std::sqrt(static_cast<float>(l0 * l2)), -1.0f, 1.0f));
        const float fB = WeightAcos(std::clamp(static_cast<float>(-dot(e1, e0)) / std::sqrt(static_cast<float>(l1 * l0)), -1.0f, 1.0f));
        const float aAngles[3] = {fA, fB, std::max(0.0f, 3.14159265f - fA - fB)};
        // The face's normal, as FaceNormal gives it: (a - b) x (a - c) = e2 x e0, unit length.
        SVector3d cross{e2[1] * e0[2] - e2[2] * e0[1], e2[2] * e0[0] - e2[0] * e0[2], e2[0] * e0[1] - e2[1] * e0[0]};
        UnitVector(&cross, &cross);
        const float n[3] = {static_cast<float>(cross.x), static_cast<float>(cross.y), static_cast<float>(cross.z)};
        for (int k = 0; k < 3; ++k) {
            std::size_t nClass = m_aSame[p[k] - m_nFirstVertex];
            if (m_aClasses[nClass].nMask == 0)
                m_aClasses[nClass].nMask = nMask;
            while (m_aClasses[nClass].nMask != nMask) {
                if (m_aClasses[nClass].nNext == kNoVertex) {
                    m_aClasses[nClass].nNext = static_cast<std::uint32_t>(m_aClasses.size());
                    m_aClasses.push_back(SClass{nMask, kNoVertex, {0.0f, 0.0f, 0.0f}});
                }
                nClass = m_aClasses[nClass].nNext;
            }
            for (int d = 0; d < 3; ++d)
                m_aClasses[nClass].fSum[d] += aAngles[k] * n[d];
        }
    }
    for (std::size_t v = 0; v < nVertices; ++v) {
        SClass& c = m_aClasses[v];
        if (c.nMask == 0 || c.nNext != kNoVertex)
            continue;
        const float fLength = std::sqrt(c.fSum[0] * c.fSum[0] + c.fSum[1] * c.fSum[1] + c.fSum[2] * c.fSum[2]);
        if (fLength > 0.0f)
            for (float& f : c.fSum)
                f /= fLength;
        else
            c.nMask = 0;  // normals that cancel out: each face keeps its own
    }
}

// Vertices at one position within a run of one object's vertices: an open-addressing table
// per run, reused, so the work is linear in the vertices.
void CSmoothNormals::JoinPositions()
{
    const std::vector<S3DSVertex>& aVertices = m_model.m_aVertices;
    m_aSame.resize(m_nEndVertex - m_nFirstVertex);
    std::vector<std::uint32_t> aTable;
    for (std::size_t nBegin = m_nFirstVertex; nBegin < m_nEndVertex;) {
        std::size_t nEnd = nBegin + 1;
        while (nEnd < m_nEndVertex && aVertices[nEnd].nObject == aVertices[nBegin].nObject)
            ++nEnd;
        std::size_t nSize = 16;
        while (nSize < 2 * (nEnd - nBegin))
            nSize *= 2;
        aTable.assign(nSize, kNoVertex);
        for (std::size_t v = nBegin; v < nEnd; ++v) {
            const SKey key = KeyOf(aVertices[v]);
            for (std::size_t h = HashOf(key) & (nSize - 1);; h = (h + 1) & (nSize - 1)) {
                if (aTable[h] == kNoVertex) {
                    aTable[h] = static_cast<std::uint32_t>(v);
                    m_aSame[v - m_nFirstVertex] = static_cast<std::uint32_t>(v - m_nFirstVertex);
                    break;
                }
                if (KeyOf(aVertices[aTable[h]]) == key) {
                    m_aSame[v - m_nFirstVertex] = aTable[h] - static_cast<std::uint32_t>(m_nFirstVertex);
                    break;
                }
            }
        }
        nBegin = nEnd;
    }
}

bool CSmoothNormals::Smoothed(std::size_t nFace, std::uint32_t nMask, int nCorner, float aOut[3]) const
{
    const SClass* p = &m_aClasses[m_aSame[Corners(nFace)[nCorner] - m_nFirstVertex]];
    if (p->nMask != 0 && p->nNext == kNoVertex) {
        std::copy(p->fSum, p->fSum + 3, aOut);
        return true;
    }
    float n[3] = {0.0f, 0.0f, 0.0f};
    for (;; p = &m_aClasses[p->nNext]) {
        if ((p->nMask & nMask) != 0)
            for (int d = 0; d < 3; ++d)
                n[d] += p->fSum[d];
        if (p->nNext == kNoVertex)
            break;
    }
    const float fLength = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(fLength > 0.0f))
        return false;  // normals that cancel out
    for (int d = 0; d < 3; ++d)
        aOut[d] = n[d] / fLength;
    return true;
}

void CSmoothNormals::Normals(std::size_t nFace, float aOut[9]) const
{
    const std::uint32_t nMask = MaskOf(nFace);
    bool bFace = false;
    float aFace[3];
    for (int c = 0; c < 3; ++c) {
        float* pOut = aOut + 3 * c;
        if (nMask != 0 && Smoothed(nFace, nMask, c, pOut))
            continue;
        if (!bFace) {
            FaceNormal(nFace, aFace);
            bFace = true;
        }
        std::copy(aFace, aFace + 3, pOut);
    }
}

void CSmoothNormals::FaceNormal(std::size_t nFace, float aOut[3]) const
{
    const std::uint32_t* p = Corners(nFace);
    const S3DSVertex &a = m_model.m_aVertices[p[0]], &b = m_model.m_aVertices[p[1]], &c = m_model.m_aVertices[p[2]];
    SVector3d n;
    CalcFaceNormal(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z, &n);
    aOut[0] = static_cast<float>(n.x);
    aOut[1] = static_cast<float>(n.y);
    aOut[2] = static_cast<float>(n.z);
}

std::size_t CSmoothNormals::Bytes() const
{
    return m_aSame.capacity() * sizeof(std::uint32_t) + m_aClasses.capacity() * sizeof(SClass);
}
