#pragma once
// The demo melodies: public-domain tunes written with the SMAF writer.

#include <string_view>
#include <vector>

#include "smaf_writer/smaf_writer.h"

namespace cantavo::demo {

struct DemoSong {
    std::string_view file_name;
    std::string_view description;
    smaf::Bytes (*build)();
};

// "Ode to Joy" on four channels, each with a voice the song defines (2- and 4-operator, long and short form).
smaf::Bytes OdeToJoy();
// "Frere Jacques" over a beat of the FM drum bank, on two score tracks.
smaf::Bytes FrereJacquesWithDrums();
// "Twinkle, Twinkle, Little Star" on ADPCM waves of the audio track over an FM bass.
smaf::Bytes TwinkleBells();

const std::vector<DemoSong>& DemoSongs();

}  // namespace cantavo::demo
