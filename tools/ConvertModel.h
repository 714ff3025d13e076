#pragma once

#include "CGltfWriter.h"
#include "CTextureEmbedder.h"
#include "model/C3DS.h"

#include <string>
#include <string_view>

// The glTF asset of a model as full shading shows it, from full shading's own mesh
// (CShadedMeshBuilder, BuildShadedMesh's), so the two cannot drift:
//   - a root node that turns the file's Z-up into glTF's Y-up, and under it one node per
//     object with a mesh of one primitive per material;
//   - positions as the file stores them, in its own unit taken as metres (but see the
//     master scale below); normals as full
//     shading smooths them; mapping coordinates already through the texture map (scale,
//     offset, rotation baked in), with V turned to run down as glTF's does;
//   - materials: baseColorFactor the diffuse colour, whitened by the texture's percentage
//     as full shading modulates it, alpha 1 - transparency; metallic 0; roughness
//     (2 / (n + 2))^(1/4) for the Phong exponent n = shininess / 100 * 128, the usual
//     match of a Blinn-Phong lobe to GGX (alpha = sqrt(2 / (n + 2)), roughness =
//     sqrt(alpha)), so a dull material is fully rough and the shiniest 0.35;
//     OPAQUE, MASK for cut-out textures, BLEND for partial alpha or transparency;
//     doubleSided from the two-sided flag; the file's specular colour and shininess
//     strength as KHR_materials_specular's colour and factor, as Blender's 3DS importer
//     reads them (into its specular tint and intensity), so a strength of 0 leaves no
//     highlight, as in full shading;
//   - textures embedded (CTextureEmbedder); repeat, mirror and decal become REPEAT,
//     MIRRORED_REPEAT and CLAMP_TO_EDGE. glTF has no border: where a decal's coordinates
//     leave [0, 1], the edge texels stretch on, where full shading shows the colour.
// Triangles with a corner that is not finite are left out (glTF allows no NaN or infinity);
// a normal that is not unit length becomes the file's up, (0, 0, 1). strModelName names the
// root node: the model file's name as the disk has it, UTF-8 on any current system (a byte
// that is not becomes U+FFFD in the JSON), unlike the names inside the file.
//
// From the model the mesh was built from, whose side data may be empty:
//   - each object's node and mesh take the object's name, Latin-1 as UTF-8; an object
//     without a name is "object N" (N its number in the file); names may repeat, as glTF
//     allows;
//   - a master scale s scales the root node by 1 / s, as assimp's own 3DS importer scales
//     its root (Discreet3DSImporter::ApplyMasterScale, code/AssetLib/3DS/3DSLoader.cpp):
//     a reader then shows the model at the size assimp gives the .3ds itself. Blender's
//     importer reads no master scale at all, and an extra that readers ignore would leave
//     the size wrong everywhere, so it is applied, and asset.extras says so.
//
// A model whose objects keep to themselves (CShadedMeshBuilder::Parts) is built and written
// object by object, on worker threads; any other is built whole. Both give the same file.
// Materials are numbered as the objects first use them, in object order.
struct SConvertOptions {
    unsigned nThreads = 0;  // threads building objects: 0 one per core, 1 none beside the caller
    bool bWhole = false;    // build the mesh whole even where it could go object by object
};
void ConvertModel(const C3DS& model, CTextureEmbedder& textures, const std::string& strModelName, CGltfWriter& writer,
                  const SConvertOptions& options = {});

// The file's bytes as Latin-1, the code page of the DOS and Windows programs that wrote
// them, in UTF-8, which glTF's JSON requires.
std::string Latin1ToUtf8(std::string_view str);
