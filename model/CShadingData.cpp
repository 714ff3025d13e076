#include "CShadingData.h"

void CShadingData::Reset()
{
    // As for the model's arrays: release the storage, not just the elements.
    std::vector<S3DSTexCoord>().swap(m_aTexCoords);
    std::vector<S3DSObjectMapping>().swap(m_aObjectMappings);
    std::vector<std::uint32_t>().swap(m_aSmoothing);
    std::vector<S3DSMaterialShading>().swap(m_aMaterials);
}

std::size_t CShadingData::Bytes() const
{
    std::size_t n = m_aTexCoords.capacity() * sizeof(S3DSTexCoord) +
                    m_aObjectMappings.capacity() * sizeof(S3DSObjectMapping) +
                    m_aSmoothing.capacity() * sizeof(std::uint32_t) +
                    m_aMaterials.capacity() * sizeof(S3DSMaterialShading);
    for (const S3DSMaterialShading& m : m_aMaterials)
        n += m.cTexture.strFile.size();
    return n;
}
