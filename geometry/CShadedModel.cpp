#include "CShadedModel.h"

#include "BuildShadedMesh.h"
#include "FitScale.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <utility>

namespace {

bool HasBufferObjects()
{
    const auto* psz = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int nMajor = 0, nMinor = 0;
    if (!psz || std::sscanf(psz, "%d.%d", &nMajor, &nMinor) != 2)
        return false;
    return nMajor > 1 || (nMajor == 1 && nMinor >= 5);
}

// Everything a frame changes, put back when the frame ends, whichever way it ends: the
// attribute stacks, and the two buffer bindings they do not cover.
class CFrameState {
public:
    explicit CFrameState(bool bBuffers) : m_bBuffers(bBuffers)
    {
        glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT |
                     GL_CURRENT_BIT);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        if (m_bBuffers) {
            glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &m_nArray);
            glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &m_nElements);
        }
    }
    ~CFrameState()
    {
        if (m_bBuffers) {
            glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(m_nArray));
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(m_nElements));
        }
        glPopClientAttrib();
        glPopAttrib();
    }
    CFrameState(const CFrameState&) = delete;
    CFrameState& operator=(const CFrameState&) = delete;

private:
    bool m_bBuffers;
    GLint m_nArray = 0, m_nElements = 0;
};

const void* Offset(std::size_t nBytes)
{
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(nBytes));
}

} // namespace

