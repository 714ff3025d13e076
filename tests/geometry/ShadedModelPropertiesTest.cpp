// Two properties full shading keeps on every model, checked on fixtures and on every real
// model the test set has, with its texture files: the order of the faces does not change
// the picture of a model without partial transparency (opaque faces write depth, blended
// ones are sorted), and neither does giving every face its own copies of its vertices
// (smoothing goes by position). Drawn off-screen at a few angles, through the real texture
// library and decoder.
#include "geometry/CShadedModel.h"
#include "geometry/CTextureLibrary.h"
#include "platform/DecodeTexture.h"
#include "tools/C3dsWriter.h"
#include "support/GLTest.h"
#include "support/TestFiles.h"

#include <QColor>
#include <QImage>
#include <QOpenGLFramebufferObject>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <utility>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 200;

// A model's faces in another order within each object: the groups' face numbers and the
// masks follow their faces, so each face keeps its material and smoothing.
void Permute(const C3DS& from, C3DS& to, bool bShuffle)
{
    to.m_aVertices = from.m_aVertices;
    to.m_aMaterials = from.m_aMaterials;
    to.m_cShading = from.m_cShading;
    const std::vector<S3DSFace>& aFaces = from.m_aFaces;
    std::vector<std::size_t> aOld(aFaces.size());  // new position -> old
    std::map<std::uint16_t, std::pair<std::size_t, std::size_t>> mapRuns;  // first run of each group number
    std::mt19937 random(20);
    for (std::size_t i = 0; i < aFaces.size();) {
        std::size_t j = i;
        while (j < aFaces.size() && aFaces[j].nObject == aFaces[i].nObject)
            ++j;
        const auto first = aOld.begin() + static_cast<std::ptrdiff_t>(i), last = aOld.begin() + static_cast<std::ptrdiff_t>(j);
        std::iota(first, last, i);
        if (bShuffle)
            std::shuffle(first, last, random);
        else
            std::reverse(first, last);
        mapRuns.try_emplace(static_cast<std::uint16_t>(aFaces[i].nObject), i, j);
        i = j;
    }
    std::vector<std::size_t> aNew(aFaces.size());
    to.m_aFaces.resize(aFaces.size());
    for (std::size_t k = 0; k < aFaces.size(); ++k) {
        to.m_aFaces[k] = aFaces[aOld[k]];
        aNew[aOld[k]] = k;
    }
    const std::vector<std::uint32_t>& aMasks = from.m_cShading.m_aSmoothing;
    if (aMasks.size() == aFaces.size()) {
        for (std::size_t k = 0; k < aFaces.size(); ++k)
            to.m_cShading.m_aSmoothing[k] = aMasks[aOld[k]];
    }
    // Groups name faces within the first run of their object's number.
    to.m_aFaceMaterials = from.m_aFaceMaterials;
    for (S3DSFaceMaterial& e : to.m_aFaceMaterials) {
        const auto it = mapRuns.find(e.wObject);
        if (it != mapRuns.end() && it->second.first + e.wFace < it->second.second)
            e.wFace = static_cast<std::uint16_t>(aNew[it->second.first + e.wFace] - it->second.first);
    }
}

// The same model with every face on its own three copies of its vertices, mapping
// coordinates copied with them. Objects too big for 16-bit corners that way stay as they
// are. Only for models whose objects are one run of vertices and one of faces, in one order.
bool Split(const C3DS& from, C3DS& to)
{
    to.m_aMaterials = from.m_aMaterials;
    to.m_aFaceMaterials = from.m_aFaceMaterials;
    to.m_cShading.m_aMaterials = from.m_cShading.m_aMaterials;
    to.m_cShading.m_aSmoothing = from.m_cShading.m_aSmoothing;
    const CShadingData& s = from.m_cShading;
    std::size_t nVertex = 0;
    for (std::size_t i = 0; i < from.m_aFaces.size();) {
        const std::int32_t nObject = from.m_aFaces[i].nObject;
        std::size_t j = i;
        while (j < from.m_aFaces.size() && from.m_aFaces[j].nObject == nObject)
            ++j;
        if (nVertex >= from.m_aVertices.size() || from.m_aVertices[nVertex].nObject != nObject)
            return false;
        const std::size_t nBase = nVertex;
        while (nVertex < from.m_aVertices.size() && from.m_aVertices[nVertex].nObject == nObject)
            ++nVertex;
        const S3DSObjectMapping* pMapping = nullptr;
        for (const S3DSObjectMapping& m : s.m_aObjectMappings)
            if (m.nObject == nObject)
                pMapping = &m;
        const bool bSplit = 3 * (j - i) <= 65535;
        const std::size_t nNewBase = to.m_aVertices.size();
        if (pMapping)
            to.m_cShading.m_aObjectMappings.push_back(
                {nObject, static_cast<std::uint32_t>(to.m_cShading.m_aTexCoords.size()), 0});
        auto copy = [&](std::size_t nLocal) {
            to.m_aVertices.push_back(from.m_aVertices[std::min(nBase + nLocal, from.m_aVertices.size() - 1)]);
            if (pMapping) {
                to.m_cShading.m_aTexCoords.push_back(nLocal < pMapping->nCount ? s.m_aTexCoords[pMapping->nFirst + nLocal]
                                                                               : S3DSTexCoord{});
                ++to.m_cShading.m_aObjectMappings.back().nCount;
            }
        };
        if (!bSplit)
            for (std::size_t v = nBase; v < nVertex; ++v)
                copy(v - nBase);
        for (std::size_t k = i; k < j; ++k) {
            S3DSFace f = from.m_aFaces[k];
            if (bSplit) {
                const std::uint16_t aCorners[3] = {f.a, f.b, f.c};
                for (const std::uint16_t c : aCorners)
                    copy(c);
                const auto nFirst = static_cast<std::uint16_t>(to.m_aVertices.size() - nNewBase - 3);
                f.a = nFirst;
                f.b = static_cast<std::uint16_t>(nFirst + 1);
                f.c = static_cast<std::uint16_t>(nFirst + 2);
            }
            to.m_aFaces.push_back(f);
        }
        i = j;
    }
    return true;
}

