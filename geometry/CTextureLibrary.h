#pragma once

#include "geometry/TextureLevels.h"
#include "geometry/TextureWrap.h"
#include "model/CShadingData.h"
#include "platform/CPrefaultedBlock.h"
#include "platform/CTextureFinder.h"
#include "platform/STextureImage.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The textures of one model in one GL context. Each texture name a material gives is
// looked up once (one CTextureFinder per model, so each folder is listed once) and each
// file decoded once per wrap mode it is drawn with; a name that fails leaves exactly one
// warning line naming the model and the texture, and every later request for it costs a
// map look-up and returns 0, so the caller draws that material in its colour.
//
// Decoding needs Qt Gui and this layer does not, so it is handed in, in one of two ways:
//   - a decode function, called inside Texture() (the headless renderer, which must show
//     every texture in its one picture, and the tests); the texture is then made and
//     uploaded whole in that call;
//   - a request function, DecodeInBackground(): Texture() then only asks for the file and
//     answers 0 until the owner hands the finished chain (TextureLevels, made where it was
//     decoded) to Accept(), on this same thread. The viewer decodes on worker threads this
//     way, so a model opens in its material colours at once and each texture appears as it
//     is ready. Its texels then go into GL a slice at a time, in steps the owner takes
//     between frames (UploadSome), and Texture() answers 0 for it until every level is there.
// GL work happens in Texture, UploadSome and ReleaseTextures only, in the context current
// then, which must be the same one every time; the destructor makes no GL call (it may run
// with no context current), so release the textures first with their context current.
//
// The textures of a model hold at most TEXEL_BUDGET bytes of texels, every mipmap level
// counted, on the CPU while they wait and in GL after: one that would go beyond is drawn
// at half its sides until it fits, with one warning for the model. Nothing here throws:
// every failure, the decoder's included, ends as a warning and a 0.
class CTextureLibrary {
public:
    using FDecode = std::function<ETextureStatus(const std::string& strPath, int nMaxSide, STextureImage& image)>;
    using FRequest = std::function<void(const std::string& strPath, int nMaxSide)>;

    // Textures are at most this many texels a side (further bounded by the context's
    // GL_MAX_TEXTURE_SIZE): 64 MiB for one RGBA texture is plenty for a model's maps.
    static constexpr int MAX_TEXTURE_SIDE = 4096;
    static constexpr std::uint64_t TEXEL_BUDGET = 512ull << 20;
    // With background decoding, what one step copies into GL at most: about half a
    // millisecond on llvmpipe, against some 20 ms for a frame of the viewer. A texture's
    // rows never need more than this (MAX_TEXTURE_SIDE * 4 bytes), so every step gets on.
    static constexpr std::uint64_t UPLOAD_BYTES_PER_STEP = 4ull << 20;

    CTextureLibrary(std::string strModelPath, FDecode fnDecode);
    // From now on files are decoded by whoever fnRequest asks, and come back through Accept.
    void DecodeInBackground(FRequest fnRequest);
    // Another budget than TEXEL_BUDGET, in bytes, for textures decoded from now on.
    void SetTexelBudget(std::uint64_t nBytes) { m_nBudget = nBytes; }
    // Another bound than UPLOAD_BYTES_PER_STEP, at least one row of the widest texture.
    void SetUploadBytesPerStep(std::uint64_t nBytes);
    std::uint64_t UploadBytesPerStep() const { return m_nUploadPerStep; }

    // The GL texture for texture name strFileName as the model file stores it, wrapped as
    // eWrap asks, made in the current context on first use; 0 while it is being decoded
    // and for good when it is missing, unreadable, too large or malformed.
    unsigned Texture(const std::string& strFileName, ETextureWrap eWrap);
    // The same for a material's texture map, wrapped as TextureWrapOf(map) says: what full
    // shading's texture resolver answers, every frame, so a 0 may become a texture later.
    STextureRef Texture(const S3DSTextureMap& map);

