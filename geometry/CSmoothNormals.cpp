#include "CSmoothNormals.h"

#include "VectorMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

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

// The angle of triangle (a, b, c) at a.
double CornerAngle(const S3DSVertex& a, const S3DSVertex& b, const S3DSVertex& c)
{
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    const double dLengths = std::sqrt((ux * ux + uy * uy + uz * uz) * (vx * vx + vy * vy + vz * vz));
    if (!(dLengths > 0.0))
        return 0.0;
    return WeightAcos(std::clamp((ux * vx + uy * vy + uz * vz) / dLengths, -1.0, 1.0));
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

CSmoothNormals::CSmoothNormals(const C3DS& model, const std::vector<std::uint32_t>& aCorners)
    : m_model(model), m_aCorners(aCorners)
{
    const std::size_t nFaces = model.m_aFaces.size(), nVertices = model.m_aVertices.size();
    const std::vector<std::uint32_t>& aMasks = model.m_cShading.m_aSmoothing;
    m_bSmoothing = aMasks.size() == nFaces && std::any_of(aMasks.begin(), aMasks.end(), [](auto m) { return m != 0; });
    if (!m_bSmoothing)
        return;
    JoinPositions();

    // The smoothed corners at each position, as counting-sort buckets. The cursor of bucket v
    // ends at the start of bucket v + 1, so one shift afterwards restores the starts.
    std::vector<std::uint32_t> aStart(nVertices + 1, 0);
    auto smoothed = [&](std::size_t i) { return aMasks[i] != 0 && aCorners[3 * i] != kNoVertex; };
    for (std::size_t i = 0; i < nFaces; ++i)
        if (smoothed(i))
            for (std::size_t k = 0; k < 3; ++k)
                ++aStart[m_aSame[aCorners[3 * i + k]] + 1];
    for (std::size_t v = 0; v < nVertices; ++v)
        aStart[v + 1] += aStart[v];
    std::vector<std::uint32_t> aIncident(aStart[nVertices]);
    for (std::size_t i = 0; i < nFaces; ++i)
        if (smoothed(i))
            for (std::size_t k = 0; k < 3; ++k)
                aIncident[aStart[m_aSame[aCorners[3 * i + k]]]++] = static_cast<std::uint32_t>(3 * i + k);
    for (std::size_t v = nVertices; v > 0; --v)
        aStart[v] = aStart[v - 1];
    aStart[0] = 0;

    // Per position, the faces around it summed by mask: most positions have one mask, so a
    // corner's normal is then one class, whatever the number of faces.
    const std::vector<S3DSVertex>& aVertices = model.m_aVertices;
    m_aClassStart.assign(nVertices + 1, 0);
    m_aClasses.reserve(nVertices);
    struct SSum {
        std::uint32_t nMask;
        double d[3];
    };
    std::vector<SSum> aSums;
    for (std::size_t v = 0; v < nVertices; ++v) {
        aSums.clear();
        for (std::uint32_t j = aStart[v]; j < aStart[v + 1]; ++j) {
            const std::size_t nFace = aIncident[j] / 3, nCorner = aIncident[j] % 3;
            const std::uint32_t* pCorners = &aCorners[3 * nFace];
            double n[3];
            FaceNormal(nFace, n);
            const double dAngle = CornerAngle(aVertices[pCorners[nCorner]], aVertices[pCorners[(nCorner + 1) % 3]],
                                              aVertices[pCorners[(nCorner + 2) % 3]]);
            const std::uint32_t nMask = aMasks[nFace];
            auto it = std::find_if(aSums.begin(), aSums.end(), [&](const SSum& s) { return s.nMask == nMask; });
            if (it == aSums.end())
                it = aSums.insert(aSums.end(), SSum{nMask, {0.0, 0.0, 0.0}});
            for (int d = 0; d < 3; ++d)
                it->d[d] += dAngle * n[d];
        }
        for (const SSum& s : aSums)
            m_aClasses.push_back(SClass{s.nMask, {static_cast<float>(s.d[0]), static_cast<float>(s.d[1]),
                                                  static_cast<float>(s.d[2])}});
        m_aClassStart[v + 1] = static_cast<std::uint32_t>(m_aClasses.size());
    }
}

// Vertices at one position within a run of one object's vertices: an open-addressing table
// per run, reused, so the work is linear in the vertices.
void CSmoothNormals::JoinPositions()
{
    const std::vector<S3DSVertex>& aVertices = m_model.m_aVertices;
    m_aSame.resize(aVertices.size());
    std::vector<std::uint32_t> aTable;
    for (std::size_t nBegin = 0; nBegin < aVertices.size();) {
        std::size_t nEnd = nBegin + 1;
        while (nEnd < aVertices.size() && aVertices[nEnd].nObject == aVertices[nBegin].nObject)
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
                    m_aSame[v] = static_cast<std::uint32_t>(v);
                    break;
                }
                if (KeyOf(aVertices[aTable[h]]) == key) {
                    m_aSame[v] = aTable[h];
                    break;
                }
            }
        }
        nBegin = nEnd;
    }
}

void CSmoothNormals::FaceNormal(std::size_t nFace, double aOut[3]) const
{
    const std::uint32_t* p = &m_aCorners[3 * nFace];
    const S3DSVertex &a = m_model.m_aVertices[p[0]], &b = m_model.m_aVertices[p[1]], &c = m_model.m_aVertices[p[2]];
    SVector3d n;
    CalcFaceNormal(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z, &n);
    aOut[0] = n.x;
    aOut[1] = n.y;
    aOut[2] = n.z;
}

void CSmoothNormals::Normal(std::size_t nFace, int nCorner, float aOut[3]) const
{
    const std::uint32_t nMask = MaskOf(nFace);
    if (nMask != 0) {
        const std::uint32_t v = m_aSame[m_aCorners[3 * nFace + static_cast<std::size_t>(nCorner)]];
        float n[3] = {0.0f, 0.0f, 0.0f};
        for (std::uint32_t j = m_aClassStart[v]; j < m_aClassStart[v + 1]; ++j) {
            if ((m_aClasses[j].nMask & nMask) == 0)
                continue;
            for (int d = 0; d < 3; ++d)
                n[d] += m_aClasses[j].fSum[d];
        }
        const float fLength = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (fLength > 0.0f) {
            for (int d = 0; d < 3; ++d)
                aOut[d] = n[d] / fLength;
            return;
        }
    }
    // Faceted, or normals that cancel out: the face's own.
    double n[3];
    FaceNormal(nFace, n);
    for (int d = 0; d < 3; ++d)
        aOut[d] = static_cast<float>(n[d]);
}

std::size_t CSmoothNormals::Bytes() const
{
    return (m_aSame.capacity() + m_aClassStart.capacity()) * sizeof(std::uint32_t) +
           m_aClasses.capacity() * sizeof(SClass);
}
