#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A glTF 2.0 asset built up piece by piece and written as one self-contained .glb, or as
// .gltf JSON with its binary buffer and its images as files of their own. The caller says
// what the scene holds; the writer owns the binary layout: every accessor gets a buffer view
// of its own, 4-byte aligned, with the target and the min/max the format asks for, so that
// what it writes is valid by construction as long as the data is (finite floats, indices
// within their vertices, unit normals: the caller's to ensure).
//
// Indices returned by the Add calls are glTF's own (accessor, image, texture, material,
// mesh, node numbers), in the order of the calls.
class CGltfWriter {
public:
    enum class EAlphaMode { opaque, mask, blend };
    enum EWrap : int { WRAP_REPEAT = 10497, WRAP_CLAMP_TO_EDGE = 33071, WRAP_MIRRORED_REPEAT = 33648 };

    struct SMaterial {
        std::string strName;
        std::array<float, 4> fBaseColor = {1.0f, 1.0f, 1.0f, 1.0f};
        float fMetallic = 0.0f;
        float fRoughness = 1.0f;
        int nBaseColorTexture = -1;  // a texture of AddTexture, on TEXCOORD_0
        EAlphaMode eAlphaMode = EAlphaMode::opaque;
        bool bDoubleSided = false;
        // KHR_materials_specular, written where bSpecular: the highlight's colour and its
        // strength, 0 to 1 each.
        bool bSpecular = false;
        std::array<float, 3> fSpecularColor = {1.0f, 1.0f, 1.0f};
        float fSpecularStrength = 1.0f;
    };

    struct SPrimitive {
        int nPositions = -1;  // accessors of AddVec3 / AddVec2 / AddIndices
        int nNormals = -1;
        int nTexCoords = -1;  // -1: none
        int nIndices = -1;
        int nMaterial = -1;   // -1: glTF's default material
    };

    struct SNode {
        std::string strName;  // UTF-8
        int nMesh = -1;
        std::vector<int> aChildren;
        std::array<float, 4> fRotation = {0.0f, 0.0f, 0.0f, 1.0f};  // quaternion x y z w
        std::array<float, 3> fScale = {1.0f, 1.0f, 1.0f};           // applied before the rotation
    };

    explicit CGltfWriter(std::string strGenerator);

    // Vertex attributes: three or two floats per vertex, at least one vertex. Positions get
    // min and max, which glTF requires of them.
    int AddVec3(std::span<const float> aValues, bool bMinMax);
    int AddVec2(std::span<const float> aValues);
    // Triangle corners, each below nVertices; stored in 16 bits where they fit.
    int AddIndices(std::span<const std::uint32_t> aIndices, std::uint32_t nVertices);

    // Positions with their bounds found beforehand (BoundsOf), where the data was made.
    struct SBounds {
        std::array<float, 3> fMin, fMax;
    };
    static SBounds BoundsOf(std::span<const float> aVec3);
    int AddVec3(std::span<const float> aValues, const SBounds& bounds);

    // An image file's bytes as they are, image/png or image/jpeg; strStem names its file
    // beside a .gltf (the writer adds the extension and keeps names unique).
    int AddImage(std::vector<std::uint8_t> aBytes, std::string strMimeType, std::string strStem);
    int AddTexture(int nImage, EWrap eWrapS, EWrap eWrapT);
    int AddMaterial(const SMaterial& material);
    int AddMesh(std::string strName, std::vector<SPrimitive> aPrimitives);
    int AddNode(SNode node);
    // The scene's root nodes; the default scene.
    void SetRoots(std::vector<int> aRoots) { m_aRoots = std::move(aRoots); }
    // asset.extras, a JSON object's text ("{...}"), or empty for none.
    void SetAssetExtras(std::string strJson) { m_strAssetExtras = std::move(strJson); }

    // The whole asset as a .glb file's bytes.
    std::vector<std::uint8_t> Glb() const;
    // The same bytes as consecutive pieces: aHead (the file's header, the JSON chunk and the
    // binary chunk's header), then aBody, which refers to the accessors' data and the images
    // where this writer holds them, so that a large file is written without a copy of it.
    // Valid while the writer is alive and unchanged.
    struct SGlb {
        std::vector<std::uint8_t> aHead;
        std::vector<std::span<const std::uint8_t>> aBody;
    };
    SGlb GlbPieces() const;

    // The asset as .gltf JSON referring to strBinName and to an image file per image,
    // named in aImageFiles (parallel to the images), all relative to the .gltf's folder.
    // An image's file is strImagePrefix, then its stem, numbered where stems repeat, never
    // beginning with '-', then .png or .jpg.
    struct SSeparate {
        std::string strJson;
        std::vector<std::uint8_t> aBin;  // the buffer without images
        std::vector<std::string> aImageFiles;
    };
    SSeparate Separate(const std::string& strBinName, const std::string& strImagePrefix) const;

    std::size_t ImageCount() const { return m_aImages.size(); }
    const std::vector<std::uint8_t>& ImageBytes(int nImage) const { return m_aImages[static_cast<std::size_t>(nImage)].aBytes; }

private:
    struct SView {
        std::size_t nOffset, nLength;  // in the buffer, and so in its block
        int nTarget;
    };
    // The buffer in blocks that are never moved: a large model's data is copied once, into
    // memory only as large as it needs, without knowing its size beforehand.
    struct SBlock {
        std::size_t nOffset;  // in the buffer
        std::vector<std::uint8_t> aBytes;
    };
    struct SAccessor {
        int nView;
        int nComponentType;
        std::size_t nCount;
        int nComponents;
        std::vector<float> aMin, aMax;  // empty unless asked for
    };
    struct SImage {
        std::vector<std::uint8_t> aBytes;
        std::string strMimeType;
        std::string strStem;
    };
    struct STexture {
        int nImage;
        EWrap eWrapS, eWrapT;
    };
    struct SMesh {
        std::string strName;
        std::vector<SPrimitive> aPrimitives;
    };

    int AddView(const void* pData, std::size_t nBytes, int nTarget);
    int AddFloats(std::span<const float> aValues, int nComponents, const SBounds* pBounds);
    // The views' bytes one after another, 4-byte aligned: a .gltf's buffer.
    std::vector<std::uint8_t> Binary() const;
    // JSON text; bEmbedImages puts the images into the binary buffer of nBinLength bytes
    // so far, at the offsets given, else refers to aImageFiles.
    std::string Json(std::size_t nBinLength, const std::string& strBinUri, const std::vector<std::size_t>& aImageOffsets,
                     const std::vector<std::string>& aImageFiles) const;

    std::string m_strGenerator;
    std::string m_strAssetExtras;
    std::size_t m_nBinLength = 0;
    std::vector<SBlock> m_aBlocks;
    std::vector<SView> m_aViews;
    std::vector<SAccessor> m_aAccessors;
    std::vector<SImage> m_aImages;
    std::vector<STexture> m_aTextures;
    std::vector<SMaterial> m_aMaterials;
    std::vector<SMesh> m_aMeshes;
    std::vector<SNode> m_aNodes;
    std::vector<int> m_aRoots;
};
