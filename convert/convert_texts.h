#pragma once
// Every text the converter shows: the reasons of its errors and the lines of its report.

namespace cantavo::convert_text {

// "<file>: <reason>"
inline constexpr const char* kFileError = "%s: %s";
inline constexpr const char* kCannotRead = "cannot read: %s";
inline constexpr const char* kUnknownKind =
    "neither a MIDI file nor an audio file that libsndfile reads (%s)";
inline constexpr const char* kMidiForAdpcm = "a MIDI file becomes a melody for an FM slot, not an ADPCM slot";
inline constexpr const char* kAudioForFm = "an audio file becomes a melody for an ADPCM slot, not an FM slot";

inline constexpr const char* kNotMidi = "not a MIDI file";
inline constexpr const char* kMidiTooLarge = "larger than 16 MB, too large for a MIDI file";
inline constexpr const char* kMidiFormat2 = "MIDI format 2 (independent sequences) is not supported";
inline constexpr const char* kMidiNoDivision = "the MIDI header gives no time division";
inline constexpr const char* kMidiNoTrack = "no track in the MIDI file";
inline constexpr const char* kMidiDamaged = "damaged MIDI file: ";
inline constexpr const char* kNoNotes = "no notes in the MIDI file";
inline constexpr const char* kNoPlayableNotes =
    "no notes in the MIDI file but drum notes without a drum sound";
inline constexpr const char* kNoSound = "no sound in the audio file";
inline constexpr const char* kAudioUnreadable = "cannot decode the audio: %s";
inline constexpr const char* kNoRoom = "%u bytes leave no room for a melody (the smallest takes %u)";
inline constexpr const char* kNoRoomForNotes = "%u bytes leave no room for any note of the song";

// The report: one "label: text" line per field.
inline constexpr const char* kLine = "%-20s %s\n";
inline constexpr const char* kInputLabel = "input:";
inline constexpr const char* kOutputLabel = "output:";
inline constexpr const char* kTimebaseLabel = "timebase:";
inline constexpr const char* kVoicesLabel = "voices:";
inline constexpr const char* kVelocityLabel = "velocity:";
inline constexpr const char* kDroppedLabel = "notes dropped:";
inline constexpr const char* kThinnedLabel = "controllers thinned:";
inline constexpr const char* kCutLabel = "cut point:";
inline constexpr const char* kStepsLabel = "fit steps:";
inline constexpr const char* kRateLabel = "sample rate:";
inline constexpr const char* kLevelLabel = "level:";
inline constexpr const char* kNoteLabel = "note:";

inline constexpr const char* kMidiInput = "%s: MIDI format %u, %s, %s; %s, %s";
inline constexpr const char* kTicksPerQuarter = "%u ticks per quarter note";
inline constexpr const char* kSmpteDivision = "%u frames per second, %u ticks per frame";
inline constexpr const char* kAudioInput = "%s: %s, %u Hz, %s; %s";
inline constexpr const char* kOutput = "%u of %u bytes (%s)";
inline constexpr const char* kFmSlot = "FM slot";
inline constexpr const char* kAdpcmSlot = "ADPCM slot";
inline constexpr const char* kLimitGiven = "--max-bytes";
inline constexpr const char* kScoreTracks = ", %s";
inline constexpr const char* kTimebase = "%u ms";
inline constexpr const char* kTimebaseCoarser = "%u ms (%u ms does not fit)";
inline constexpr const char* kMelodyVoices2 = "%s, 2-operator";
inline constexpr const char* kMelodyVoices4 = "%s, %u of them 4-operator";
inline constexpr const char* kFourGaveWay = " (4-operator voices did not fit)";
inline constexpr const char* kDrumVoices = "; %s from the drum bank";
inline constexpr const char* kVelocityFull = "every note at full velocity";
inline constexpr const char* kVelocityFolded = "one per channel, folded into its expression";
inline constexpr const char* kVelocityApproximated =
    "approximated with expression changes (score notes carry no velocity)";
inline constexpr const char* kNone = "none";
inline constexpr const char* kDroppedEngine =
    "%u above the engine's 16 voices and 32 operators (%u more cut short)";
inline constexpr const char* kDroppedFit = "%u to fit in %d voices (%u more cut short)";
inline constexpr const char* kExpressionHeld = "expression held at its usual level on %s (%u changes)";
inline constexpr const char* kModulationDropped = "modulation dropped on %s (%u changes)";
inline constexpr const char* kBendStepped =
    "pitch bend in quarter-semitone steps on %s (%u changes, %u left)";
inline constexpr const char* kCutAtBar = "end of bar %u (%s), last notes released; %u of %u notes kept";
inline constexpr const char* kCutInFirstBar =
    "%s, inside the first bar, last notes released; %u of %u notes kept";
inline constexpr const char* kStepTimebase = "coarser timebase";
inline constexpr const char* kStepControllers = "controllers thinned";
inline constexpr const char* kStepPolyphony = "polyphony reduced";
inline constexpr const char* kStepCut = "song cut";
inline constexpr const char* kRate = "%u Hz";
inline constexpr const char* kRateLower = "%u Hz (8000 Hz takes %u bytes)";
inline constexpr const char* kLevel = "normalised by %+.1f dB";
inline constexpr const char* kAudioCut = "%.1f of %.1f s kept, %u ms fade-out";
inline constexpr const char* kDamaged = "the file is damaged (%s); what came before was converted";
inline constexpr const char* kAfterLimit = "%u events after 60:00 left out";
inline constexpr const char* kUnknownBank =
    "channel %u selects a bank that has no voices here; the General MIDI voices play";
inline constexpr const char* kWideBend = "channel %u bends further than 2 semitones; its bends stop at 2";
inline constexpr const char* kDrumsWithoutSound = "%u drum notes have no drum sound and were left out";
inline constexpr const char* kTooLong = "%u notes longer than the longest gate were shortened";
inline constexpr const char* kIgnoredOption = "%s does not apply to %s files";

// Counted nouns: "1 track", "2 tracks".
inline constexpr const char* kTrack[] = {"track", "tracks"};
inline constexpr const char* kNote[] = {"note", "notes"};
inline constexpr const char* kScoreTrack[] = {"score track", "score tracks"};
inline constexpr const char* kMelodyProgram[] = {"melody program", "melody programs"};
inline constexpr const char* kDrumSound[] = {"drum sound", "drum sounds"};
inline constexpr const char* kChannel[] = {"channel", "channels"};
inline constexpr const char* kChannelList[] = {"channel %s", "channels %s"};
inline constexpr const char* kControllerStream[] = {"controller stream", "controller streams"};

// The one-line summary.
inline constexpr const char* kMidiSummary = "%s: %u bytes, timebase %u ms, %s";
inline constexpr const char* kAudioSummary = "%s: %u bytes, %u Hz, %s";
inline constexpr const char* kNothingGivenUp = "nothing given up";
inline constexpr const char* kSummaryDropped = "%s dropped";
inline constexpr const char* kSummaryShortened = "%s cut short";
inline constexpr const char* kSummaryThinned = "%s thinned";
inline constexpr const char* kSummaryCutBar = "cut after bar %u (%s)";
inline constexpr const char* kSummaryCut = "cut at %s";
inline constexpr const char* kSummaryWholeSound = "the whole sound";
inline constexpr const char* kSummaryKept = "%.1f of %.1f s kept";

}  // namespace cantavo::convert_text
