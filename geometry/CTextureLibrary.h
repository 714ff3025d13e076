#pragma once

#include "geometry/TextureWrap.h"
#include "model/CShadingData.h"
#include "platform/STextureImage.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The textures of one model in one GL context. Each texture name a material gives is
// looked up (FindTextureFile) and decoded once; a name that fails leaves exactly one
// warning line naming the model and the texture, and every later request for it costs a
// map look-up and returns 0, so the caller draws that material in its colour.
//
// The decoder is handed in because it needs Qt Gui and this layer does not: the viewer
// passes DecodeTextureFile, a tool that must start without Qt may pass one it loads late.
// GL work happens in Texture and ReleaseTextures only, in the context current then, which
// must be the same one every time; the destructor makes no GL call (it may run with no
// context current), so release the textures first with their context current.
class CTextureLibrary {
public:
    using FDecode = std::function<ETextureStatus(const std::string& strPath, int nMaxSide, STextureImage& image)>;

    // Textures are at most this many texels a side (further bounded by the context's
    // GL_MAX_TEXTURE_SIZE): 64 MiB for one RGBA texture is plenty for a model's maps.
    static constexpr int MAX_TEXTURE_SIDE = 4096;

    CTextureLibrary(std::string strModelPath, FDecode fnDecode);

    // The GL texture for texture name strFileName as the model file stores it, tiled
    // (repeating) or clamped, made in the current context on first use; 0 when it is
    // missing, unreadable, too large or malformed (one warning per name).
    unsigned Texture(const std::string& strFileName, bool bTile);
    // The same for a material's texture map, tiled unless its flags say otherwise: what full
    // shading's texture resolver answers.
    STextureRef Texture(const S3DSTextureMap& map);

    // Deletes every texture made so far; the context they were made in must be current.
    void ReleaseTextures();
    // Their context is gone, and the textures with it: forgets them without a GL call, so
    // the next request makes them again in the context current then.
    void ForgetTextures();

    // Every warning so far, in the order they arose ("house.3ds: texture BRICK.TGA not found").
    const std::vector<std::string>& Warnings() const { return m_aWarnings; }
    // The warnings that arose since the last call, for a status bar or a once-per-model message.
    std::vector<std::string> TakeNewWarnings();

private:
    struct SResolved {
        std::string strPath;                       // empty when not found
        ETextureStatus eStatus = ETextureStatus::ok;
    };

    std::string m_strModelPath;
    FDecode m_fnDecode;
    int m_nMaxSide = 0;  // 0 until the first upload asks the context
    std::map<std::string, SResolved> m_mapNames;                    // texture name -> its file
    std::map<std::pair<std::string, bool>, STextureRef> m_mapTextures;  // (file, tiled) -> texture
    std::vector<std::string> m_aWarnings;
    std::size_t m_nWarningsTaken = 0;

    void Warn(const std::string& strFileName, ETextureStatus eStatus);
};
