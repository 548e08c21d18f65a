#include "invitation/Choreography.h"

namespace vantor::invitation {

namespace {

// The run's length in seconds: the linear motions are keyed from its start to its end.
constexpr double kRunSeconds = 91.0;
// World units per second of music that the scroller moves to the left.
constexpr double kScrollSpeed = 28.0;

Track constant(const char* name, double value) {
  return Track(name, {{0.0, value, Interpolation::kStep}});
}

Track uniform(const char* name, double perSecond) {
  return Track(name, {{0.0, 0.0, Interpolation::kLinear},
                      {kRunSeconds, perSecond * kRunSeconds, Interpolation::kLinear}});
}

// Each track at its place in ChoreographyTrack, so that a frame's look-up by place cannot
// take one track for another.
TrackSet makeBuiltIn() {
  TrackSet set;
  set.beatsPerMinute = 126.0;
  set.tracks.assign(kChoreographyTrackCount, constant("", 0.0));
  set.tracks[kScrollX] = uniform("scroll.x", -kScrollSpeed);
  set.tracks[kScrollY] = constant("scroll.y", 5.0);
  set.tracks[kScrollZ] = constant("scroll.z", -7.0);
  set.tracks[kGrillTurn] = uniform("grill.turn", 1.0);
  set.tracks[kGrillX] = constant("grill.x", -3.0);
  set.tracks[kGrillY] = constant("grill.y", 0.0);
  set.tracks[kGrillZ] = constant("grill.z", 0.0);
  set.tracks[kEyeX] = constant("camera.eye.x", 0.0);
  set.tracks[kEyeY] = constant("camera.eye.y", 8.0);
  set.tracks[kEyeZ] = constant("camera.eye.z", -14.0);
  set.tracks[kTargetX] = constant("camera.target.x", 6.0);
  set.tracks[kTargetY] = constant("camera.target.y", 5.0);
  set.tracks[kTargetZ] = constant("camera.target.z", 0.0);
  set.tracks[kLightRed] = constant("light.red", 1.0);
  set.tracks[kLightGreen] = constant("light.green", 1.0);
  set.tracks[kLightBlue] = constant("light.blue", 1.0);
  set.tracks[kLightIntensity] = constant("light.intensity", 2.0);
  set.tracks[kBlurStrength] = constant("blur.strength", 0.015);
  set.tracks[kBloomAmount] = constant("bloom.amount", 0.5);
  return set;
}

}  // namespace

const TrackSet& builtInChoreography() {
  static const TrackSet set = makeBuiltIn();
  return set;
}

}  // namespace vantor::invitation
