#include "CMaterialCursor.h"

#include "MaterialsByName.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Counting sort of entry positions by one 16-bit field; stable, so each bucket ascends.
// There is a bucket for every value up to the largest one present, and the buckets of value
// v span [aStart[v], aStart[v + 1]).
template <typename Key>
void Bucket(const std::vector<S3DSFaceMaterial>& aEntries, Key key, std::vector<std::size_t>& aStart,
            std::vector<std::size_t>& aPos)
{
    std::size_t nBuckets = 0;
    for (const S3DSFaceMaterial& e : aEntries)
        nBuckets = std::max(nBuckets, key(e) + 1);
    aStart.assign(nBuckets + 1, 0);
    for (const S3DSFaceMaterial& e : aEntries)
        ++aStart[key(e) + 1];
    for (std::size_t v = 0; v < nBuckets; ++v)
        aStart[v + 1] += aStart[v];
    std::vector<std::size_t> aNext(aStart.begin(), aStart.end() - 1);
    aPos.resize(aEntries.size());
    for (std::size_t j = 0; j < aEntries.size(); ++j)
        aPos[aNext[key(aEntries[j])]++] = j;
}

} // namespace

CMaterialCursor::CMaterialCursor(const std::vector<S3DSFaceMaterial>& aFaceMaterials,
                                 const std::vector<S3DSMaterial>& aMaterials, std::size_t nFaces)
    : m_aFaceMaterials(aFaceMaterials), m_aMaterials(aMaterials),
      m_nProbeBudget(2 * (aFaceMaterials.size() + nFaces) + 4096)
{
}

const S3DSMaterial* CMaterialCursor::Search(std::size_t nFace, std::int32_t nObject)
{
    const S3DSMaterial* pApply = nullptr;
    std::size_t j = m_nCursor;
    while (!m_bIndexed) {
        if (j >= m_aFaceMaterials.size())
            return nullptr;
        if (m_nProbeBudget == 0) {
            BuildIndex();
            break;
        }
        --m_nProbeBudget;
        const S3DSFaceMaterial& e = m_aFaceMaterials[j];
        const bool bMatches = e.wObject == nObject || static_cast<std::size_t>(e.wFace) == nFace;
        if (bMatches && StopsAt(j, &pApply))
            return pApply;
        ++j;
    }
    return SelectIndexed(j, nFace, nObject);
}

bool CMaterialCursor::StopsAt(std::size_t nPos, const S3DSMaterial** ppApply)
{
    const CSharedString& strName = m_aFaceMaterials[nPos].strMaterial;
    *ppApply = nullptr;
    if (strName == m_strCurrent) {
        m_nCursor = nPos;
        return true;
    }
    m_strCurrent = strName;
    const S3DSMaterial* pMaterial = m_bIndexed ? m_aResolved[nPos] : FindMaterial(strName);
    if (!pMaterial)
        return false;
    m_nCursor = nPos;
    *ppApply = pMaterial;
    return true;
}

const S3DSMaterial* CMaterialCursor::FindMaterial(const CSharedString& strName)
{
    if (!m_bNamesMapped) {
        m_mapMaterials = MaterialsByName(m_aMaterials);
        m_bNamesMapped = true;
    }
    const auto it = m_mapMaterials.find(strName.view());
    return it == m_mapMaterials.end() ? nullptr : &m_aMaterials[it->second];
}

