// make-samples DIR: writes the sample models of samples/ (house, cube, pyramid) into DIR.
// The output depends on nothing but this code, so running it again reproduces the
// committed files byte for byte.
//
// Z is up and every face is wound counter-clockwise seen from outside. Shapes are built
// from planar pieces: a piece is described in its own (u, v) plane and mapped to 3D by
// origin + u * U + v * V, with U x V pointing outward, so a counter-clockwise outline in
// (u, v) is counter-clockwise seen from outside.

#include "tools/C3dsWriter.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Vec3 = std::array<float, 3>;

struct SPlane {
    Vec3 origin;
    Vec3 u;
    Vec3 v;

    Vec3 At(float fU, float fV) const
    {
        return {origin[0] + fU * u[0] + fV * v[0], origin[1] + fU * u[1] + fV * v[1],
                origin[2] + fU * u[2] + fV * v[2]};
    }
};

// 3DS face flags: bit 2 edge AB visible, bit 1 BC, bit 0 CA. The diagonal that splits a
// quad is hidden so that wireframe tools show quads.
constexpr std::uint16_t kAllEdges = 0x7;
constexpr std::uint16_t kQuadFirst = 0x6;   // a, b, c of a, b, c, d: CA is the diagonal
constexpr std::uint16_t kQuadSecond = 0x3;  // a, c, d: AB is the diagonal

// One mesh object under construction, with its faces grouped by material.
class CMesh {
public:
    std::uint16_t Vertex(const Vec3& p)
    {
        m_aXyz.insert(m_aXyz.end(), p.begin(), p.end());
        return static_cast<std::uint16_t>(m_aXyz.size() / 3 - 1);
    }

    void Triangle(const std::string& strMaterial, std::uint16_t a, std::uint16_t b, std::uint16_t c,
                  std::uint16_t wFlags = kAllEdges)
    {
        Group(strMaterial).push_back(static_cast<std::uint16_t>(m_aFaces.size() / 4));
        m_aFaces.insert(m_aFaces.end(), {a, b, c, wFlags});
    }

    // Corners counter-clockwise seen from outside.
    void Quad(const std::string& strMaterial, std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d)
    {
        Triangle(strMaterial, a, b, c, kQuadFirst);
        Triangle(strMaterial, a, c, d, kQuadSecond);
    }

    // The rectangle [u0, u1] x [v0, v1] of a plane, with its own four vertices.
    void Rect(const std::string& strMaterial, const SPlane& plane, float u0, float v0, float u1, float v1)
    {
        Quad(strMaterial, Vertex(plane.At(u0, v0)), Vertex(plane.At(u1, v0)), Vertex(plane.At(u1, v1)),
             Vertex(plane.At(u0, v1)));
    }

    void Write(C3dsWriter& w, const std::string& strName) const
    {
        w.BeginObject(strName).Vertices(m_aXyz);
        // Identity axes and a zero origin: the vertices are already where they belong.
        w.MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
        w.BeginFaces(m_aFaces);
        for (const auto& group : m_aGroups)
            w.FaceMaterial(group.strMaterial, group.aFaces);
        w.End().End().End();  // face list, triangle mesh, named object
    }

private:
    struct SGroup {
        std::string strMaterial;
        std::vector<std::uint16_t> aFaces;
    };

    std::vector<std::uint16_t>& Group(const std::string& strMaterial)
    {
        for (auto& group : m_aGroups) {
            if (group.strMaterial == strMaterial)
                return group.aFaces;
        }
        m_aGroups.push_back({strMaterial, {}});
        return m_aGroups.back().aFaces;
    }

    std::vector<float> m_aXyz;
    std::vector<std::uint16_t> m_aFaces;  // a, b, c, flags per face
    std::vector<SGroup> m_aGroups;        // in order of first use
};

struct SMaterial {
    std::string strName;
    std::array<std::uint8_t, 3> ambient;
    std::array<std::uint8_t, 3> diffuse;
    std::array<std::uint8_t, 3> specular;
    std::uint16_t nShininess;
    std::uint16_t nShinStrength;
    std::uint16_t nTransparency;
};

// Every property the reader knows is written, so no value is inherited from the material
// before (the reader does not clear its record between materials).
void WriteMaterial(C3dsWriter& w, const SMaterial& m)
{
    w.Begin(0xAFFF);
    w.Begin(0xA000).Str(m.strName).End();
    w.ColorProperty(0xA010, m.ambient[0], m.ambient[1], m.ambient[2]);
    w.ColorProperty(0xA020, m.diffuse[0], m.diffuse[1], m.diffuse[2]);
    w.ColorProperty(0xA030, m.specular[0], m.specular[1], m.specular[2]);
    w.PercentProperty(0xA040, m.nShininess);
    w.PercentProperty(0xA041, m.nShinStrength);
    w.PercentProperty(0xA050, m.nTransparency);
    w.PercentProperty(0xA052, 0);
    w.PercentProperty(0xA053, 0);
    w.End();
}

