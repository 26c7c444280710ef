// Processor families without a vector pass renderer: every pass takes the portable renderers.
#include "engine/fm_synth_render.h"

namespace cantavo {

FmPassRenderer SelectVectorFmRenderer() {
    return nullptr;
}

}  // namespace cantavo
