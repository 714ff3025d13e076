#include "ShadedMaterials.h"

#include <algorithm>

namespace {

float Fraction(std::int32_t nPercent)
{
    return static_cast<float>(std::clamp(nPercent, 0, 100)) / 100.0f;
}

} // namespace

std::vector<SShadedMaterial> ShadedMaterials(const C3DS& model)
{
    const CShadingData& cShading = model.m_cShading;
    std::vector<SShadedMaterial> aMaterials;
    aMaterials.reserve(model.m_aMaterials.size() + 1);
    for (std::size_t k = 0; k < model.m_aMaterials.size(); ++k) {
        const S3DSMaterial& m = model.m_aMaterials[k];
        const S3DSMaterialShading* pSide = k < cShading.m_aMaterials.size() ? &cShading.m_aMaterials[k] : nullptr;
        // 3D Studio's shininess and its strength are percentages: the exponent spans GL's
        // 0..128 and the strength scales the highlight.
        SShadedMaterial s;
        s.strName = m.strName;
        const float fAlpha = 1.0f - Fraction(m.nTransparency);
        const float fStrength = Fraction(m.nShinStrength);
        for (int i = 0; i < 3; ++i) {
            s.fAmbient[i] = m.fAmbient[i];
            s.fDiffuse[i] = m.fDiffuse[i];
            s.fSpecular[i] = m.fSpecular[i] * fStrength;
        }
        s.fAmbient[3] = s.fDiffuse[3] = s.fSpecular[3] = fAlpha;
        s.fShininess = Fraction(m.nShininess) * 128.0f;
        s.bTwoSided = pSide && pSide->bTwoSided;
        if (pSide && pSide->bTextured) {
            s.cTexture = pSide->cTexture;
            s.eWrap = TextureWrapOf(s.cTexture);
            // 0 % is no texture at all; NaN is not above 0 either.
            const float fPercent = s.cTexture.fPercent;
            if (fPercent > 0.0f) {
                s.bTextured = true;
                s.fTextureFraction = std::min(fPercent, 100.0f) / 100.0f;
            }
        }
        aMaterials.push_back(std::move(s));
    }
    aMaterials.emplace_back();  // GL's default material, the same for every model
    return aMaterials;
}
