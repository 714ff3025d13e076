#include "DrawModel.h"

#include "ApplyMaterial.h"
#include "CMaterialCursor.h"
#include "DrawAxes.h"
#include "FitScale.h"
#include "VectorMath.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Triangles sent between two flushes. A software driver (Mesa's llvmpipe) holds every
// triangle it has binned until the frame is flushed: for a model of millions of faces that
// is some 40 MiB beside the model, which is what made a thumbnail of a large file peak at
// nearly three times the file. Ending the primitive and flushing every so many triangles
// lets it rasterize and reuse that memory as it goes; each triangle is drawn alone either
// way, so the pixels are the same.
constexpr std::size_t kTrianglesPerFlush = 16384;

// Finds an object's first vertex at or after a given position. Objects stand in the
// vertex array in the order of their faces, so a forward scan from the previous base is one
// pass over the vertices in all. A face whose object has no vertex there (a malformed file)
// would make every later search scan to the end; after the first such miss the vertices are
// indexed by object number instead, which answers the same question by binary search.
class CObjectBases {
public:
    explicit CObjectBases(const std::vector<S3DSVertex>& aVertices) : m_aVertices(aVertices) {}

    std::size_t Find(std::int32_t nObject, std::size_t nFrom)
    {
        if (m_aIndex.empty()) {
            for (std::size_t k = nFrom; k < m_aVertices.size(); ++k) {
                if (m_aVertices[k].nObject == nObject)
                    return k;
            }
            m_aIndex.reserve(m_aVertices.size());
            for (std::size_t k = 0; k < m_aVertices.size(); ++k)
                m_aIndex.emplace_back(m_aVertices[k].nObject, k);
            std::sort(m_aIndex.begin(), m_aIndex.end());
            return kNone;
        }
        const auto it = std::lower_bound(m_aIndex.begin(), m_aIndex.end(), std::make_pair(nObject, nFrom));
        return it != m_aIndex.end() && it->first == nObject ? it->second : kNone;
    }

private:
    const std::vector<S3DSVertex>& m_aVertices;
    std::vector<std::pair<std::int32_t, std::size_t>> m_aIndex;  // (object, position), sorted
};

} // namespace

double C3DS::DrawModel(double dScale, bool bVertexStrip, bool bAxes)
{
    if (m_aVertices.empty() || m_aFaces.empty())
        return dScale;
    if (dScale == 0.0)
        dScale = FitScale(m_aVertices);

    GLboolean bAlphaTest = GL_FALSE, bBlend = GL_FALSE;
    GLint nBlendSrc = GL_ONE, nBlendDst = GL_ZERO;
    GLfloat fAmbient[4] = {}, fDiffuse[4] = {}, fSpecular[4] = {}, fShininess = 0.0f;
    glGetBooleanv(GL_ALPHA_TEST, &bAlphaTest);
    glGetBooleanv(GL_BLEND, &bBlend);
    glGetIntegerv(GL_BLEND_SRC, &nBlendSrc);
    glGetIntegerv(GL_BLEND_DST, &nBlendDst);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, fDiffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &fShininess);

    // The alpha function is left at GL_ALWAYS, so the alpha test passes everything.
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);

    glPushMatrix();

    if (bVertexStrip) {
        glBegin(GL_LINE_STRIP);
        for (const S3DSVertex& v : m_aVertices)
            glVertex3f(Scaled(v.x, dScale), Scaled(v.y, dScale), Scaled(v.z, dScale));
        glEnd();
    }

    glBegin(GL_TRIANGLES);
    try {
        CMaterialCursor cMaterials(m_aFaceMaterials, m_aMaterials, m_aFaces.size());
        CObjectBases cBases(m_aVertices);
        std::int32_t nObject = 0;
        std::size_t nBase = 0;  // the vertex array is not empty, so position 0 exists
        bool bObjectMissing = false;
        std::size_t nSent = 0;
        for (std::size_t i = 0; i < m_aFaces.size(); ++i) {
            const S3DSFace& face = m_aFaces[i];
            if (const S3DSMaterial* pMaterial = cMaterials.Select(i, face.nObject))
                ApplyMaterial(*pMaterial);

            if (face.nObject != nObject) {
                nObject = face.nObject;
                const std::size_t nFound = cBases.Find(nObject, nBase);
                bObjectMissing = nFound == kNone;
                if (!bObjectMissing)
                    nBase = nFound;
            }
            // A face that reaches outside the vertices is left out; the triangle count
            // stays a multiple of three because nothing of it has been sent yet.
            const std::size_t nAvailable = m_aVertices.size() - nBase;
            if (bObjectMissing || face.a >= nAvailable || face.b >= nAvailable || face.c >= nAvailable)
                continue;

            const S3DSVertex& a = m_aVertices[nBase + face.a];
            const S3DSVertex& b = m_aVertices[nBase + face.b];
            const S3DSVertex& c = m_aVertices[nBase + face.c];
            const float ax = Scaled(a.x, dScale), ay = Scaled(a.y, dScale), az = Scaled(a.z, dScale);
            const float bx = Scaled(b.x, dScale), by = Scaled(b.y, dScale), bz = Scaled(b.z, dScale);
            const float cx = Scaled(c.x, dScale), cy = Scaled(c.y, dScale), cz = Scaled(c.z, dScale);
            SVector3d normal;
            CalcFaceNormal(ax, ay, az, bx, by, bz, cx, cy, cz, &normal);
            glNormal3f(static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z));
            glVertex3f(ax, ay, az);
            glVertex3f(bx, by, bz);
            glVertex3f(cx, cy, cz);
            if (++nSent % kTrianglesPerFlush == 0) {
                glEnd();
                glFlush();
                glBegin(GL_TRIANGLES);
            }
        }
    } catch (const std::bad_alloc&) {
        // Only the search indexes allocate. Without them the rest of this frame is left
        // out, but the primitive and the caller's state are still closed and restored.
    }
    glEnd();

    if (bAxes)
        DrawAxes(5);

    glPopMatrix();

    glMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, fDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, fShininess);
    if (!bAlphaTest)
        glDisable(GL_ALPHA_TEST);
    if (!bBlend)
        glDisable(GL_BLEND);
    glBlendFunc(static_cast<GLenum>(nBlendSrc), static_cast<GLenum>(nBlendDst));

    return dScale;
}
