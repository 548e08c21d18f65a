// The words of the invitation, which scroll past as 3D letters, and the characters that have
// letters.
#pragma once

namespace vantor::invitation {

// The characters for which glyph meshes are built, in glyph order.
inline constexpr char glyphSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.1234567890,&!";

// 829 characters: 39 blanks, so that the first letter enters from the right of the picture,
// then the message, written only with blanks and characters of glyphSet (no apostrophes,
// colons or hyphens: they have no letters). Gaps of four blanks part the sentences; the
// trailing blanks let the last words leave the picture before the run ends.
extern const char* const scrollText;

}  // namespace vantor::invitation
