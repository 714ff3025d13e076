#include "BenchModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void AddSheet(C3DS& model, std::int32_t nObject, int nSide, std::size_t nFaces, float fX, float fY)
{
    const float fStep = 1.0f / static_cast<float>(nSide - 1);
    for (int r = 0; r < nSide; ++r) {
        for (int c = 0; c < nSide; ++c) {
            const float x = static_cast<float>(c) * fStep, y = static_cast<float>(r) * fStep;
            model.m_aVertices.push_back({nObject, fX + x, fY + y, 0.05f * std::sin(9.0f * x) * std::cos(7.0f * y)});
        }
    }
    const std::size_t nCells = static_cast<std::size_t>(nSide - 1) * static_cast<std::size_t>(nSide - 1);
    for (std::size_t f = 0; f < nFaces; ++f) {
        const std::size_t nCell = (f / 2) % nCells;
        const auto r = static_cast<int>(nCell / static_cast<std::size_t>(nSide - 1));
        const auto c = static_cast<int>(nCell % static_cast<std::size_t>(nSide - 1));
        const auto v = static_cast<std::uint16_t>(r * nSide + c);
        const auto vRight = static_cast<std::uint16_t>(v + 1), vUp = static_cast<std::uint16_t>(v + nSide);
        const auto vDiagonal = static_cast<std::uint16_t>(vUp + 1);
        if (f % 2 == 0)
            model.m_aFaces.push_back({nObject, v, vRight, vDiagonal, 0});
        else
            model.m_aFaces.push_back({nObject, v, vDiagonal, vUp, 0});
    }
}

void AddGroups(C3DS& model, std::int32_t nObject, std::size_t nFaces)
{
    for (const char* pszHalf : {"a", "b"}) {
        S3DSMaterial m;
        char szName[32];
        std::snprintf(szName, sizeof szName, "object%d%s", nObject, pszHalf);
        m.strName = szName;
        m.fAmbient[0] = 0.2f + 0.05f * static_cast<float>(nObject % 8);
        m.fAmbient[1] = pszHalf[0] == 'a' ? 0.6f : 0.3f;
        m.fAmbient[2] = 0.5f;
        std::copy(m.fAmbient, m.fAmbient + 3, m.fDiffuse);
        m.fSpecular[0] = m.fSpecular[1] = m.fSpecular[2] = 0.5f;
        m.nShininess = 40;
        m.nTransparency = 0;
        model.m_aMaterials.push_back(m);
    }
    const CSharedString strA = model.m_aMaterials[model.m_aMaterials.size() - 2].strName;
    const CSharedString strB = model.m_aMaterials.back().strName;
    for (std::size_t f = 0; f < nFaces; ++f) {
        model.m_aFaceMaterials.push_back(
            {static_cast<std::uint16_t>(nObject), static_cast<std::uint16_t>(f), f < nFaces / 2 ? strA : strB});
    }
}

void BuildFrameBenchModel(C3DS& model)
{
    constexpr std::size_t kFacesPerObject = 2 * 180 * 180;
    for (int o = 1; o <= kFrameBenchObjects; ++o) {
        AddSheet(model, o, 181, kFacesPerObject, static_cast<float>((o - 1) % 4) * 1.1f,
                 static_cast<float>((o - 1) / 4) * 1.1f);
        AddGroups(model, o, kFacesPerObject);
    }
}
