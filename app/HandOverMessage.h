#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What a second launch hands to the running viewer: its files, already made absolute, and
// the tokens its launcher gave it for bringing a window to the front.
struct SHandOver {
    std::vector<std::string> aFiles;
    std::string strStartupId;        // DESKTOP_STARTUP_ID (X11 startup notification)
    std::string strActivationToken;  // XDG_ACTIVATION_TOKEN (Wayland)
};

// Bounds of one message; whatever passes them costs the viewer little to read.
inline constexpr std::size_t kMaxHandOverFiles = 256;
inline constexpr std::size_t kMaxHandOverPath = 4096;
inline constexpr std::size_t kMaxHandOverToken = 512;
inline constexpr std::size_t kMaxHandOverBytes = 256 * 1024;

// "TSR1", the count of files, the two tokens and then each file, every string after its
// length (4 bytes, little-endian). Empty when the hand-over is beyond the bounds.
std::string EncodeHandOver(const SHandOver& handOver);

enum class EHandOverDecode { Incomplete, Complete, Malformed };

// Reads a message that may still be arriving: Incomplete while every byte so far fits one,
// Complete when the bytes are exactly one, Malformed as soon as they cannot become one.
EHandOverDecode DecodeHandOver(std::string_view bytes, SHandOver& handOver);
