#pragma once

#include <string>
#include <string_view>

// The file a material's texture name stands for, looked up the way model folders are laid
// out, or an empty string. The name comes from an untrusted model file: only its last
// component (after '/', '\\' or a drive's ':') is used, so it can neither name a folder
// nor climb out of the folders below; "." and ".." and names longer than 255 bytes find
// nothing.
//
// Folders, in this order: the model's own folder; its subfolders called textures,
// texture, maps, images or tex (any case); the same subfolders of the folder one level
// up. Each folder is listed once and at most FIND_TEXTURE_MAX_ENTRIES of its entries are
// looked at, so a huge folder cannot stall the viewer. Only regular files match (a
// symbolic link to one counts). Letters compare without regard to ASCII case. Three
// passes over all the folders, the first that finds a file wins:
//   1. the exact name;
//   2. the same stem with another image extension (brick.rgb finds brick.tga), the
//      extensions in the order png, tga, jpg, jpeg, bmp, gif;
//   3. a DOS short name: a stem of the form PREFIX~N (N from 1 to 9999) stands for the
//      N-th, in sorted order, of the distinct long stems beginning with PREFIX, and a stem
//      of exactly eight characters without '~' for the first long stem beginning with it;
//      the long stem's file is taken with the name's own extension if it has one, else in
//      the extension order above.
std::string FindTextureFile(std::string_view strModelPath, std::string_view strTextureName);

inline constexpr int FIND_TEXTURE_MAX_ENTRIES = 4096;
