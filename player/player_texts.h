// The player's user-visible texts, byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace player_texts {

inline constexpr char kProgram[] = "cantavo";  // prefix of messages to the terminal

// Dialog.
inline constexpr char kTitle[] = "Fonteq Player";
inline constexpr char kMsec[] = "msec";
inline constexpr char kRepeat[] = "Repeat";
inline constexpr char kOpen[] = "Open";
inline constexpr char kAbout[] = "&About Lirvane...";
inline constexpr char kSmafFilter[] = "SMAF (*.mmf)|*.mmf";
inline constexpr char kPromptCaption[] = "Cantavo";
inline constexpr char kPromptUnsigned[] = "Please enter a positive integer.";

// Terminal.
inline std::string FileError(std::string_view path, std::string_view reason) {
    return std::string(path) + ": " + std::string(reason);
}
inline std::string NoSound(std::string_view reason) {
    return "no sound output (" + std::string(reason) + "); playing is disabled";
}
inline constexpr char kNotSmaf[] = "not a playable SMAF file";
inline constexpr char kTooLarge[] = "too large for the player (4 GB at most)";
inline constexpr char kUnknownBackend[] =
    "unknown CANTAVO_AUDIO value (use portaudio, null, wav:PATH or wav-fast:PATH): ";
inline constexpr char kNoDefaultDevice[] = "PortAudio: no default output device";
inline constexpr char kUnsupportedFormat[] = "unsupported wave format (16-bit PCM stereo only)";

}  // namespace player_texts
