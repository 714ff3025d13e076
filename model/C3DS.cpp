#include "C3DS.h"

void C3DS::Reset()
{
    // Swapping with empty vectors releases the storage, not just the elements: a small
    // file read after a huge one must not keep the huge one's memory.
    std::vector<S3DSVertex>().swap(m_aVertices);
    std::vector<S3DSFace>().swap(m_aFaces);
    std::vector<S3DSFaceMaterial>().swap(m_aFaceMaterials);
    std::vector<S3DSMaterial>().swap(m_aMaterials);
    m_cShading.Reset();
    for (float& f : m_fMeshMatrix)
        f = 0.0f;
}
