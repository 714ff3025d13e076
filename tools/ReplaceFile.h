#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes bytes as the whole new content of strPath: under a name of its own beside the final
// one, renamed over it once complete, so that a file manager or a viewer reading it, or a
// second process writing a file of the same name, sees the old file or the new one whole,
// never a mix. Where no file can be made in the folder, or the path names no regular file (a
// pipe, /dev/stdout), it is written in place. False, with the reason in strError, when the
// file cannot be written; a half-written file is removed, and a device or pipe is kept.
// bIntoFile writes into the file itself (opened, truncated, written, flushed) for a caller
// that made it and reads it back through the descriptor it keeps open, which a rename would
// leave pointing at the empty file it made (XFCE's tumbler does so with thumbnails).
bool ReplaceFile(const std::string& strPath, std::span<const std::uint8_t> aBytes, std::string& strError,
                 bool bIntoFile = false);
// The same for content held in pieces, written one after the other.
bool ReplaceFile(const std::string& strPath, std::span<const std::span<const std::uint8_t>> aPieces,
                 std::string& strError, bool bIntoFile = false);
