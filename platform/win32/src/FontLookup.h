// Where fontconfig looks for faces. A portable copy of the programs carries the faces that
// the invitation and the launcher draw with in share/kestu09/fonts, found from the
// executable's folder as ../share/kestu09/fonts, for machines that have neither those faces
// nor a fontconfig setup of their own. When that folder is there, its faces join fontconfig's
// configuration as the application's own; where the machine has no fontconfig configuration
// at all, the folder's fonts.conf (which names the sans-serif default) is read in its place.
// In a browser there is no fontconfig: the faces are files in the site's /fonts folder.
#pragma once

#include <string>

namespace platform::win32 {

// Makes fontconfig's current configuration ready for lookups, the carried faces included:
// call it where fontconfig would be initialised. Only the first call does any work. Answers
// false when fontconfig cannot be set up at all.
bool prepareFontLookup();

// The file of the face that stands for "sans-serif" (the dialog font); "" when there is none.
std::string sansSerifFontFile();

}  // namespace platform::win32