    // A file asked for through the request function is decoded (or failed), with its
    // chain of levels. Files not asked for, or asked for before ForgetTextures, are ignored.
    void Accept(const std::string& strPath, ETextureStatus eStatus, STextureLevels levels);
    // Files asked for through the request function since the model was opened, and how
    // many of those are done, drawn or failed: "Loading textures n of m" while they differ.
    int Requested() const { return m_nRequested; }
    int Arrived() const { return m_nArrived; }
    // An accepted chain waits for its upload, or is part way in: the owner should take
    // another step.
    bool HasUploadsWaiting() const;
    // One step of background uploads, in the context the textures are drawn in, outside
    // any frame: the next waiting texture's storage is allocated (a step of its own), or at
    // most UploadBytesPerStep() bytes of its texels are copied. True when a texture became
    // whole in this step, so a frame should show it. One step, however many textures wait,
    // so no turn of the owner's event loop holds it up for more than one such step.
    bool UploadSome();
    // Bytes of texels the last step copied.
    std::uint64_t UploadedLastStep() const { return m_nUploadedLastStep; }
    // Whether the last step did nothing but find the next texture's memory still being made
    // ready (CPrefaultedBlock): the next step is better asked for a little later.
    bool WaitingForMemory() const { return m_bWaitingForMemory; }

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
    // One file in one wrap mode.
    struct STexture {
        STextureRef ref;                       // nName 0 until every level is uploaded
        bool bRequested = false;               // asked of the request function, not back yet
        std::optional<STextureLevels> levels;  // decoded, waiting for (the rest of) its upload
        unsigned nUploading = 0;               // its GL name while its levels are filled
        STextureUploadCursor cursor;           // how far they are
        std::uint64_t nBytes = 0;              // its share of the budget
        std::unique_ptr<CPrefaultedBlock> prefault;  // touched for GL's storage before it is made
    };
    using Key = std::pair<std::string, ETextureWrap>;

    unsigned TextureOf(const std::string& strFileName, ETextureWrap eWrap);
    void Decoded(STexture& texture, const std::string& strPath, const std::string& strName, ETextureStatus eStatus,
                 STextureLevels levels);
    // Makes texture's GL storage; false, with the file given up, when GL refuses it.
    bool Allocate(STexture& texture, const Key& key);
    // Copies at most nMaxBytes more of texture's levels; true once they are all in, and the
    // texture named for drawing.
    bool CopyLevels(STexture& texture, const Key& key, std::uint64_t nMaxBytes);
    void UploadFailed(const std::string& strPath);
    // Counts the file as arrived once nothing more of it is on the way: no request out, no
    // levels waiting, for any of its wraps.
    void Settle(const std::string& strPath);
    void Warn(const std::string& strText);
    void WarnAbout(const std::string& strFileName, ETextureStatus eStatus, const std::string& strDetail = {});
    std::string ModelName() const;

    std::string m_strModelPath;
    CTextureFinder m_cFinder;
    bool m_bFolderWarnings = false;  // the finder's refused folders are reported
    FDecode m_fnDecode;
    FRequest m_fnRequest;
    int m_nMaxSide = 0;  // 0 until the first upload asks the context
    std::map<std::string, SResolved> m_mapNames;  // texture name -> its file
    std::map<Key, STexture> m_mapTextures;        // (file, wrap) -> texture
    std::map<std::string, std::string> m_mapNameOfFile;  // file -> the first name that found it
    std::set<std::string> m_aFailedFiles;                // decoded or uploaded in vain, warned about
    std::uint64_t m_nBudget = TEXEL_BUDGET;
    std::uint64_t m_nBudgetUsed = 0;
    bool m_bBudgetWarned = false;
    int m_nRequested = 0, m_nArrived = 0;
    std::set<std::string> m_aAwaited;  // files requested and not yet arrived
    std::uint64_t m_nUploadPerStep = UPLOAD_BYTES_PER_STEP;
    std::uint64_t m_nUploadedLastStep = 0;
    bool m_bWaitingForMemory = false;
    std::optional<Key> m_uploading;  // the one texture part way into GL
    std::vector<std::string> m_aWarnings;
    std::size_t m_nWarningsTaken = 0;
};
