// Writes the fuzzer's starting inputs: small files that between them use every chunk the
// reader knows, in and out of their containers, with broken lengths, counts and strings;
// the .3ds models Debian installs; and every prefix of one rich multi-object scene.
//
// usage: tessaron-fuzz-seeds SEED_DIR PREFIX_DIR

#include "tools/C3dsWriter.h"
#include "TestFiles.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Write(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void PutU32(Bytes& bytes, std::size_t pos, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(pos + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

// Materials with every property (one beside a float colour, one with a texture map), an
// ambient light, a mesh with matrix, face-material groups and smoothing groups, a light
// that takes an object number, a second mesh, and a keyframer behind the editor chunk.
Bytes RichScene()
{
    C3dsWriter w;
    w.LeadIn();
    w.Material("red", {255, 0, 0}, {200, 10, 10}, {255, 255, 255}, 40, 10);
    w.Begin(0xAFFF).Begin(0xA000).Str("glass").End();
    w.Begin(0xA010).Begin(0x0010).F32(0.1f).F32(0.2f).F32(0.3f).End().Begin(0x0011).Raw({10, 20, 30}).End().End();
    w.ColorProperty(0xA020, 0, 0, 200).ColorProperty(0xA030, 255, 255, 255);
    for (std::uint16_t wProperty : std::initializer_list<std::uint16_t>{0xA040, 0xA041, 0xA050, 0xA052, 0xA053})
        w.PercentProperty(wProperty, static_cast<std::uint16_t>(wProperty & 0x7F));
    w.Begin(0xA200).Begin(0x0030).U16(77).End().Begin(0xA300).Str("glass.png").End().End();
    w.End();
    w.Begin(0x2100).Begin(0x0010).F32(0.2f).F32(0.2f).F32(0.2f).End().End();
    w.BeginObject("box")
        .Vertices({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1})
        .MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 1, 2});
    w.BeginFaces({0, 1, 2, 7, 0, 2, 3, 7, 4, 5, 6, 7, 4, 6, 7, 7}).FaceMaterial("red", {0, 1}).FaceMaterial("glass", {2, 3});
    w.Begin(0x4150).U32(1).U32(1).U32(2).U32(2).End();
    w.End().End().End();
    w.Begin(0x4000).Str("lamp").Begin(0x4600).F32(1).F32(2).F32(3).End().End();
    w.BeginObject("tri").Vertices({5, 5, 5, 6, 5, 5, 5, 6, 5});
    w.Begin(0x4140).U16(3).F32(0).F32(0).F32(1).F32(0).F32(0).F32(1).End();
    w.BeginFaces({0, 1, 2, 0}).FaceMaterial("red", {0, 9});
    w.End().End().End();
    w.End();  // editor
    w.Begin(0xB000).Begin(0xB00A).U16(5).Str("kf").End().End();
    return w.Finish().Bytes();
}

Bytes LeadInThen(void (*fill)(C3dsWriter&))
{
    C3dsWriter w;
    w.LeadIn();
    fill(w);
    return w.Finish().Bytes();
}

