// libFuzzer target for the choreography's track file: any bytes read over the invitation's
// tracks. A file that reads must write out as text that reads back as the same tracks, and
// every value it gives between and beyond its keys must be a finite float.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gfx/tracks/TrackFile.h"
#include "invitation/Choreography.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vantor::TrackSet& known = vantor::invitation::builtInChoreography();
  vantor::TrackSet tracks;
  vantor::TrackFileError error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!vantor::readTrackFile(text, known, tracks, error)) {
    if (error.line < 1 || error.message.empty()) std::abort();
    return 0;
  }
  vantor::TrackSet again;
  if (!vantor::readTrackFile(vantor::writeTrackFile(tracks), known, again, error)) std::abort();
  if (!(again == tracks)) std::abort();
  for (const vantor::Track& track : tracks.tracks) {
    for (const vantor::TrackKey& key : track.keys()) {
      for (const double t : {key.seconds, key.seconds + 0.25, key.seconds + 1e3}) {
        const double value = track.valueAt(t);
        if (!std::isfinite(static_cast<float>(value))) std::abort();
      }
    }
  }
  return 0;
}
