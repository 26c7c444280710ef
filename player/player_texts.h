// The player's user-visible texts, byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cantavo::player_texts {

inline constexpr char kProgram[] = "cantavo";  // prefix of messages to the terminal

// Dialog.
inline constexpr char kTitle[] = "Fonteq Player";
inline constexpr char kMsec[] = "msec";
inline constexpr char kRepeat[] = "Repeat";
inline constexpr char kOpen[] = "Open";
inline constexpr char kAbout[] = "&About Lirvane...";
// The Open dialog's filter; %s are the audio patterns ("*.wav;*.flac;...").
inline constexpr char kOpenFilter[] =
    "Melody, MIDI and audio files|*.mmf;*.mid;*.midi;%s|SMAF (*.mmf)|*.mmf|MIDI (*.mid, *.midi)|*.mid;*.midi|"
    "Audio|%s";
inline constexpr char kPromptCaption[] = "Cantavo";
inline constexpr char kPromptUnsigned[] = "Please enter a positive integer.";
inline constexpr char kLeft[] = "L";
inline constexpr char kRight[] = "R";

// A time as minutes and seconds, "m:ss".
inline std::string MinutesText(uint32_t ms) {
    const uint32_t seconds = ms / 1000;
    const std::string ss = std::to_string(seconds % 60);
    return std::to_string(seconds / 60) + ":" + (ss.size() < 2 ? "0" : "") + ss;
}
// The position bar's "elapsed / length": where the song is, and its length ("-:--" until it is known).
inline std::string PositionText(uint32_t position_ms, std::optional<uint32_t> length_ms) {
    return MinutesText(position_ms) + " / " + (length_ms ? MinutesText(*length_ms) : "-:--");
}

// Tooltips.
inline constexpr char kFileNameTip[] = "The melody file being played";
inline constexpr char kStartMsTip[] = "Where Play starts, in milliseconds from the beginning of the melody";
inline constexpr char kElapsedMsTip[] = "Milliseconds played since Play was pressed";
inline constexpr char kRepeatTip[] = "Start the melody again from the beginning when it ends";
inline constexpr char kRewindTip[] = "Start one second earlier";
inline constexpr char kPlayTip[] = "Play from the start position";
inline constexpr char kPauseTip[] = "Pause; press again to go on";
inline constexpr char kStopTip[] = "Stop playing";
inline constexpr char kForwardTip[] = "Start one second later";
inline constexpr char kOpenTip[] =
    "Open a SMAF melody (.mmf) and play it, or a MIDI or audio file, converted as for a slot of its kind";
inline constexpr char kPositionTip[] =
    "Where the melody is: drag to go elsewhere in it (while stopped, this sets the start position)";
inline constexpr char kPositionTextTip[] = "Position and length of the melody, in minutes and seconds";
inline constexpr char kMeterTip[] = "Peak level of the left and the right channel";

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

}  // namespace cantavo::player_texts
