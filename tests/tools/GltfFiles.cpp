#include "GltfFiles.h"

#include "RunProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

std::vector<SValidation> ValidateGltf(const std::vector<std::string>& aFiles)
{
    std::vector<std::string> argv = {NODE_PATH, VALIDATE_GLTF_SCRIPT, GLTF_VALIDATOR_MODULES};
    argv.insert(argv.end(), aFiles.begin(), aFiles.end());
    const SProcessResult r = RunProcess(argv);
    EXPECT_EQ(r.nExitCode, 0) << r.strErr;
    std::vector<SValidation> aResults;
    std::size_t nStart = 0;
    while (nStart < r.strOut.size()) {
        const std::size_t nEnd = r.strOut.find('\n', nStart);
        const nlohmann::json j = nlohmann::json::parse(r.strOut.substr(nStart, nEnd - nStart));
        SValidation v;
        v.strFile = j.at("file").get<std::string>();
        v.nErrors = j.at("errors").get<int>();
        v.nWarnings = j.at("warnings").get<int>();
        v.aIssues = j.at("issues").get<std::vector<std::string>>();
        aResults.push_back(std::move(v));
        if (nEnd == std::string::npos)
            break;
        nStart = nEnd + 1;
    }
    EXPECT_EQ(aResults.size(), aFiles.size()) << r.strErr;
    return aResults;
}

nlohmann::json GltfJson(const std::string& strPath, std::vector<std::uint8_t>* pBin)
{
    std::ifstream in(strPath, std::ios::binary);
    const std::vector<std::uint8_t> a{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto u32 = [&](std::size_t n) {
        std::uint32_t v = 0;
        std::memcpy(&v, a.data() + n, 4);
        return v;
    };
    if (a.size() >= 20 && u32(0) == 0x46546C67) {
        const std::size_t nJson = u32(12);
        if (nJson > a.size() - 20) {
            ADD_FAILURE() << strPath << ": JSON chunk beyond the file";
            return nullptr;
        }
        if (pBin && a.size() - 20 - nJson >= 8) {
            const std::size_t nBin = u32(20 + nJson);
            EXPECT_LE(nBin, a.size() - 28 - nJson);
            pBin->assign(a.begin() + static_cast<std::ptrdiff_t>(28 + nJson),
                         a.begin() + static_cast<std::ptrdiff_t>(28 + nJson + std::min(nBin, a.size() - 28 - nJson)));
        }
        return nlohmann::json::parse(a.begin() + 20, a.begin() + static_cast<std::ptrdiff_t>(20 + nJson));
    }
    nlohmann::json j = nlohmann::json::parse(a, nullptr, false);
    if (j.is_discarded())
        ADD_FAILURE() << strPath << ": neither .glb nor .gltf";
    return j.is_discarded() ? nlohmann::json(nullptr) : j;
}

void ExpectAccessorsInBounds(const nlohmann::json& j, const std::vector<std::uint8_t>& aBin)
{
    if (!j.contains("accessors"))
        return;
    const std::size_t nBuffer = j.at("buffers").at(0).at("byteLength").get<std::size_t>();
    ASSERT_LE(nBuffer, aBin.size());
    for (const auto& a : j.at("accessors")) {
        const auto& view = j.at("bufferViews").at(a.at("bufferView").get<std::size_t>());
        const std::size_t nOffset = view.value("byteOffset", std::size_t{0});
        const std::size_t nLength = view.at("byteLength").get<std::size_t>();
        ASSERT_LE(nOffset, nBuffer);
        ASSERT_LE(nLength, nBuffer - nOffset);
        const int nType = a.at("componentType").get<int>();
        const std::size_t nComponentBytes = nType == 5126 || nType == 5125 ? 4 : nType == 5123 ? 2 : 1;
        const std::string strType = a.at("type").get<std::string>();
        const std::size_t nComponents = strType == "VEC3" ? 3 : strType == "VEC2" ? 2 : 1;
        const std::size_t nCount = a.at("count").get<std::size_t>();
        ASSERT_GE(nCount, 1u);
        ASSERT_LE(nCount * nComponents * nComponentBytes, nLength);
        if (!a.contains("min"))
            continue;
        ASSERT_EQ(nType, 5126);
        for (std::size_t i = 0; i < nCount * nComponents; ++i) {
            float f = 0.0f;
            std::memcpy(&f, aBin.data() + nOffset + 4 * i, 4);
            ASSERT_GE(f, a.at("min").at(i % nComponents).get<float>());
            ASSERT_LE(f, a.at("max").at(i % nComponents).get<float>());
        }
    }
}