bool CShadedModel::Build(const C3DS& model)
{
    try {
        SShadedMesh mesh = BuildShadedMesh(model);
        std::vector<SRun> aRuns;
        for (const SShadedBatch& b : mesh.aBatches) {
            if (!aRuns.empty() && aRuns.back().nMaterial == b.nMaterial)
                aRuns.back().nCount += b.nCount;
            else
                aRuns.push_back(SRun{b.nMaterial, b.nFirst, b.nCount});
        }
        std::vector<std::uint8_t> aAsked(mesh.aMaterials.size(), 0);
        for (const SRun& r : aRuns)
            if (r.nMaterial >= 0 && mesh.Material(r.nMaterial).bTextured && !mesh.aTexCoords.empty())
                aAsked[static_cast<std::size_t>(r.nMaterial)] = 1;
        std::vector<STextureRef> aTextures(mesh.aMaterials.size());
        std::vector<std::uint8_t> aSortedPasses(mesh.aMaterials.size(), 0);

        // Nothing below allocates: the new build replaces the old one whole.
        ForgetContext();
        m_bEmpty = model.m_aVertices.empty() || model.m_aFaces.empty();
        m_dFitScale = m_bEmpty ? 1.0 : FitScale(model.m_aVertices);
        m_mesh = std::move(mesh);
        m_aRuns = std::move(aRuns);
        m_aAsked = std::move(aAsked);
        m_aTextures = std::move(aTextures);
        m_aSortedPasses = std::move(aSortedPasses);
        std::vector<std::uint32_t>().swap(m_aSorted);
        std::vector<SRun>().swap(m_aSortedRuns);
        m_bBuilt = true;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::size_t CShadedModel::Bytes() const
{
    return m_mesh.Bytes() + m_aRuns.capacity() * sizeof(SRun) + m_aTextures.capacity() * sizeof(STextureRef) +
           m_aAsked.capacity() + m_aSorted.capacity() * sizeof(std::uint32_t) +
           m_aSortedRuns.capacity() * sizeof(SRun) + m_aSortedPasses.capacity() +
           m_aScaledPositions.capacity() * sizeof(float);
}

void CShadedModel::ForgetContext()
{
    m_bContextReady = false;
    m_nBuffer = m_nIndexBuffer = 0;
    m_nBufferSize = 0;
    std::vector<float>().swap(m_aScaledPositions);
}

void CShadedModel::ReleaseContext()
{
    const GLuint aBuffers[2] = {m_nBuffer, m_nIndexBuffer};
    if (m_nBuffer != 0 || m_nIndexBuffer != 0)
        glDeleteBuffers(2, aBuffers);
    ForgetContext();
}

// Positions scaled exactly as DrawModel scales them, into the buffer or the client array.
// In object mode the scale never changes; walk mode's zoom keys cost one upload each.
void CShadedModel::UploadPositions(double dScale)
{
    const std::vector<float>& aPositions = m_mesh.aPositions;
    const std::size_t nFloats = aPositions.size();
    if (!m_bBufferObject) {
        m_aScaledPositions.resize(nFloats);
        for (std::size_t k = 0; k < nFloats; ++k)
            m_aScaledPositions[k] = Scaled(aPositions[k], dScale);
    } else {
        // In slices, so the scaled copy never needs the whole array's memory at once.
        constexpr std::size_t kSlice = 3 * 65536;
        std::vector<float> aSlice(std::min(nFloats, kSlice));
        for (std::size_t k = 0; k < nFloats; k += kSlice) {
            const std::size_t n = std::min(kSlice, nFloats - k);
            for (std::size_t j = 0; j < n; ++j)
                aSlice[j] = Scaled(aPositions[k + j], dScale);
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(k * sizeof(float)),
                            static_cast<GLsizeiptr>(n * sizeof(float)), aSlice.data());
        }
    }
    m_dUploadedScale = dScale;
}

// Called with both buffer bindings free to change (the caller restores them); leaves ours
// bound when drawing from buffer objects.
bool CShadedModel::PrepareContext(double dScale)
{
    const std::size_t nVertexBytes = (m_mesh.aPositions.size() + m_mesh.aNormals.size() + m_mesh.aTexCoords.size()) *
                                     sizeof(float);
    const std::size_t nIndexBytes = m_mesh.aIndices.size() * sizeof(std::uint32_t);
    auto sizeOf = [](GLenum eTarget, GLuint nBuffer) {
        GLint nSize = -1;
        if (nBuffer != 0 && glIsBuffer(nBuffer)) {
            glBindBuffer(eTarget, nBuffer);
            glGetBufferParameteriv(eTarget, GL_BUFFER_SIZE, &nSize);
        }
        return static_cast<long long>(nSize);
    };
    // A context replaced without ForgetContext() would leave names that mean nothing there,
    // or another's buffers: check that ours are still ours before drawing from them.
    if (m_bContextReady && m_bBufferObject &&
        (sizeOf(GL_ARRAY_BUFFER, m_nBuffer) != static_cast<long long>(nVertexBytes) ||
         sizeOf(GL_ELEMENT_ARRAY_BUFFER, m_nIndexBuffer) != static_cast<long long>(nIndexBytes)))
        ForgetContext();
    if (!m_bContextReady) {
        m_bBufferObject = HasBufferObjects();
        if (m_bBufferObject) {
            GLuint aBuffers[2] = {0, 0};
            glGenBuffers(2, aBuffers);
            glBindBuffer(GL_ARRAY_BUFFER, aBuffers[0]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(nVertexBytes), nullptr, GL_STATIC_DRAW);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, aBuffers[1]);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(nIndexBytes), m_mesh.aIndices.data(),
                         GL_STATIC_DRAW);
            // Asked of the buffers themselves rather than of glGetError, which could report
            // an older error of the caller's.
            if (sizeOf(GL_ARRAY_BUFFER, aBuffers[0]) != static_cast<long long>(nVertexBytes) ||
                sizeOf(GL_ELEMENT_ARRAY_BUFFER, aBuffers[1]) != static_cast<long long>(nIndexBytes)) {
                // Too large for the driver's memory: client arrays need none of their own.
                glBindBuffer(GL_ARRAY_BUFFER, 0);
                glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
                glDeleteBuffers(2, aBuffers);
                m_bBufferObject = false;
            } else {
                m_nBuffer = aBuffers[0];
                m_nIndexBuffer = aBuffers[1];
                m_nBufferSize = nVertexBytes;
                const std::size_t nPositions = m_mesh.aPositions.size() * sizeof(float);
                const std::size_t nNormals = m_mesh.aNormals.size() * sizeof(float);
                glBindBuffer(GL_ARRAY_BUFFER, m_nBuffer);
                glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(nPositions), static_cast<GLsizeiptr>(nNormals),
                                m_mesh.aNormals.data());
                if (!m_mesh.aTexCoords.empty())
                    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(nPositions + nNormals),
                                    static_cast<GLsizeiptr>(m_mesh.aTexCoords.size() * sizeof(float)),
                                    m_mesh.aTexCoords.data());
            }
        }
        m_bContextReady = true;
        UploadPositions(dScale);
    } else {
        if (m_bBufferObject)
            glBindBuffer(GL_ARRAY_BUFFER, m_nBuffer);
        if (dScale != m_dUploadedScale)
            UploadPositions(dScale);
    }
    if (m_bBufferObject) {
        glBindBuffer(GL_ARRAY_BUFFER, m_nBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_nIndexBuffer);
    }
    return true;
}