struct SObject {
    std::string strName;
    CMesh mesh;
};

std::vector<std::uint8_t> Model(const std::vector<SMaterial>& materials, const std::vector<SObject>& objects)
{
    C3dsWriter w;
    w.LeadIn();
    // Materials first: the reader keeps a material only once the next name or the first
    // object has been read.
    for (const SMaterial& m : materials)
        WriteMaterial(w, m);
    for (const SObject& o : objects)
        o.mesh.Write(w, o.strName);
    return w.Finish().Bytes();
}

// The outside faces of the box [x0, x1] x [y0, y1] x [z0, z1], eight shared corners.
CMesh Box(const std::string& strMaterial, float x0, float y0, float z0, float x1, float y1, float z1, bool bBottom = true)
{
    CMesh m;
    std::uint16_t c[8];
    for (int i = 0; i < 8; ++i)
        c[i] = m.Vertex({i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0});
    if (bBottom)
        m.Quad(strMaterial, c[0], c[2], c[3], c[1]);  // -z
    m.Quad(strMaterial, c[4], c[5], c[7], c[6]);      // +z
    m.Quad(strMaterial, c[0], c[1], c[5], c[4]);      // -y
    m.Quad(strMaterial, c[3], c[2], c[6], c[7]);      // +y
    m.Quad(strMaterial, c[2], c[0], c[4], c[6]);      // -x
    m.Quad(strMaterial, c[1], c[3], c[7], c[5]);      // +x
    return m;
}

std::vector<std::uint8_t> Cube()
{
    return Model({{"Blue", {20, 40, 90}, {50, 100, 220}, {230, 230, 230}, 40, 60, 0}},
                 {{"Cube", Box("Blue", -0.5f, -0.5f, 0.0f, 0.5f, 0.5f, 1.0f)}});
}

std::vector<std::uint8_t> Pyramid()
{
    // The pyramid stands on the plate, so it has no bottom: that face could never be seen
    // and would only fight with the plate's top in the depth buffer.
    CMesh pyramid;
    const float fHalf = 0.7f, fBase = 0.1f;
    const std::uint16_t a = pyramid.Vertex({-fHalf, -fHalf, fBase});
    const std::uint16_t b = pyramid.Vertex({fHalf, -fHalf, fBase});
    const std::uint16_t c = pyramid.Vertex({fHalf, fHalf, fBase});
    const std::uint16_t d = pyramid.Vertex({-fHalf, fHalf, fBase});
    const std::uint16_t apex = pyramid.Vertex({0.0f, 0.0f, 1.2f});
    pyramid.Triangle("Sandstone", a, b, apex);
    pyramid.Triangle("Sandstone", b, c, apex);
    pyramid.Triangle("Sandstone", c, d, apex);
    pyramid.Triangle("Sandstone", d, a, apex);

    return Model({{"Sandstone", {90, 75, 40}, {215, 180, 100}, {60, 60, 50}, 10, 20, 0},
                  {"Slate", {30, 32, 36}, {90, 96, 110}, {120, 120, 120}, 30, 40, 0}},
                 {{"Pyramid", std::move(pyramid)}, {"Plate", Box("Slate", -1.0f, -1.0f, 0.0f, 1.0f, 1.0f, fBase)}});
}

// A wall rectangle [0, fWidth] x [0, fHeight] in its plane with rectangular holes. The
// wall is cut into vertical strips at the holes' edges; holes must not overlap in u.
struct SHole {
    float u0, v0, u1, v1;
};

void WallWithHoles(CMesh& mesh, const std::string& strMaterial, const SPlane& plane, float fWidth, float fHeight,
                   const std::vector<SHole>& holes)
{
    float u = 0.0f;
    for (const SHole& h : holes) {
        if (h.u0 > u)
            mesh.Rect(strMaterial, plane, u, 0.0f, h.u0, fHeight);
        if (h.v0 > 0.0f)
            mesh.Rect(strMaterial, plane, h.u0, 0.0f, h.u1, h.v0);
        if (h.v1 < fHeight)
            mesh.Rect(strMaterial, plane, h.u0, h.v1, h.u1, fHeight);
        u = h.u1;
    }
    if (u < fWidth)
        mesh.Rect(strMaterial, plane, u, 0.0f, fWidth, fHeight);
}

