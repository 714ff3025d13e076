#pragma once

#include "TextureWrap.h"
#include "model/C3DS.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Full shading: the second way of drawing a model, beside C3DS::DrawModel and never inside
// it. Every face in its own material, normals smoothed by smoothing group, texture map 1 on
// the mapping coordinates, real transparency. Build() prepares everything on the CPU once
// per model; Draw() puts it into the current context from a buffer object (client-side
// vertex arrays where GL is older than 1.5), a few glDrawArrays calls a frame.
//
// Usage for a frame, with the context current and the camera and model rotation set, in
// place of the classic call:
//     if (!shaded.IsBuilt()) shaded.Build(model);
//     dScale = shaded.Draw(dScale, resolver);   // dScale as DrawModel would get it
// When the context goes away, ReleaseContext() while it is still current, or
// ForgetContext() when it is already gone; the next Draw() sets the new one up again.
class CShadedModel {
public:
    // Returns the name of a 2D texture already uploaded in the current context for this map,
    // or 0 to draw the material in its colour. Called from Draw() with the context current,
    // at most once per textured material and context; the answer is kept until the context
    // is released. The texture stays the resolver's: nothing here deletes it. Images are
    // expected bottom row first, as GL stores them, so mapping coordinate (0, 0) is the
    // image's lower left corner; an internal format with alpha (GL_RGBA) makes the material
    // blended, one without (GL_RGB) keeps it opaque. Draw() sets the texture's wrap mode
    // from the map's tiling flags.
    using TextureResolver = std::function<STextureRef(const S3DSTextureMap& map)>;

    CShadedModel() = default;
    ~CShadedModel() = default;  // GL objects are not deleted here: no context may be current
    CShadedModel(const CShadedModel&) = delete;
    CShadedModel& operator=(const CShadedModel&) = delete;

    // Builds the arrays from the model and its side data, replacing any earlier build; no GL
    // call. The GL objects of the previous build are forgotten, so call ReleaseContext()
    // first where the context is still there.
    void Build(const C3DS& model);
    bool IsBuilt() const { return m_bBuilt; }

    // Draws the model as DrawModel(dScale, false, false) would place it: the same fit scale
    // for 0.0 (returned, as DrawModel returns it) and the same scaled coordinates, so the
    // two land on the same pixels. Needs a current context with the caller's lights;
    // restores every GL state it changes. An empty model makes no GL call.
    double Draw(double dScale, const TextureResolver& resolveTexture = {});

    void ReleaseContext();  // deletes the buffer object in the current context
    void ForgetContext();   // the context is gone: drops the names without a GL call

    struct SBatch {
        std::int32_t nMaterial;  // position in C3DS::m_aMaterials, or -1 for the default material
        std::uint32_t nFirst;    // first vertex
        std::uint32_t nCount;    // vertices, three per triangle
    };

    // The arrays as built, for tests and the benchmarks' floor. Positions are the model's own,
    // unscaled; three floats each for positions and normals, two for texture coordinates,
    // which only the textured batches have: they come first, so theirs are a prefix (empty
    // when nothing is textured).
    const std::vector<float>& Positions() const { return m_aPositions; }
    const std::vector<float>& Normals() const { return m_aNormals; }
    const std::vector<float>& TexCoords() const { return m_aTexCoords; }
    const std::vector<SBatch>& Batches() const { return m_aBatches; }
    std::size_t Bytes() const;  // CPU memory held, for the benchmarks' accounting

private:
    struct SMaterial {
        float fAmbient[4], fDiffuse[4], fSpecular[4];
        float fShininess;  // 0..128
        bool bTwoSided;
        bool bTextured;
        S3DSTextureMap cTexture;
    };
    struct STexture {
        bool bResolved = false;
        unsigned nName = 0;
        bool bAlpha = false;
    };

    const SMaterial& MaterialOf(const SBatch& batch) const;
    bool PrepareContext(double dScale);
    void UploadPositions(double dScale);
    void ResolveTextures(const TextureResolver& resolveTexture);
    void DrawBatch(const SBatch& batch, const STexture* pTexture);

    bool m_bBuilt = false;
    bool m_bEmpty = true;  // no vertices or no faces: Draw does nothing, like DrawModel
    double m_dFitScale = 1.0;
    std::vector<float> m_aPositions, m_aNormals, m_aTexCoords;
    std::vector<SBatch> m_aBatches;
    std::vector<SMaterial> m_aMaterials;  // per model material, then the default one last
    std::vector<STexture> m_aTextures;    // per model material; this context's answers

    // This context's state.
    bool m_bContextReady = false;
    bool m_bBufferObject = false;  // drawing from m_nBuffer, else from client arrays
    unsigned m_nBuffer = 0;
    std::size_t m_nBufferSize = 0;
    double m_dUploadedScale = 0.0;
    std::vector<float> m_aScaledPositions;  // client arrays only
};
