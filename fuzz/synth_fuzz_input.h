#pragma once
// One fuzz input through the engine's host boundary, shared by the fuzz target and the corpus replay test.

#include <cstddef>
#include <cstdint>

// Hands the bytes to the engine as a file (in two pieces), plays it, renders a bounded number of buffers,
// seeks to a point taken from the last byte and renders again, then releases the song.
void RunSynthFuzzInput(const uint8_t* data, size_t size);