std::vector<std::uint8_t> House()
{
    const float X = 1.0f, Y = 0.75f;  // half length and half depth of the walls
    const float fEaves = 1.2f, fRidge = 1.8f;

    // Each wall's plane starts at its left corner seen from outside, so u runs left to right.
    const SPlane front{{-X, -Y, 0}, {1, 0, 0}, {0, 0, 1}};
    const SPlane back{{X, Y, 0}, {-1, 0, 0}, {0, 0, 1}};
    const SPlane left{{-X, Y, 0}, {0, -1, 0}, {0, 0, 1}};
    const SPlane right{{X, -Y, 0}, {0, 1, 0}, {0, 0, 1}};
    const SPlane floor{{-X, -Y, 0}, {0, 1, 0}, {1, 0, 0}};

    const SHole door{0.4f, 0.0f, 0.8f, 0.8f};
    const SHole frontWindow{1.2f, 0.4f, 1.7f, 0.9f};
    const SHole backWindow{0.75f, 0.4f, 1.25f, 0.9f};

    CMesh walls;
    WallWithHoles(walls, "Walls", front, 2 * X, fEaves, {door, frontWindow});
    WallWithHoles(walls, "Walls", back, 2 * X, fEaves, {backWindow});
    for (const SPlane* pEnd : {&left, &right}) {
        walls.Rect("Walls", *pEnd, 0.0f, 0.0f, 2 * Y, fEaves);
        walls.Triangle("Walls", walls.Vertex(pEnd->At(0.0f, fEaves)), walls.Vertex(pEnd->At(2 * Y, fEaves)),
                       walls.Vertex(pEnd->At(Y, fRidge)));
    }
    walls.Rect("Floor", floor, 0.0f, 0.0f, 2 * Y, 2 * X);

    // Two slanted quads that overhang the walls, ridge along x. Each plane's v runs from
    // the eaves up to the ridge.
    const float fOverhangX = 0.15f, fEaveY = 0.95f;
    const float fEaveZ = fRidge - (fRidge - fEaves) * fEaveY / Y;
    const float fRoofX = X + fOverhangX;
    CMesh roof;
    roof.Rect("Roof", SPlane{{-fRoofX, -fEaveY, fEaveZ}, {1, 0, 0}, {0, fEaveY, fRidge - fEaveZ}}, 0.0f, 0.0f,
              2 * fRoofX, 1.0f);
    roof.Rect("Roof", SPlane{{fRoofX, fEaveY, fEaveZ}, {-1, 0, 0}, {0, -fEaveY, fRidge - fEaveZ}}, 0.0f, 0.0f,
              2 * fRoofX, 1.0f);

    CMesh doorLeaf;
    doorLeaf.Rect("Door", front, door.u0, door.v0, door.u1, door.v1);

    CMesh glass;
    glass.Rect("Glass", front, frontWindow.u0, frontWindow.v0, frontWindow.u1, frontWindow.v1);
    glass.Rect("Glass", back, backWindow.u0, backWindow.v0, backWindow.u1, backWindow.v1);

    return Model({{"Walls", {80, 75, 65}, {235, 225, 200}, {40, 40, 40}, 10, 10, 0},
                  {"Floor", {50, 40, 30}, {150, 120, 90}, {20, 20, 20}, 5, 5, 0},
                  {"Roof", {90, 20, 15}, {190, 45, 35}, {90, 90, 90}, 25, 30, 0},
                  {"Door", {50, 30, 15}, {110, 70, 35}, {30, 30, 30}, 15, 10, 0},
                  {"Glass", {40, 60, 70}, {170, 210, 230}, {255, 255, 255}, 80, 90, 50}},
                 {{"Walls", std::move(walls)},
                  {"Roof", std::move(roof)},
                  {"Door", std::move(doorLeaf)},
                  {"Window", std::move(glass)}});
}

bool Save(const std::string& strPath, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make-samples: cannot write %s\n", strPath.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make-samples DIR\nWrites house.3ds, cube.3ds and pyramid.3ds into DIR.\n", stderr);
        return 2;
    }
    const std::string strDir = argv[1];
    bool bOk = Save(strDir + "/house.3ds", House());
    bOk = Save(strDir + "/cube.3ds", Cube()) && bOk;
    bOk = Save(strDir + "/pyramid.3ds", Pyramid()) && bOk;
    return bOk ? 0 : 1;
}
