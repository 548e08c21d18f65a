#include "Song.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Effects.h"
#include "Instruments.h"

namespace datagen {
namespace {

constexpr double kStart = 0.3;  // seconds of silence before the first note
constexpr double kBeat = 60.0 / 126, kBar = 4 * kBeat, kStep = kBeat / 4;

// Part boundaries in bars.
constexpr int kBuild = 8, kMainA = 16, kMainB = 24, kBreak = 32, kMainC = 36, kEnding = 44,
              kFinalChord = 46;

double barTime(double bar) { return kStart + bar * kBar; }
double stepTime(int bar, double step) { return barTime(bar) + step * kStep; }

struct Chord {
  double bass;
  std::vector<double> pad, stab;
};

// Am(add9), F(add9), C, G(add9): one bar each, repeating.
const Chord kChords[4] = {
    {45, {57, 60, 64, 71}, {69, 72, 76}},
    {41, {53, 57, 60, 67}, {69, 72, 77}},
    {48, {55, 60, 64, 67}, {67, 72, 76}},
    {43, {55, 59, 62, 69}, {67, 71, 74}},
};
const Chord& chordOf(int bar) { return kChords[bar % 4]; }

struct MelodyNote {
  int step;    // sixteenth within the eight-bar phrase
  int length;  // sixteenths
  double note;
};

// Two eight-bar lead melodies over the chord loop, A minor pentatonic with passing notes.
const std::vector<MelodyNote> kMelodyA = {
    {0, 4, 76},   {4, 2, 81},   {6, 2, 79},   {8, 4, 76},   {12, 2, 74},  {14, 2, 72},
    {16, 4, 72},  {20, 2, 74},  {22, 6, 76},  {28, 2, 72},  {30, 2, 69},  {32, 2, 67},
    {34, 2, 72},  {36, 4, 76},  {40, 4, 79},  {44, 2, 76},  {46, 2, 79},  {48, 6, 74},
    {54, 2, 71},  {56, 4, 74},  {60, 4, 79},  {64, 4, 81},  {68, 2, 79},  {70, 2, 76},
    {72, 2, 81},  {74, 2, 84},  {76, 2, 83},  {78, 2, 81},  {80, 6, 81},  {86, 2, 79},
    {88, 4, 77},  {92, 2, 76},  {94, 2, 72},  {96, 4, 76},  {100, 4, 79}, {104, 4, 84},
    {108, 2, 83}, {110, 2, 79}, {112, 8, 81}, {124, 2, 76}, {126, 2, 79},
};
const std::vector<MelodyNote> kMelodyB = {
    {0, 2, 69},   {3, 2, 72},   {6, 2, 76},   {8, 3, 81},   {11, 2, 79},  {14, 2, 76},
    {16, 2, 77},  {19, 2, 76},  {22, 2, 72},  {24, 4, 69},  {28, 2, 72},  {30, 2, 74},
    {32, 2, 76},  {35, 2, 79},  {38, 2, 84},  {40, 3, 83},  {43, 2, 79},  {46, 2, 76},
    {48, 3, 74},  {51, 3, 79},  {54, 2, 83},  {56, 4, 81},  {60, 4, 79},  {64, 2, 69},
    {67, 2, 72},  {70, 2, 76},  {72, 3, 81},  {75, 2, 79},  {78, 2, 76},  {80, 2, 77},
    {83, 2, 76},  {86, 2, 72},  {88, 4, 69},  {92, 2, 72},  {94, 2, 74},  {96, 2, 76},
    {99, 2, 79},  {102, 2, 84}, {104, 3, 83}, {107, 2, 79}, {110, 2, 76}, {112, 4, 83},
    {116, 4, 81}, {120, 4, 79}, {124, 4, 76},
};

// Piecewise-linear automation over bars: (bar, value) pairs in rising bar order.
double automation(const std::vector<std::pair<double, double>>& points, double bar) {
  if (bar <= points.front().first) return points.front().second;
  for (size_t i = 1; i < points.size(); ++i) {
    if (bar <= points[i].first) {
      double p = (bar - points[i - 1].first) / (points[i].first - points[i - 1].first);
      return points[i - 1].second + (points[i].second - points[i - 1].second) * p;
    }
  }
  return points.back().second;
}

double padCutoff(double seconds) {
  static const std::vector<std::pair<double, double>> points = {
      {0, 450},   {4, 1100},    {8, 1500},       {16, 2400},          {32, 2800},
      {33, 1300}, {35.5, 3000}, {kEnding, 3200}, {kFinalChord, 1000}, {52, 700}};
  return automation(points, (seconds - kStart) / kBar);
}

bool isMain(int bar) { return (bar >= kMainA && bar < kBreak) || (bar >= kMainC && bar < kEnding); }

struct Buses {
  StereoBuffer drums, claps, bass, pads, stabs, leads, arps, fx;
  std::vector<double> kicks;  // start times, for the side-chain ducking
  explicit Buses(size_t frames)
      : drums(frames),
        claps(frames),
        bass(frames),
        pads(frames),
        stabs(frames),
        leads(frames),
        arps(frames),
        fx(frames) {}
};

void writeDrums(Buses& b) {
  for (int bar = 0; bar < kFinalChord; ++bar) {
    bool kicks = bar >= kBuild && !(bar >= kBreak && bar < kMainC);
    for (int beat = 0; beat < 4 && kicks; ++beat) {
      double t = stepTime(bar, beat * 4);
      kick(b.drums, t, 0.95);
      b.kicks.push_back(t);
    }
    bool claps = (bar >= 12 && bar < kBreak) || (bar >= kMainC && bar < kEnding);
    for (int beat : {1, 3}) {
      if (claps) clap(b.claps, stepTime(bar, beat * 4), 0.4);
    }
    bool offbeatHats = (bar >= 4 && bar < kBreak) || (bar >= kMainC && bar < kEnding + 1);
    bool busyHats = (bar >= 12 && bar < kBreak) || (bar >= kMainC && bar < kEnding);
    for (int step = 0; step < 16; ++step) {
      double t = stepTime(bar, step);
      if (offbeatHats && step % 4 == 2) hiHat(b.drums, t, isMain(bar) ? 0.24 : 0.14, isMain(bar));
      if (busyHats && step % 2 == 1) hiHat(b.drums, t, 0.1 + 0.05 * (step % 4 == 3), false);
    }
  }
  // Snare rolls into the main parts: sixteenths, then thirty-seconds, rising.
  for (int bar : {kMainA - 1, kMainC - 1}) {
    for (int i = 0; i < 8; ++i) snare(b.drums, stepTime(bar, i), 0.08 + 0.1 * i / 8.0);
    for (int i = 0; i < 16; ++i) snare(b.drums, stepTime(bar, 8 + i * 0.5), 0.15 + 0.2 * i / 16.0);
  }
  kick(b.drums, barTime(kFinalChord), 0.9);
  b.kicks.push_back(barTime(kFinalChord));
  for (int bar : {kMainA, kMainB, kBreak, kMainC, kFinalChord}) {
    crash(b.fx, barTime(bar), bar == kBreak ? 0.08 : 0.14);
  }
  for (int bar : {kMainA - 2, kMainC - 1}) {
    riser(b.fx, barTime(bar), kBar * (bar == kMainA - 2 ? 2 : 1), 0.35);
  }
}

void writeBassAndChords(Buses& b) {
  for (int bar = 0; bar < kFinalChord; ++bar) {
    const Chord& chord = chordOf(bar);
    pad(b.pads, barTime(bar), kBar, chord.pad, bar < 2 ? 0.3 + 0.35 * bar : 0.65, 0.35, padCutoff);
    if ((bar >= 4 && bar < kBuild) || (bar >= kBreak && bar < kMainC - 1)) {
      bass(b.bass, barTime(bar), kBar * 0.9, chord.bass, 0.3, 500);  // long notes
    } else if (bar >= kBuild) {
      double cutoff = bar < kMainA ? 350 + 1250 * (bar - kBuild) / 8.0 : bar < kEnding ? 1700 : 900;
      for (int step = 2; step < 16; step += 4) {
        bass(b.bass, stepTime(bar, step), kStep * 1.6, chord.bass, 0.36, cutoff);
      }
      if (isMain(bar)) bass(b.bass, stepTime(bar, 15), kStep * 0.7, chord.bass + 12, 0.25, cutoff);
    }
    if (isMain(bar)) {
      for (int step : {3, 6, 11, 14}) stab(b.stabs, stepTime(bar, step), chord.stab, 0.2);
    }
  }
  // The last chord: Am(add9) over a low A, held and left to ring for the last seconds.
  pad(b.pads, barTime(kFinalChord), kBar * 1.5, {45, 57, 60, 64, 71}, 0.8, 1.6, padCutoff);
  bass(b.bass, barTime(kFinalChord), kBar * 1.2, 45, 0.4, 600);
}

void writeMelody(StereoBuffer& out, int firstBar, int bars, const std::vector<MelodyNote>& melody,
                 double transpose, double gain) {
  for (const MelodyNote& n : melody) {
    if (n.step >= bars * 16) continue;
    lead(out, stepTime(firstBar, n.step), n.length * kStep * 0.9, n.note + transpose, gain);
  }
}

void writeLeadsAndArps(Buses& b) {
  writeMelody(b.leads, kMainA, 8, kMelodyA, 0, 0.22);
  writeMelody(b.leads, kMainB, 8, kMelodyB, 0, 0.22);
  writeMelody(b.leads, kBreak, 4, kMelodyA, -12, 0.2);
  writeMelody(b.leads, kMainC, 8, kMelodyA, 0, 0.2);
  writeMelody(b.leads, kMainC, 8, kMelodyA, 12, 0.08);  // an octave above, for the climax
  writeMelody(b.leads, kEnding, 2, kMelodyA, 0, 0.18);
  lead(b.leads, barTime(kFinalChord), kBar * 1.2, 81, 0.18);
  const int order[8] = {0, 1, 2, 3, 2, 1, 3, 2};
  for (int bar = 0; bar < kFinalChord; ++bar) {
    bool on = bar < kBuild || (bar >= kMainB && bar < kBreak) || bar >= kMainC - 1;
    if (!on) continue;
    double cutoff = bar < kBuild     ? 700 + 250 * bar
                    : bar >= kEnding ? 1800 - 400 * (bar - kEnding)
                                     : 2400;
    double gain = bar < 1 ? 0.06 : 0.11;
    const Chord& chord = chordOf(bar);
    for (int step = 0; step < 16; ++step) {
      double note = chord.pad[order[(step + bar) % 8]] + 12;
      pluck(b.arps, stepTime(bar, step), note, gain, step % 2 ? 0.45 : -0.45, cutoff);
    }
  }
}

// Gain of the side-chain: the bass, pads, stabs and arpeggio dip under every kick.
std::vector<double> duckingCurve(const std::vector<double>& kicks, size_t frames) {
  std::vector<double> gain(frames, 1.0);
  for (double k : kicks) {
    size_t first = size_t(std::llround(k * kSampleRate));
    for (size_t i = 0; i < size_t(0.4 * kSampleRate) && first + i < frames; ++i) {
      double t = i / kSampleRate;
      double dip = 1 - 0.65 * std::exp(-t / 0.1) * std::min(1.0, t / 0.004 + 0.3);
      gain[first + i] = std::min(gain[first + i], dip);
    }
  }
  return gain;
}

}  // namespace

StereoBuffer renderSong() {
  const size_t frames = size_t(kTrackSeconds * kSampleRate);
  Buses b(frames);
  writeDrums(b);
  writeBassAndChords(b);
  writeLeadsAndArps(b);

  StereoBuffer echoes = pingPongEcho(b.leads, kStep * 3, 0.38);
  StereoBuffer send(frames);
  b.pads.mixInto(send, 0.3);
  b.leads.mixInto(send, 0.35);
  echoes.mixInto(send, 0.3);
  b.claps.mixInto(send, 0.4);
  b.arps.mixInto(send, 0.35);
  b.fx.mixInto(send, 0.2);
  StereoBuffer reverb = roomReverb(send, 0.86, 0.3);

  std::vector<double> duck = duckingCurve(b.kicks, frames);
  StereoBuffer ducked(frames);
  b.bass.mixInto(ducked, 1.0);
  b.pads.mixInto(ducked, 0.8);
  b.stabs.mixInto(ducked, 1.0);
  b.arps.mixInto(ducked, 1.0);
  StereoBuffer master(frames);
  for (size_t i = 0; i < frames; ++i) {
    master.left[i] = ducked.left[i] * duck[i];
    master.right[i] = ducked.right[i] * duck[i];
  }
  b.drums.mixInto(master, 1.0);
  b.claps.mixInto(master, 1.0);
  b.leads.mixInto(master, 1.0);
  echoes.mixInto(master, 0.35);
  b.fx.mixInto(master, 1.0);
  reverb.mixInto(master, 1.0);

  // Gentle saturation on the sum, then the peak to -3 dBFS, so that the MP3 encoder's small
  // overshoots stay below -1 dBFS. The last second fades out.
  double peak = 1e-9;
  for (size_t i = 0; i < frames; ++i) {
    peak = std::max({peak, std::fabs(master.left[i]), std::fabs(master.right[i])});
  }
  double drive = 1.4 / peak, shaped = std::tanh(1.4);
  double target = std::pow(10.0, -3.0 / 20);
  const size_t fadeStart = frames - size_t(kSampleRate);
  for (size_t i = 0; i < frames; ++i) {
    double fade = i < fadeStart ? 1 : double(frames - i) / (frames - fadeStart);
    master.left[i] = std::tanh(master.left[i] * drive) / shaped * target * fade;
    master.right[i] = std::tanh(master.right[i] * drive) / shaped * target * fade;
  }
  return master;
}

}  // namespace datagen
