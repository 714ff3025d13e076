#pragma once

#include "geometry/CTextureLibrary.h"

#include <string>

// The viewer's texture decoder for a program that starts without Qt: opens the module
// libtessaron-texture-decoder.so (beside the executable, as in the build tree, else in
// libexec/tessaron of the installation the executable belongs to) on the first call and
// returns a decoder for CTextureLibrary.
// When the module cannot be opened the decoder returned is empty and strError says why;
// CTextureLibrary then reports every texture as unreadable. Later calls reuse the module.
CTextureLibrary::FDecode LoadTextureDecoder(std::string& strError);
