#pragma once

#include "STextureImage.h"

#include <string>

// The words a texture failure is reported in, one line each, the same wherever a model is
// drawn or converted (the viewer's status bar, tessaron-render, tessaron-convert). Each line
// begins with the model's file name (the last part of strModelPath). Names come from the
// model file or the disk, so every line goes through OneLine.

// "house.3ds: texture BRICK.TGA not found; its material is drawn in its colour." strLink is
// the link that leads out of the model's folder, for ETextureStatus::outside. The texture's
// name and the link are cut at 255 bytes, the reader's own bound for a stored name.
std::string TextureWarning(const std::string& strModelPath, const std::string& strTexture, ETextureStatus eStatus,
                           const std::string& strLink = {});

// "house.3ds: texture folder maps leads out of the model's folder and is not searched."
std::string TextureFolderWarning(const std::string& strModelPath, const std::string& strFolder);

// strText with every control character shown as '?': a name must not break the one line a
// status bar or a terminal shows.
std::string OneLine(std::string strText);
