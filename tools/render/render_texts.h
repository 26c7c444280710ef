#pragma once
// Every text cantavo-render shows.

namespace cantavo::render_text {

inline constexpr const char* kProgram = "cantavo-render";
inline constexpr const char* kDescription =
    "cantavo-render [--start MS] [--loops N] [--raw] [--voices DIR] IN.mmf OUT\n"
    "cantavo-render [options] -d OUTDIR IN.mmf...\n\n"
    "Renders SMAF melodies (.mmf) to 16-bit stereo 22050 Hz audio, as the player plays them.\n"
    "The output format follows the extension of OUT: .wav, .flac, .ogg or .oga, and .mp3 where the "
    "installed\n"
    "libsndfile writes MP3; or raw little-endian PCM with --raw. With -d, every IN.mmf is written to OUTDIR\n"
    "under its own name (.wav, or .raw with --raw).";
inline constexpr const char* kStartHelp = "Start playing at this point of the song (milliseconds)";
inline constexpr const char* kLoopsHelp = "Play the song this many times (through repeat), then let it end";
inline constexpr const char* kRawHelp = "Write raw PCM instead of an audio file";
// %s: the installed data folder.
inline constexpr const char* kVoicesHelp =
    "Folder with the voice files ma2voice.vma and ma2voice.adp (default: $CANTAVO_VOICE_DIR, the user data "
    "folder, the installed data folder %s; without them the built-in voices)";
inline constexpr const char* kOutDirHelp = "Batch mode: render every input file into this folder";
inline constexpr const char* kFilesHelp = "IN.mmf OUT, or with -d the input files";

inline constexpr const char* kNeedInAndOut = "give one input file and one output file (or -d OUTDIR)";
inline constexpr const char* kNeedInputs = "give at least one input file";
inline constexpr const char* kBadLoops = "--loops must be at least 1";
inline constexpr const char* kVoicesNotFolder = "%s: not a folder";
inline constexpr const char* kOutDirNotFolder = "%s: not a folder";
// "out.xyz: cannot write '.xyz' files; OUT can end in .wav, .flac, .ogg, .oga, .mp3 (or use --raw)"
inline constexpr const char* kCannotWriteKind = "%s: cannot write %s; OUT can end in %s (or use --raw)";
inline constexpr const char* kExtensionFiles = "'%s' files";
inline constexpr const char* kNoExtensionFiles = "files without an extension";

// "<file>: <reason>"
inline constexpr const char* kFileError = "%s: %s";
inline constexpr const char* kCannotRead = "cannot read: %s";
inline constexpr const char* kTooLarge = "too large for the engine";
inline constexpr const char* kNotSmaf = "not a SMAF file";
inline constexpr const char* kNoTrack = "no playable track";
inline constexpr const char* kStartBeyondEnd = "start point %u ms lies beyond the last event of the song";
inline constexpr const char* kCannotWrite = "cannot write: %s";

// Batch progress: "[3/12] song.mmf"
inline constexpr const char* kProgress = "[%zu/%zu] %s";
inline constexpr const char* kFailedCount = "%zu of %zu files failed";

}  // namespace cantavo::render_text
