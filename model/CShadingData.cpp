#include "CShadingData.h"

void CShadingData::Reset()
{
    // As for the model's arrays: release the storage, not just the elements.
    std::vector<S3DSTexCoord>().swap(m_aTexCoords);
    std::vector<S3DSObjectMapping>().swap(m_aObjectMappings);
    std::vector<std::uint32_t>().swap(m_aSmoothing);
    std::vector<S3DSMaterialShading>().swap(m_aMaterials);
    std::string().swap(m_strObjectNames);
    std::vector<std::size_t>().swap(m_aObjectNameEnds);
    m_fMasterScale = 0.0f;
}

std::size_t CShadingData::Bytes() const
{
    std::size_t n = m_aTexCoords.capacity() * sizeof(S3DSTexCoord) +
                    m_aObjectMappings.capacity() * sizeof(S3DSObjectMapping) +
                    m_aSmoothing.capacity() * sizeof(std::uint32_t) +
                    m_aMaterials.capacity() * sizeof(S3DSMaterialShading) +
                    m_aObjectNameEnds.capacity() * sizeof(std::size_t);
    // A short string lives inside the object itself and costs nothing more.
    if (m_strObjectNames.capacity() > std::string().capacity())
        n += m_strObjectNames.capacity();
    for (const S3DSMaterialShading& m : m_aMaterials)
        n += m.cTexture.strFile.size();
    return n;
}

std::string_view CShadingData::ObjectName(std::int64_t nObject) const
{
    if (nObject < 1 || static_cast<std::uint64_t>(nObject) > m_aObjectNameEnds.size())
        return {};
    const auto k = static_cast<std::size_t>(nObject - 1);
    const std::size_t nStart = k == 0 ? 0 : m_aObjectNameEnds[k - 1];
    return std::string_view(m_strObjectNames).substr(nStart, m_aObjectNameEnds[k] - nStart);
}
