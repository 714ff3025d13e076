#pragma once

#include "SShadedMesh.h"
#include "TextureWrap.h"
#include "model/C3DS.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Full shading: the second way of drawing a model, beside C3DS::DrawModel and never inside
// it. BuildShadedMesh prepares the indexed arrays on the CPU once per model; this class puts
// them into a context (a buffer object, or client arrays where GL is older than 1.5) and
// decides how each frame draws them: opaque and cut-out textures with depth writes, and only
// partial alpha and transparent materials blended, back to front for the current eye.
//
// Usage for a frame, with the context current and the camera and model rotation set, in
// place of the classic call:
//     if (!shaded.IsBuilt()) shaded.Build(model);
//     dScale = shaded.Draw(dScale, resolver);   // dScale as DrawModel would get it
// When the context goes away, ReleaseContext() while it is still current, or
// ForgetContext() when it is already gone; the next Draw() sets the new one up again.
class CShadedModel {
public:
    // Returns the texture for this map in the current context: its name (0 to draw the
    // material in its colour, for now: the same map may get a texture a few frames later)
    // and its alpha kind. Asked on every frame for each textured material that has faces.
    // The texture stays the resolver's: nothing here deletes it or changes its parameters,
    // and its wrap mode is expected as TextureWrapOf(map) says (a decal clamped to a
    // transparent border). Images are expected bottom row first, as GL stores them.
    using TextureResolver = std::function<STextureRef(const S3DSTextureMap& map)>;

    CShadedModel() = default;
    ~CShadedModel() = default;  // GL objects are not deleted here: no context may be current
    CShadedModel(const CShadedModel&) = delete;
    CShadedModel& operator=(const CShadedModel&) = delete;

    // Builds the arrays from the model and its side data, replacing any earlier build; no GL
    // call. All or nothing: when memory runs out, returns false and the earlier build (or
    // none) stays as it was. The GL objects of a replaced build are forgotten, so call
    // ReleaseContext() first where the context is still there.
    bool Build(const C3DS& model);
    bool IsBuilt() const { return m_bBuilt; }

    // Draws the model as DrawModel(dScale, false, false) would place it: the same fit scale
    // for 0.0 (returned, as DrawModel returns it) and the same scaled coordinates, so the
    // two land on the same pixels. Needs a current context with the caller's lights;
    // restores every GL state it changes, also when the resolver throws (the exception then
    // goes on to the caller). An empty model makes no GL call.
    double Draw(double dScale, const TextureResolver& resolveTexture = {});

    void ReleaseContext();  // deletes the buffer objects in the current context
    void ForgetContext();   // the context is gone: drops the names without a GL call

    const SShadedMesh& Mesh() const { return m_mesh; }
    std::size_t Bytes() const;  // CPU memory held, for the benchmarks' accounting

private:
    enum class EPass : std::uint8_t { none, opaque, blended };
    struct SRun {  // consecutive indices of one material
        std::int32_t nMaterial;
        std::uint32_t nFirst, nCount;
    };

    bool PrepareContext(double dScale);
    void UploadPositions(double dScale);
    void ResolveTextures(const TextureResolver& resolveTexture);
    EPass PassOf(std::int32_t nMaterial) const;
    const STextureRef* TextureOf(std::int32_t nMaterial) const;
    void SortBlended(const float aAxis[3]);
    void DrawRun(const SRun& run, const void* pIndices, bool bTextured);
    void DrawRunInPass(const SRun& run, const void* pIndices, EPass ePass);

    bool m_bBuilt = false;
    bool m_bEmpty = true;  // no vertices or no faces: Draw does nothing, like DrawModel
    double m_dFitScale = 1.0;
    SShadedMesh m_mesh;
    std::vector<SRun> m_aRuns;               // the batches, consecutive ones of a material merged
    std::vector<STextureRef> m_aTextures;    // per material: this frame's answer
    std::vector<std::uint8_t> m_aAsked;      // per material: textured, with faces to draw

    // The blended faces back to front, for the eye they were sorted for.
    std::vector<std::uint32_t> m_aSorted;
    std::vector<SRun> m_aSortedRuns;
    std::vector<std::uint8_t> m_aSortedPasses;  // per material: its pass when they were sorted
    float m_fSortAxis[3] = {0.0f, 0.0f, 0.0f};

    // This context's state.
    bool m_bContextReady = false;
    bool m_bBufferObject = false;  // drawing from m_nBuffer and m_nIndexBuffer, else from client arrays
    unsigned m_nBuffer = 0, m_nIndexBuffer = 0;
    std::size_t m_nBufferSize = 0;
    double m_dUploadedScale = 0.0;
    std::vector<float> m_aScaledPositions;  // client arrays only
};
