#include "CModelObjects.h"

CModelObjects::CModelObjects(const C3DS& model) : m_nVertices(model.m_aVertices.size())
{
    const std::vector<S3DSVertex>& aVertices = model.m_aVertices;
    const std::vector<S3DSFace>& aFaces = model.m_aFaces;
    for (std::size_t k = 0; k < aVertices.size(); ++k) {
        if (k == 0 || aVertices[k].nObject != aVertices[k - 1].nObject) {
            SObject& o = m_mapObjects[aVertices[k].nObject];
            if (!o.bHasVertex) {
                o.bHasVertex = true;
                o.nFirstVertex = k;
            }
        }
    }
    for (std::size_t i = 0; i < aFaces.size();) {
        std::size_t j = i;
        while (j < aFaces.size() && aFaces[j].nObject == aFaces[i].nObject)
            ++j;
        SObject& o = m_mapObjects[aFaces[i].nObject];
        if (o.nFaces == 0) {
            o.nFirstFace = i;
            o.nFaces = j - i;
            m_mapGroupObjects.try_emplace(static_cast<std::uint16_t>(aFaces[i].nObject), &o);
        }
        i = j;
    }
    const CShadingData& cShading = model.m_cShading;
    for (const S3DSObjectMapping& m : cShading.m_aObjectMappings) {
        const auto it = m_mapObjects.find(m.nObject);
        if (it != m_mapObjects.end() && std::size_t{m.nFirst} + m.nCount <= cShading.m_aTexCoords.size())
            it->second.pMapping = &m;
    }
}

const CModelObjects::SObject* CModelObjects::Find(std::int32_t nObject) const
{
    const auto it = m_mapObjects.find(nObject);
    return it == m_mapObjects.end() ? nullptr : &it->second;
}

const CModelObjects::SObject* CModelObjects::FindGroupObject(std::uint16_t wObject) const
{
    const auto it = m_mapGroupObjects.find(wObject);
    return it == m_mapGroupObjects.end() ? nullptr : it->second;
}

bool CModelObjects::Corners(const S3DSFace& f, const SObject& o, std::uint32_t aOut[3]) const
{
    if (!o.bHasVertex)
        return false;
    const std::size_t nAvailable = m_nVertices - o.nFirstVertex;
    if (f.a >= nAvailable || f.b >= nAvailable || f.c >= nAvailable)
        return false;
    aOut[0] = static_cast<std::uint32_t>(o.nFirstVertex + f.a);
    aOut[1] = static_cast<std::uint32_t>(o.nFirstVertex + f.b);
    aOut[2] = static_cast<std::uint32_t>(o.nFirstVertex + f.c);
    return true;
}