void CMaterialCursor::BuildIndex()
{
    Bucket(m_aFaceMaterials, [](const S3DSFaceMaterial& e) { return std::size_t{e.wObject}; }, m_aObjectStart,
           m_aObjectPos);
    Bucket(m_aFaceMaterials, [](const S3DSFaceMaterial& e) { return std::size_t{e.wFace}; }, m_aFaceStart,
           m_aFacePos);

    // Entries of one group share their name, so most lookups are a pointer comparison.
    m_aResolved.resize(m_aFaceMaterials.size());
    for (std::size_t j = 0; j < m_aFaceMaterials.size(); ++j) {
        const CSharedString& strName = m_aFaceMaterials[j].strMaterial;
        m_aResolved[j] = j > 0 && strName == m_aFaceMaterials[j - 1].strMaterial ? m_aResolved[j - 1]
                                                                                  : FindMaterial(strName);
    }

    m_aStopAfter.resize(m_aObjectPos.size());
    for (std::size_t v = 0; v + 1 < m_aObjectStart.size(); ++v) {
        const std::size_t nBegin = m_aObjectStart[v], nEnd = m_aObjectStart[v + 1];
        for (std::size_t k = nEnd; k-- > nBegin;) {
            if (k + 1 == nEnd) {
                m_aStopAfter[k] = nEnd;
                continue;
            }
            const std::size_t nNext = m_aObjectPos[k + 1];
            const bool bStops = m_aResolved[nNext] != nullptr ||
                                m_aFaceMaterials[nNext].strMaterial == m_aFaceMaterials[m_aObjectPos[k]].strMaterial;
            m_aStopAfter[k] = bStops ? k + 1 : m_aStopAfter[k + 1];
        }
    }
    m_bIndexed = true;
}

const S3DSMaterial* CMaterialCursor::SelectIndexed(std::size_t nFrom, std::size_t nFace, std::int32_t nObject)
{
    // Slots [ko, nObjectEnd) of m_aObjectPos and [kf, nFaceEnd) of m_aFacePos hold, in
    // ascending order, the entries at or after nFrom that this face can match; a value that
    // no entry carries (one beyond 16 bits included) matches nothing.
    std::size_t ko = 0, nObjectEnd = 0, kf = 0, nFaceEnd = 0;
    if (nObject >= 0 && static_cast<std::size_t>(nObject) + 1 < m_aObjectStart.size()) {
        const auto first = m_aObjectPos.begin() + static_cast<std::ptrdiff_t>(m_aObjectStart[nObject]);
        const auto last = m_aObjectPos.begin() + static_cast<std::ptrdiff_t>(m_aObjectStart[nObject + 1]);
        ko = static_cast<std::size_t>(std::lower_bound(first, last, nFrom) - m_aObjectPos.begin());
        nObjectEnd = m_aObjectStart[nObject + 1];
    }
    if (nFace + 1 < m_aFaceStart.size()) {
        const auto first = m_aFacePos.begin() + static_cast<std::ptrdiff_t>(m_aFaceStart[nFace]);
        const auto last = m_aFacePos.begin() + static_cast<std::ptrdiff_t>(m_aFaceStart[nFace + 1]);
        kf = static_cast<std::size_t>(std::lower_bound(first, last, nFrom) - m_aFacePos.begin());
        nFaceEnd = m_aFaceStart[nFace + 1];
    }

    // Entries matched through wFace are walked one by one: each face has its own bucket, so
    // over a whole pass they add up to the number of entries. Runs of entries matched through
    // wObject alone are crossed with m_aStopAfter and one binary search.
    const S3DSMaterial* pApply = nullptr;
    for (;;) {
        const std::size_t nFacePos = kf < nFaceEnd ? m_aFacePos[kf] : kNone;
        const std::size_t nObjectPos = ko < nObjectEnd ? m_aObjectPos[ko] : kNone;
        if (nFacePos == kNone && nObjectPos == kNone)
            return nullptr;
        if (nFacePos <= nObjectPos) {
            if (StopsAt(nFacePos, &pApply))
                return pApply;
            ++kf;
            if (nObjectPos == nFacePos)
                ++ko;
            continue;
        }
        if (StopsAt(nObjectPos, &pApply))
            return pApply;
        const std::size_t ks = m_aStopAfter[ko];
        if (ks < nObjectEnd && m_aObjectPos[ks] < nFacePos) {
            // Everything between ko and ks passed, so the name before ks is its predecessor's.
            m_strCurrent = m_aFaceMaterials[m_aObjectPos[ks - 1]].strMaterial;
            StopsAt(m_aObjectPos[ks], &pApply);
            return pApply;
        }
        const auto first = m_aObjectPos.begin() + static_cast<std::ptrdiff_t>(ko + 1);
        const auto last = m_aObjectPos.begin() + static_cast<std::ptrdiff_t>(nObjectEnd);
        ko = static_cast<std::size_t>(std::lower_bound(first, last, nFacePos) - m_aObjectPos.begin());
        m_strCurrent = m_aFaceMaterials[m_aObjectPos[ko - 1]].strMaterial;
    }
}