struct SPicture {
    std::vector<std::uint8_t> aRGBA;
};

std::size_t ModelPixels(const SPicture& a)
{
    std::size_t n = 0;
    for (std::size_t k = 3; k < a.aRGBA.size(); k += 4)
        n += a.aRGBA[k] != 0;
    return n;
}

// Pixels that differ by more than a few levels, against the pixels either picture's model covers.
double DifferingShare(const SPicture& a, const SPicture& b)
{
    std::size_t nModel = 0, nDiffering = 0;
    for (std::size_t k = 0; k < a.aRGBA.size(); k += 4) {
        const bool bModel = a.aRGBA[k + 3] != 0 || b.aRGBA[k + 3] != 0;  // the background's alpha is 0
        nModel += bModel;
        bool bDiffers = false;
        for (std::size_t c = 0; c < 4; ++c)
            bDiffers |= std::abs(int{a.aRGBA[k + c]} - int{b.aRGBA[k + c]}) > 8;
        nDiffering += bDiffers;
    }
    return nModel == 0 ? 0.0 : static_cast<double>(nDiffering) / static_cast<double>(nModel);
}

class ShadedModelProperties : public CGLTest {
protected:
    // The model fitted into the view, turned by the angles, lit from the viewer's side.
    SPicture Picture(const C3DS& model, const std::string& strPath, const std::array<float, 2>& angles)
    {
        QOpenGLFramebufferObject target(kSide, kSide, QOpenGLFramebufferObject::Depth);
        EXPECT_TRUE(target.bind());
        glViewport(0, 0, kSide, kSide);
        glClearColor(1.0f, 0.0f, 1.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.6, 0.6, -0.6, 0.6, 1.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat fAmbient[4] = {0.3f, 0.3f, 0.3f, 1.0f}, fLight[4] = {0.5f, 0.7f, 1.0f, 0.0f};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, fAmbient);
        glLightfv(GL_LIGHT0, GL_POSITION, fLight);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        glTranslatef(0.0f, 0.0f, -3.0f);
        glRotatef(angles[0], 1.0f, 0.0f, 0.0f);
        glRotatef(angles[1], 0.0f, 1.0f, 0.0f);

        float fLow[3] = {1e30f, 1e30f, 1e30f}, fHigh[3] = {-1e30f, -1e30f, -1e30f};
        for (const S3DSVertex& v : model.m_aVertices) {
            const float p[3] = {v.x, v.y, v.z};
            for (int d = 0; d < 3; ++d) {
                fLow[d] = std::min(fLow[d], p[d]);
                fHigh[d] = std::max(fHigh[d], p[d]);
            }
        }
        const float fExtent = std::max({fHigh[0] - fLow[0], fHigh[1] - fLow[1], fHigh[2] - fLow[2], 1e-6f});
        const double dScale = 1.6 / fExtent;
        glTranslated(-0.5 * (fLow[0] + fHigh[0]) * dScale, -0.5 * (fLow[1] + fHigh[1]) * dScale,
                     -0.5 * (fLow[2] + fHigh[2]) * dScale);

        CTextureLibrary library(strPath, DecodeTextureFile);
        CShadedModel shaded;
        EXPECT_TRUE(shaded.Build(model));
        shaded.Draw(dScale, [&](const S3DSTextureMap& map) { return library.Texture(map); });
        SPicture picture;
        picture.aRGBA.resize(std::size_t{kSide} * kSide * 4);
        glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, picture.aRGBA.data());
        shaded.ReleaseContext();
        library.ReleaseTextures();
        target.release();
        CGLTestContext::Instance().MakeCurrent();
        return picture;
    }

    // Both properties for one model file at three angles.
    void ExpectProperties(const std::string& strPath)
    {
        SCOPED_TRACE(strPath);
        std::ifstream in(strPath, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        C3DS model;
        model.ReadBuffer(bytes.data(), bytes.size());
        if (model.m_aFaces.empty())
            return;
        // Partial transparency is only in materials until the decoder tells a texture's alpha.
        bool bBlended = false;
        for (const S3DSMaterial& m : model.m_aMaterials)
            bBlended |= m.nTransparency > 0;
        C3DS reversed, shuffled, split;
        Permute(model, reversed, false);
        Permute(model, shuffled, true);
        const bool bSplit = Split(model, split);
        EXPECT_TRUE(bSplit);
        for (const auto& angles : {std::array<float, 2>{20, 30}, std::array<float, 2>{-70, 160}, std::array<float, 2>{110, -50}}) {
            SCOPED_TRACE(testing::Message() << "turned " << angles[0] << ", " << angles[1]);
            const SPicture original = Picture(model, strPath, angles);
            EXPECT_GT(ModelPixels(original), std::size_t{kSide * kSide / 50});  // the model is in the picture
            if (const char* pszDir = std::getenv("TESSARON_PROPERTY_PICTURES")) {
                QImage image(original.aRGBA.data(), kSide, kSide, QImage::Format_RGBA8888);
                image.mirrored().save(QString::fromStdString(std::string(pszDir) + "/" + std::to_string(m_nPictures) + ".png"));
            }
            if (!bBlended) {
                EXPECT_LE(DifferingShare(original, Picture(reversed, strPath, angles)), 0.005) << "faces reversed";
                EXPECT_LE(DifferingShare(original, Picture(shuffled, strPath, angles)), 0.005) << "faces shuffled";
            }
            if (bSplit) {
                EXPECT_LE(DifferingShare(original, Picture(split, strPath, angles)), 0.005) << "vertices split";
            }
            ++m_nPictures;
        }
    }

    int m_nPictures = 0;
};

