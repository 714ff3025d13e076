#include "LoadTextureDecoder.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace {

using FEntry = int (*)(const char*, int, STextureImage*);

constexpr const char* MODULE_NAME = "libtessaron-texture-decoder.so";

std::filesystem::path ExecutableFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

} // namespace

CTextureLibrary::FDecode LoadTextureDecoder(std::string& strError)
{
    static FEntry s_pEntry = nullptr;
    static std::string s_strError;
    static const bool s_bTried = [] {
        const std::array<std::filesystem::path, 2> aCandidates = {
            ExecutableFolder() / MODULE_NAME, ExecutableFolder() / TESSARON_TEXTURE_DECODER_DIR / MODULE_NAME};
        for (const auto& path : aCandidates) {
            // Never unloaded: Qt keeps threads and handlers that must outlive every picture.
            void* hModule = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!hModule) {
                const char* pszError = ::dlerror();
                s_strError = pszError ? pszError : path.string() + ": cannot be loaded";
                continue;
            }
            s_pEntry = reinterpret_cast<FEntry>(::dlsym(hModule, "TessaronDecodeTextureFile"));
            if (s_pEntry) {
                s_strError.clear();
                break;
            }
            s_strError = path.string() + ": no texture decoder in it";
        }
        return true;
    }();
    (void)s_bTried;
    strError = s_strError;
    if (!s_pEntry)
        return {};
    return [](const std::string& strPath, int nMaxSide, STextureImage& image) {
        return static_cast<ETextureStatus>(s_pEntry(strPath.c_str(), nMaxSide, &image));
    };
}
