#pragma once

#include "model/S3DSRecords.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

// The material search of DrawModel: for each face, in the order the faces are drawn, which
// material (if any) to apply before it. The rule, from the cursor onwards: the first
// face-material entry whose wObject equals the face's object number OR whose wFace equals
// the face's position in the whole face array decides; an entry naming the current material
// stops the search with nothing to apply; an entry naming a material that exists becomes
// current and is applied; an entry naming none becomes the current name and the search
// goes on. Running off the end changes neither the cursor nor the material in effect.
//
// Walked literally, the faces of an object without entries of its own rescan every entry
// after the cursor, which is quadratic. Well-formed files never do that, so the literal walk
// runs until it has looked at about twice as many entries as a single pass would; then the
// cursor indexes the entries by wObject and by wFace and answers the same question with
// binary searches. Both walks give identical answers; only their cost differs.
//
// Holds references to both arrays, which must not change while the cursor lives.
class CMaterialCursor {
public:
    CMaterialCursor(const std::vector<S3DSFaceMaterial>& aFaceMaterials, const std::vector<S3DSMaterial>& aMaterials,
                    std::size_t nFaces);

    // The material to apply before face nFace of object nObject, or null to keep the one in effect.
    const S3DSMaterial* Select(std::size_t nFace, std::int32_t nObject)
    {
        // Most faces of a well-formed file stop at the cursor's own entry, on the name already
        // in effect: decided here without a call, the same way either walk would decide it.
        if (m_nCursor < m_aFaceMaterials.size()) {
            const S3DSFaceMaterial& e = m_aFaceMaterials[m_nCursor];
            if ((e.wObject == nObject || static_cast<std::size_t>(e.wFace) == nFace) && e.strMaterial == m_strCurrent)
                return nullptr;
        }
        return Search(nFace, nObject);
    }

    // How many entries the literal walk may look at before the index is built; 0 builds it
    // on the first search. Lets tests drive both walks over the same faces.
    void SetProbeBudget(std::size_t nEntries) { m_nProbeBudget = nEntries; }

    std::size_t Cursor() const { return m_nCursor; }
    std::string_view CurrentName() const { return m_strCurrent.view(); }

private:
    const S3DSMaterial* Search(std::size_t nFace, std::int32_t nObject);
    // Either stops the search at entry nPos (true, with *ppApply set) or takes its name as
    // the current one and lets the search go on (false).
    bool StopsAt(std::size_t nPos, const S3DSMaterial** ppApply);
    const S3DSMaterial* FindMaterial(const CSharedString& strName);
    const S3DSMaterial* SelectIndexed(std::size_t nFrom, std::size_t nFace, std::int32_t nObject);
    void BuildIndex();

    const std::vector<S3DSFaceMaterial>& m_aFaceMaterials;
    const std::vector<S3DSMaterial>& m_aMaterials;

    CSharedString m_strCurrent;  // last name applied or looked up in vain
    std::size_t m_nCursor = 0;
    std::size_t m_nProbeBudget;

    bool m_bNamesMapped = false;
    std::unordered_map<std::string_view, std::size_t> m_mapMaterials;  // name -> lowest position

    // The index, empty until BuildIndex. Entry positions bucketed by wObject and by wFace (a
    // bucket per value up to the largest present), ascending within a bucket; the bucket of
    // value v spans [start[v], start[v + 1]).
    bool m_bIndexed = false;
    std::vector<std::size_t> m_aObjectStart, m_aObjectPos;
    std::vector<std::size_t> m_aFaceStart, m_aFacePos;
    std::vector<const S3DSMaterial*> m_aResolved;  // per entry: its material, or null
    // Per slot k of m_aObjectPos: the next slot of the same bucket whose entry stops a walk
    // that reached it through slot k's predecessors alone (it names an existing material or
    // repeats the name before it); the bucket's end when there is none.
    std::vector<std::size_t> m_aStopAfter;
};
