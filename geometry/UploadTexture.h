#pragma once

struct STextureImage;

// Uploads image (power-of-two sides, as the decoder makes them) into the current context
// as a new 2D texture with a full chain of mipmaps, filtered linearly between texels and
// levels, repeating where bTile and clamped to its edges otherwise. Returns the texture's
// name, or 0 when the image is empty or not a power of two or GL refused it (out of
// memory, larger than the context allows); no texture is left behind then. The binding of
// GL_TEXTURE_2D and the unpack alignment are what they were before.
unsigned UploadTexture(const STextureImage& image, bool bTile);
