#include "FaceMaterials.h"

#include "MaterialsByName.h"

std::vector<std::int32_t> FaceMaterials(const C3DS& model, const CModelObjects& objects, std::int32_t nDefault)
{
    std::vector<std::int32_t> aFaceMaterial(model.m_aFaces.size(), nDefault);
    const auto mapNames = MaterialsByName(model.m_aMaterials);
    // Entries come in runs of one group: name and object are looked up once a run.
    const CSharedString* pLastName = nullptr;
    std::int32_t nLast = -1;
    const CModelObjects::SObject* pLastObject = nullptr;
    std::uint32_t nLastObject = 0x10000;  // no 16-bit number
    for (const S3DSFaceMaterial& e : model.m_aFaceMaterials) {
        if (!pLastName || !(e.strMaterial == *pLastName)) {
            const auto it = mapNames.find(e.strMaterial.view());
            nLast = it == mapNames.end() ? -1 : static_cast<std::int32_t>(it->second);
            pLastName = &e.strMaterial;
        }
        if (e.wObject != nLastObject) {
            pLastObject = objects.FindGroupObject(e.wObject);
            nLastObject = e.wObject;
        }
        if (nLast < 0 || pLastObject == nullptr || e.wFace >= pLastObject->nFaces)
            continue;
        aFaceMaterial[pLastObject->nFirstFace + e.wFace] = nLast;
    }
    return aFaceMaterial;
}
