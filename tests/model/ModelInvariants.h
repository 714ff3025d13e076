#pragma once

#include "model/C3DS.h"

#include <set>

// Statuses ReadFile is documented to return.
inline bool IsDocumentedStatus(int n)
{
    static const std::set<int> k = {1, -1, -2, -3, -4, -5, -8, -9, -10, -11, -12, -13, -14, -15, -16,
                                    -17, -18, -19, -20, -21, -180, -181, -182};
    return k.count(n) != 0;
}

// Records of one object are contiguous and object numbers never decrease.
inline bool ObjectsAreOrdered(const C3DS& m)
{
    for (std::size_t i = 1; i < m.m_aVertices.size(); ++i)
        if (m.m_aVertices[i].nObject < m.m_aVertices[i - 1].nObject)
            return false;
    for (std::size_t i = 1; i < m.m_aFaces.size(); ++i)
        if (m.m_aFaces[i].nObject < m.m_aFaces[i - 1].nObject)
            return false;
    return true;
}
