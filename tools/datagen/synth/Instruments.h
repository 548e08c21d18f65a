#pragma once

#include <functional>
#include <vector>

#include "Dsp.h"

namespace datagen {

// The track's instruments. Each call adds one note or hit into a buffer at start (seconds);
// gain is linear, notes are Midi numbers, pan -1 (left) .. +1 (right). All are
// deterministic: the noise of every hit comes from a seed derived from its start time.

void kick(StereoBuffer& out, double start, double gain);
void clap(StereoBuffer& out, double start, double gain);
void hiHat(StereoBuffer& out, double start, double gain, bool open);
void snare(StereoBuffer& out, double start, double gain);
// A noise sweep rising over its length, for the bar before a new part.
void riser(StereoBuffer& out, double start, double length, double gain);
void crash(StereoBuffer& out, double start, double gain);

// Bass: two detuned saws and a sine an octave below through a low-pass that opens to
// cutoff (Hz) at the attack and falls back.
void bass(StereoBuffer& out, double start, double length, double note, double gain, double cutoff);

// Pad chord: five detuned saws per note spread across the stereo field, a 0.15 s attack and
// after length an exponential release with time constant release (seconds), low-passed at
// cutoff(t) for the absolute time t in seconds.
void pad(StereoBuffer& out, double start, double length, const std::vector<double>& notes,
         double gain, double release, const std::function<double(double)>& cutoff);

// Short plucked chord (the off-beat stabs of the main parts).
void stab(StereoBuffer& out, double start, const std::vector<double>& notes, double gain);

// Lead: a saw and a narrow pulse with delayed vibrato, for melodies.
void lead(StereoBuffer& out, double start, double length, double note, double gain);

// Arpeggio pluck: a short square note with its own filter envelope.
void pluck(StereoBuffer& out, double start, double note, double gain, double pan, double cutoff);

}  // namespace datagen