void CShadedModel::ResolveTextures(const TextureResolver& resolveTexture)
{
    for (std::size_t k = 0; k < m_aAsked.size(); ++k) {
        m_aTextures[k] = STextureRef{};
        if (!m_aAsked[k] || !resolveTexture)
            continue;
        const STextureRef ref = resolveTexture(m_mesh.aMaterials[k].cTexture);
        // Binding a name that is no texture would make one: only real textures are kept.
        if (ref.nName != 0 && glIsTexture(ref.nName))
            m_aTextures[k] = ref;
    }
}

const STextureRef* CShadedModel::TextureOf(std::int32_t nMaterial) const
{
    if (nMaterial < 0)
        return nullptr;
    const STextureRef& t = m_aTextures[static_cast<std::size_t>(nMaterial)];
    return t.nName != 0 ? &t : nullptr;
}

// Opaque faces write depth, so their order does not matter; blended ones do not, and are
// drawn back to front after them.
CShadedModel::EPass CShadedModel::PassOf(std::int32_t nMaterial) const
{
    const STextureRef* pTexture = TextureOf(nMaterial);
    const SShadedMaterial& m = m_mesh.Material(nMaterial);
    return m.Transparent() || (pTexture && pTexture->eAlpha == ETextureAlpha::partial) ? EPass::blended : EPass::opaque;
}

// The blended faces sorted by their centres' depth along the eye's axis, farthest first, and
// cut into runs of one material. Done again only when the axis or the set of blended
// materials changes: a frame that turns nothing costs nothing here.
void CShadedModel::SortBlended(const float aAxis[3])
{
    bool bSame = !m_aSortedRuns.empty() && std::equal(aAxis, aAxis + 3, m_fSortAxis);
    for (std::size_t k = 0; k < m_aSortedPasses.size() && bSame; ++k)
        bSame = m_aSortedPasses[k] == static_cast<std::uint8_t>(PassOf(k + 1 == m_aSortedPasses.size() ? -1 : static_cast<std::int32_t>(k)));
    if (bSame)
        return;
    std::copy(aAxis, aAxis + 3, m_fSortAxis);
    for (std::size_t k = 0; k < m_aSortedPasses.size(); ++k)
        m_aSortedPasses[k] = static_cast<std::uint8_t>(PassOf(k + 1 == m_aSortedPasses.size() ? -1 : static_cast<std::int32_t>(k)));

    struct SFace {
        float fDepth;
        std::uint32_t nFirst;
        std::int32_t nMaterial;
    };
    std::vector<SFace> aFaces;
    const std::vector<float>& p = m_mesh.aPositions;
    const std::vector<std::uint32_t>& aIndices = m_mesh.aIndices;
    for (const SRun& r : m_aRuns) {
        if (PassOf(r.nMaterial) != EPass::blended)
            continue;
        for (std::uint32_t t = r.nFirst; t < r.nFirst + r.nCount; t += 3) {
            float fDepth = 0.0f;
            for (std::uint32_t c = 0; c < 3; ++c) {
                const float* v = &p[3 * std::size_t{aIndices[t + c]}];
                fDepth += aAxis[0] * v[0] + aAxis[1] * v[1] + aAxis[2] * v[2];
            }
            aFaces.push_back(SFace{fDepth, t, r.nMaterial});
        }
    }
    // Eye coordinates look down -z: the most negative depth is the farthest.
    std::stable_sort(aFaces.begin(), aFaces.end(), [](const SFace& a, const SFace& b) { return a.fDepth < b.fDepth; });
    m_aSorted.resize(aFaces.size() * 3);
    m_aSortedRuns.clear();
    for (std::size_t f = 0; f < aFaces.size(); ++f) {
        std::copy_n(&aIndices[aFaces[f].nFirst], 3, &m_aSorted[3 * f]);
        if (!m_aSortedRuns.empty() && m_aSortedRuns.back().nMaterial == aFaces[f].nMaterial)
            m_aSortedRuns.back().nCount += 3;
        else
            m_aSortedRuns.push_back(SRun{aFaces[f].nMaterial, static_cast<std::uint32_t>(3 * f), 3});
    }
}

