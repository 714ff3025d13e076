// The texture decoder as a module of its own, for programs that must start without Qt: the
// headless renderer makes thumbnails in a few tens of milliseconds, and loading Qt Gui at
// start-up alone would add a fifth to that. It opens this module only when a picture needs
// textures (tools/LoadTextureDecoder).
#include "platform/DecodeTexture.h"

extern "C" __attribute__((visibility("default"))) int TessaronDecodeTextureFile(const char* pszPath, int nMaxSide,
                                                                                STextureImage* pImage)
{
    if (!pszPath || !pImage)
        return static_cast<int>(ETextureStatus::unreadable);
    // No exception may unwind into a caller that knows only C; the decoder reports its own
    // failures, this catches what the path's copy into a string could still throw.
    try {
        return static_cast<int>(DecodeTextureFile(pszPath, nMaxSide, *pImage));
    } catch (...) {
        return static_cast<int>(ETextureStatus::unreadable);
    }
}
