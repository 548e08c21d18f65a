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

TrackSet makeBuiltIn() {
  TrackSet set;
  set.beatsPerMinute = 126.0;
  set.tracks = {
      uniform("scroll.x", -kScrollSpeed), constant("scroll.y", 5.0),
      constant("scroll.z", -7.0),         uniform("grill.turn", 1.0),
      constant("grill.x", -3.0),          constant("grill.y", 0.0),
      constant("grill.z", 0.0),           constant("camera.eye.x", 0.0),
      constant("camera.eye.y", 8.0),      constant("camera.eye.z", -14.0),
      constant("camera.target.x", 6.0),   constant("camera.target.y", 5.0),
      constant("camera.target.z", 0.0),   constant("light.red", 1.0),
      constant("light.green", 1.0),       constant("light.blue", 1.0),
      constant("light.intensity", 2.0),   constant("blur.strength", 0.015),
      constant("bloom.amount", 0.5),
  };
  return set;
}

}  // namespace

const TrackSet& builtInChoreography() {
  static const TrackSet set = makeBuiltIn();
  return set;
}

}  // namespace vantor::invitation