// A smooth textured tube whose vertices are split along its texture seam, as exporters
// write it, closed at both ends: a back face drawn late must stay hidden, and the seam
// must not crease.
std::vector<std::uint8_t> Tube()
{
    constexpr int kSegments = 24;
    std::vector<float> xyz, uv;
    for (int k = 0; k <= kSegments; ++k) {  // the last column repeats the first, at u = 1
        const double a = 2.0 * M_PI * k / kSegments;
        for (const float z : {-1.0f, 1.0f}) {
            xyz.insert(xyz.end(), {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), z});
            uv.insert(uv.end(), {static_cast<float>(k) / kSegments, z > 0 ? 1.0f : 0.0f});
        }
    }
    std::vector<std::uint16_t> faces;
    std::vector<std::uint32_t> masks;
    for (int k = 0; k < kSegments; ++k) {
        const auto v = static_cast<std::uint16_t>(2 * k);
        faces.insert(faces.end(), {v, static_cast<std::uint16_t>(v + 2), static_cast<std::uint16_t>(v + 3), 0});
        faces.insert(faces.end(), {v, static_cast<std::uint16_t>(v + 3), static_cast<std::uint16_t>(v + 1), 0});
        masks.insert(masks.end(), {1, 1});
    }
    std::vector<std::uint16_t> all;
    for (std::uint16_t f = 0; f < 2 * kSegments; ++f)
        all.push_back(f);
    C3dsWriter w;
    w.LeadIn().BeginMaterial("paint", {60, 60, 60}, {200, 200, 200}, {0, 0, 0}).TextureMap("STRIPES.PNG").End();
    w.BeginObject("tube").Vertices(xyz).Mapping(uv).BeginFaces(faces).FaceMaterial("paint", all).Smoothing(masks);
    w.End().End().End();
    // The two caps, faceted, in their colour.
    w.BeginObject("caps").Vertices({-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1});
    w.BeginFaces({0, 2, 1, 0, 0, 3, 2, 0, 4, 5, 6, 0, 4, 6, 7, 0});
    return w.Finish().Bytes();
}

TEST_F(ShadedModelProperties, HoldOnATexturedTubeSplitAtItsSeam)
{
    CTempFile file(Tube(), "tube.3ds");
    QImage stripes(8, 8, QImage::Format_RGB888);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            stripes.setPixelColor(x, y, x < 4 ? QColor(230, 40, 40) : (y < 4 ? QColor(40, 200, 60) : QColor(40, 60, 220)));
    ASSERT_TRUE(stripes.save(QString::fromStdString(file.Dir() + "/STRIPES.PNG")));
    ExpectProperties(file.Path());
    EXPECT_EQ(m_nPictures, 3);
}

TEST_F(ShadedModelProperties, HoldOnEveryRealModelOfTheTestSet)
{
    const std::vector<std::string> files = Find3dsFiles(SystemModelFolders());
    ASSERT_GE(files.size(), 11u);
    for (const std::string& strPath : files)
        ExpectProperties(strPath);
    EXPECT_GE(m_nPictures, 3 * 11);
}

} // namespace