void CShadedModel::DrawRun(const SRun& run, const void* pIndices, bool bTextured)
{
    const SShadedMaterial& m = m_mesh.Material(run.nMaterial);
    const STextureRef* pTexture = bTextured ? TextureOf(run.nMaterial) : nullptr;
    float fAmbient[4], fDiffuse[4];
    std::copy(m.fAmbient, m.fAmbient + 4, fAmbient);
    std::copy(m.fDiffuse, m.fDiffuse + 4, fDiffuse);
    if (pTexture) {
        // The texture modulates the lit colour; its percentage decides how far the
        // material's colour gives way to white, so at 100 % the texel shows as it is.
        for (int i = 0; i < 3; ++i) {
            fAmbient[i] += (1.0f - fAmbient[i]) * m.fTextureFraction;
            fDiffuse[i] += (1.0f - fDiffuse[i]) * m.fTextureFraction;
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, pTexture->nName);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    } else {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, fAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, fDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.fSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.fShininess);
    glColor4fv(fDiffuse);  // what an unlit context shows
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, m.bTwoSided ? GL_TRUE : GL_FALSE);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(run.nCount), GL_UNSIGNED_INT, pIndices);
}

// One run in its pass. A cut-out drops texels below one half; a decal shows its material
// where the texture's transparent border is, so it is drawn in its colour first and the
// texture over it at the same depth; partial alpha keeps texels above 0.
void CShadedModel::DrawRunInPass(const SRun& run, const void* pIndices, EPass ePass)
{
    const STextureRef* pTexture = TextureOf(run.nMaterial);
    if (!pTexture) {
        DrawRun(run, pIndices, false);
        return;
    }
    const SShadedMaterial& m = m_mesh.Material(run.nMaterial);
    const bool bDecal = m.eWrap == ETextureWrap::decal;
    if (bDecal)
        DrawRun(run, pIndices, false);
    const bool bCut = bDecal || pTexture->eAlpha == ETextureAlpha::cutout;
    if (ePass == EPass::opaque && bCut) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, 0.5f);
    }
    if (bDecal)
        glDepthFunc(GL_LEQUAL);
    DrawRun(run, pIndices, true);
    if (bDecal)
        glDepthFunc(GL_LESS);
    if (ePass == EPass::opaque && bCut)
        glDisable(GL_ALPHA_TEST);
}

double CShadedModel::Draw(double dScale, const TextureResolver& resolveTexture)
{
    if (!m_bBuilt || m_bEmpty)
        return dScale;
    if (dScale == 0.0)
        dScale = m_dFitScale;
    if (m_mesh.aBatches.empty())
        return dScale;

    const bool bCanBind = HasBufferObjects();
    const CFrameState state(bCanBind);
    ResolveTextures(resolveTexture);
    PrepareContext(dScale);
    if (!m_bBufferObject && bCanBind) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }

    const std::size_t nPositions = m_mesh.aPositions.size(), nNormals = m_mesh.aNormals.size();
    auto pointer = [&](const float* pClient, std::size_t nOffset) -> const void* {
        // A buffer object takes byte offsets where client arrays take addresses.
        return m_bBufferObject ? Offset(nOffset * sizeof(float)) : static_cast<const void*>(pClient);
    };
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, pointer(m_aScaledPositions.data(), 0));
    glNormalPointer(GL_FLOAT, 0, pointer(m_mesh.aNormals.data(), nPositions));
    if (!m_mesh.aTexCoords.empty())
        glTexCoordPointer(2, GL_FLOAT, 0, pointer(m_mesh.aTexCoords.data(), nPositions + nNormals));

    // Lighting takes the materials as they are set, not the current colour.
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);

    bool bBlended = false;
    for (const SRun& run : m_aRuns) {
        if (PassOf(run.nMaterial) == EPass::opaque) {
            const void* pIndices = m_bBufferObject ? Offset(run.nFirst * sizeof(std::uint32_t))
                                                   : static_cast<const void*>(&m_mesh.aIndices[run.nFirst]);
            DrawRunInPass(run, pIndices, EPass::opaque);
        } else {
            bBlended = true;
        }
    }
    if (bBlended) {
        // The eye's axis in model coordinates: the modelview's third row. The scale is
        // positive and the same on every axis, so it changes no order.
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const float aAxis[3] = {m[2], m[6], m[10]};
        SortBlended(aAxis);
        if (m_bBufferObject)
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);  // the sorted indices are client memory
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        // Fully transparent texels leave no trace at all.
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        for (const SRun& run : m_aSortedRuns)
            DrawRunInPass(run, &m_aSorted[run.nFirst], EPass::blended);
    }
    return dScale;
}
