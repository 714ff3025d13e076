#include "TextureWarning.h"

#include <filesystem>

namespace {

std::string ModelName(const std::string& strModelPath)
{
    return std::filesystem::path(strModelPath).filename().string();
}

} // namespace

std::string TextureWarning(const std::string& strModelPath, const std::string& strTexture, ETextureStatus eStatus,
                           const std::string& strLink)
{
    std::string strReason = "cannot be used";
    switch (eStatus) {
    case ETextureStatus::notFound: strReason = "not found"; break;
    case ETextureStatus::unreadable: strReason = "cannot be read"; break;
    case ETextureStatus::tooLarge: strReason = "is too large"; break;
    case ETextureStatus::malformed: strReason = "is not an image Tessaron can read"; break;
    case ETextureStatus::outside: strReason = "is not used: " + strLink.substr(0, 255) + " leads out of the model's folder"; break;
    case ETextureStatus::ok: break;
    }
    return OneLine(ModelName(strModelPath) + ": texture " + strTexture.substr(0, 255) + " " + strReason +
                   "; its material is drawn in its colour.");
}

std::string TextureFolderWarning(const std::string& strModelPath, const std::string& strFolder)
{
    return OneLine(ModelName(strModelPath) + ": texture folder " + strFolder +
                   " leads out of the model's folder and is not searched.");
}

std::string OneLine(std::string strText)
{
    for (char& c : strText)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return strText;
}
