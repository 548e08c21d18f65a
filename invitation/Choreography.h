// The invitation's choreography as tracks: where the scroller, the grill, the camera and the
// light are, and how strong the motion blur and the bloom are, at each music time. The data
// folder's "invitation.tracks" gives the keys; without the file the built-in keys play, which
// are the invitation's own motions (linear in time or constant).
#pragma once

#include <cstddef>

#include "gfx/tracks/TrackFile.h"

namespace vantor::invitation {

inline constexpr const char* kTracksFile = "invitation.tracks";

// The tracks in the order of the built-in set, which every set the invitation reads keeps.
enum ChoreographyTrack : std::size_t {
  kScrollX,  // the scroller's position (its first letter stands 58.5 units to the right)
  kScrollY,
  kScrollZ,
  kGrillTurn,  // radians about the grill's own vertical axis
  kGrillX,
  kGrillY,
  kGrillZ,
  kEyeX,  // where the camera stands; the light rides with it
  kEyeY,
  kEyeZ,
  kTargetX,  // where the camera looks
  kTargetY,
  kTargetZ,
  kLightRed,
  kLightGreen,
  kLightBlue,
  kLightIntensity,
  kBlurStrength,  // the motion blur's radius, in parts of the picture
  kBloomAmount,   // the weight the bloom is added to the picture with
  kChoreographyTrackCount
};

// Every track with the invitation's own keys, at 126 beats a minute.
const TrackSet& builtInChoreography();

}  // namespace vantor::invitation