void WriteSeeds(const fs::path& dir)
{
    const Bytes rich = RichScene();
    Write(dir / "rich.3ds", rich);
    Write(dir / "leadin.3ds", LeadInThen([](C3dsWriter&) {}));
    Write(dir / "empty.3ds", {});
    Write(dir / "main-only.3ds", {0x4D, 0x4D, 6, 0, 0, 0});

    {  // the editor chunk right behind the version chunk, without a mesh-version chunk
        C3dsWriter w;
        w.Begin(0x4D4D).Begin(0x0002).U32(3).End().Begin(0x3D3D);
        w.BeginObject("x").Vertices({1, 2, 3});
        Write(dir / "no-mesh-version.3ds", w.Finish().Bytes());
    }
    {  // a version chunk of length 14 moves the editor chunk
        C3dsWriter w;
        w.Begin(0x4D4D).Header(0x0002, 14).U32(3).U32(0).Begin(0x3D3D).Begin(0x3D3E).U32(3).End();
        Write(dir / "version-14.3ds", w.Finish().Bytes());
    }

    // Every context rule broken once: the chunk right behind the lead-in.
    for (std::uint16_t wId : std::initializer_list<std::uint16_t>{0xA000, 0xA010, 0xA020, 0xA030, 0xA040, 0xA041, 0xA050, 0xA052, 0xA053, 0x4100, 0x4110,
                              0x4160, 0x4120, 0x4130, 0x4150, 0x0011, 0x0030, 0xB000, 0x2100}) {
        C3dsWriter w;
        w.LeadIn().Begin(wId).U16(1).Raw({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).End();
        char name[32];
        std::snprintf(name, sizeof name, "context-%04x.3ds", wId);
        Write(dir / name, w.Finish().Bytes());
    }
    Write(dir / "faces-then-vertices.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").BeginFaces({0, 1, 2, 0}).End().Vertices({0, 0, 0, 1, 1, 1, 2, 2, 2});
          }));
    Write(dir / "matrix-after-faces.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").Vertices({0, 0, 0}).BeginFaces({0, 0, 0, 0}).End();
              w.MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1});
          }));
    Write(dir / "property-before-name.3ds", LeadInThen([](C3dsWriter& w) {
              w.Material("a", {1, 1, 1}, {2, 2, 2}, {3, 3, 3});
              w.Begin(0xAFFF).ColorProperty(0xA030, 9, 9, 9).Begin(0xA000).Str("b").End().End();
              w.Begin(0x4000).Str("o").End();
          }));
    Write(dir / "materials-only.3ds", LeadInThen([](C3dsWriter& w) {
              w.Material("a", {1, 1, 1}, {2, 2, 2}, {3, 3, 3}).Material("b", {4, 4, 4}, {5, 5, 5}, {6, 6, 6});
          }));

    // Broken lengths, counts and strings.
    Write(dir / "length-0.3ds", LeadInThen([](C3dsWriter& w) { w.Header(0x1234, 0); }));
    Write(dir / "length-5.3ds", LeadInThen([](C3dsWriter& w) { w.Header(0xB000, 5).U32(0); }));
    Write(dir / "length-huge.3ds", LeadInThen([](C3dsWriter& w) { w.Header(0x4150, 0xFFFFFFFF).U32(0); }));
    Write(dir / "mesh-version-length-0.3ds", [] {
        C3dsWriter w;
        w.Begin(0x4D4D).Begin(0x0002).U32(3).End().Begin(0x3D3D).Header(0x3D3E, 0).U32(3);
        return w.Finish().Bytes();
    }());
    Write(dir / "vertex-count-too-big.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").Begin(0x4110).U16(0xFFFF).F32(1).F32(2).F32(3).End();
          }));
    Write(dir / "face-count-too-big.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").Vertices({0, 0, 0}).Begin(0x4120).U16(1000).U16(0).U16(0).U16(0).U16(0).End();
          }));
    Write(dir / "face-material-count-too-big.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").Vertices({0, 0, 0}).BeginFaces({0, 0, 0, 0});
              w.Begin(0x4130).Str("m").U16(500).U16(0).End();
          }));
    Write(dir / "unterminated-material-name.3ds", LeadInThen([](C3dsWriter& w) {
              w.Begin(0xAFFF).Begin(0xA000).Raw({'a', 'b', 'c'});
          }));
    Write(dir / "unterminated-object-name.3ds", LeadInThen([](C3dsWriter& w) { w.Begin(0x4000).Raw({'o', 'b'}); }));
    Write(dir / "unterminated-face-material.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").BeginFaces({}).Begin(0x4130).Raw({'m', 'a', 't'});
          }));
    Write(dir / "short-colour.3ds", LeadInThen([](C3dsWriter& w) {
              w.Begin(0xAFFF).Begin(0xA020).Header(0x0011, 6).Raw({1});
          }));
    Write(dir / "short-matrix.3ds", LeadInThen([](C3dsWriter& w) {
              w.BeginObject("o").Begin(0x4160).F32(1).F32(2);
          }));
    // What full shading reads beside the model: a textured two-sided material, mapping
    // coordinates and smoothing masks, whole and broken in each of the ways that drop them.
    Write(dir / "shaded.3ds", LeadInThen([](C3dsWriter& w) {
        w.BeginMaterial("wood", {90, 60, 30}, {180, 120, 60}, {255, 255, 255}, 50, 30);
        w.TextureMap("WOOD.TGA", 80, 2.0f, 0.5f, 0.25f, -1.0f, 0x0010).TwoSided().End();
        w.Material("plain", {10, 10, 10}, {200, 200, 200}, {0, 0, 0});
        w.BeginObject("quad").Vertices({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
        w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("wood", {1}).FaceMaterial("plain", {0}).Smoothing({1, 3});
    }));
    // The whole texture map: rotation, mirror, decal, 0 % and a float percentage, a scale of 0.
    Write(dir / "shaded-map-transform.3ds", LeadInThen([](C3dsWriter& w) {
        w.BeginMaterial("turned", {90, 60, 30}, {180, 120, 60}, {255, 255, 255}, 50, 0);
        w.TextureMap("T0.TGA", 100, 2.0f, 0.0f, 0.25f, 0.1f, 0x0002, 30.0f).End();
        w.BeginMaterial("decal", {90, 60, 30}, {180, 120, 60}, {255, 255, 255}, 50, 40);
        w.TextureMap("D1.TGA", 100, 2.0f, 2.0f, 0, 0, 0x0010, -45.0f, 62.5f).End();
        w.BeginMaterial("none", {90, 60, 30}, {180, 120, 60}, {255, 255, 255}).TextureMap("N2.TGA", 0).End();
        w.BeginObject("quads").Vertices({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1});
        w.Mapping({0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1});
        w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 4, 5, 6, 0, 4, 6, 7, 0});
        w.FaceMaterial("turned", {0}).FaceMaterial("decal", {1, 2}).FaceMaterial("none", {3}).Smoothing({1, 1, 2, 2});
    }));
    // Names as exporters write them: Latin-1, repeated, empty; and a master scale, once whole
    // and once cut short.
    Write(dir / "names-and-scale.3ds", LeadInThen([](C3dsWriter& w) {
        w.MasterScale(0.0254f).Material("m", {1, 1, 1}, {200, 0, 0}, {3, 3, 3});
        w.BeginObject("W\xFCrfel").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 0}).FaceMaterial("m", {0});
        w.End().End().End();
        w.BeginObject("W\xFCrfel").Vertices({0, 0, 1, 1, 0, 1, 0, 1, 1}).BeginFaces({0, 1, 2, 0}).End().End().End();
        w.BeginObject("").Vertices({0, 0, 2, 1, 0, 2, 0, 1, 2}).BeginFaces({0, 1, 2, 0});
    }));
    Write(dir / "short-master-scale.3ds", LeadInThen([](C3dsWriter& w) {
        w.Begin(0x0100).U16(1).End().BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 0});
    }));
    Write(dir / "texture-child-past-map.3ds", LeadInThen([](C3dsWriter& w) {
        w.BeginMaterial("m", {1, 1, 1}, {2, 2, 2}, {3, 3, 3}).Begin(0xA200).Header(0xA300, 200).Str("x.png").End();
    }));
    Write(dir / "mapping-count-past-chunk.3ds", LeadInThen([](C3dsWriter& w) {
        w.BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).Begin(0x4140).U16(500).F32(0).F32(1).End();
        w.BeginFaces({0, 1, 2, 0});
    }));
    Write(dir / "smoothing-short.3ds", LeadInThen([](C3dsWriter& w) {
        w.BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 0, 0, 2, 1, 0}).Smoothing({1});
    }));
    Write(dir / "ambient-light-then-mesh.3ds", LeadInThen([](C3dsWriter& w) {
              w.Begin(0x2100).End().Begin(0x4100).Vertices({1, 1, 1}).BeginFaces({0, 0, 0, 0});
          }));

    // The rich scene with each length field of its first chunks broken, and cut short.
    for (std::size_t pos : {2u, 8u, 18u, 24u, 34u, 40u, 46u}) {
        for (std::uint32_t nLength : {0u, 5u, 0x7FFFFFFFu}) {
            Bytes bytes = rich;
            PutU32(bytes, pos, nLength);
            Write(dir / ("rich-length-at-" + std::to_string(pos) + "-" + std::to_string(nLength) + ".3ds"), bytes);
        }
    }
    for (std::size_t n = 7; n < rich.size(); n += rich.size() / 9)
        Write(dir / ("rich-cut-" + std::to_string(n) + ".3ds"), Bytes(rich.begin(), rich.begin() + static_cast<long>(n)));

    // Real models, as exporters write them.
    for (const std::string& strPath : Find3dsFiles(SystemModelFolders()))
        fs::copy_file(strPath, dir / ("system-" + fs::path(strPath).filename().string()),
                      fs::copy_options::overwrite_existing);
}

void WritePrefixes(const fs::path& dir)
{
    const Bytes rich = RichScene();
    for (std::size_t n = 0; n <= rich.size(); ++n)
        Write(dir / ("prefix-" + std::to_string(n) + ".3ds"), Bytes(rich.begin(), rich.begin() + static_cast<long>(n)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SEED_DIR PREFIX_DIR\n", argv[0]);
        return 2;
    }
    try {
        for (int i = 1; i < 3; ++i) {
            // Start clean so a seed that is no longer written does not linger.
            fs::remove_all(argv[i]);
            fs::create_directories(argv[i]);
        }
        WriteSeeds(argv[1]);
        WritePrefixes(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
