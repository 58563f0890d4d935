#pragma once

#include <vector>

/// The game's sounds, made from nothing but arithmetic: mono samples from -1
/// to 1 at `soundRate`, each beginning and ending in silence, never clipped.

/// Samples a second of every sound.
constexpr int soundRate = 48000;

using Samples = std::vector<float>;

/// A ball knocking on a wall: a low thump at 140 Hz with the click of the
/// blow, 0.12 s. Made at full loudness; a softer hit plays it quieter.
Samples knockSound();

/// A sensor's chime: a struck bar, ringing at `pitch` Hz (by far its
/// strongest partial) with three fainter, higher ones, dying away in 1.2 s.
Samples chimeSound(double pitch);

/// Something shattering in the portal: a burst of noise over a tone falling
/// from 1200 Hz to 250 Hz, 0.5 s.
Samples shatterSound();

/// The drawing solved: C5, E5, G5 and C6 one after the other, 0.12 s apart,
/// the last held, 1 s in all.
Samples fanfareSound();
