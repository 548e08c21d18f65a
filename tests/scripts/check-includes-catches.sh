#!/usr/bin/env bash
# The include check must fail on each kind of forbidden include and pass on the engine's own
# sibling includes and on the arrows the room table allows; run on a scratch copy of the
# engine and stand-in folders.
set -euo pipefail
source_dir=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$source_dir"/{gfx,demo,Core,invitation,platform} "$scratch"

"$source_dir/scripts/check-includes" "$scratch" >/dev/null

expect_refused() {  # FILE LINE-TO-ADD
  local file=$scratch/$1
  cp "$file" "$file.orig"
  sed -i "1i $2" "$file"
  if "$source_dir/scripts/check-includes" "$scratch" >/dev/null 2>&1; then
    echo "not refused: $2 in $1" >&2
    exit 1
  fi
  mv "$file.orig" "$file"
}
expect_refused gfx/scene/Scene.cpp '#include "Device.h"'
expect_refused gfx/scene/Scene.cpp '#include <CallObserver.h>'
expect_refused demo/Main.cpp '#include "platform/d3dx9/src/FxoFormat.h"'
expect_refused Core/Fatal.cpp '#include <SDL2/SDL.h>'
expect_refused Core/Fatal.cpp '#include <SDL.h>'
expect_refused invitation/main.cpp '#include <epoxy/gl.h>'
expect_refused gfx/mesh/Mesh.cpp '#include <EGL/egl.h>'
expect_refused gfx/mesh/Mesh.cpp '#include <mpg123.h>'
expect_refused gfx/mesh/Mesh.cpp '#include <ft2build.h>'
expect_refused gfx/mesh/Mesh.cpp '#include <fontconfig/fontconfig.h>'
expect_refused platform/d3d9/src/Device.cpp '#include "Core/Fatal.h"'
# Arrows between rooms that the table does not draw, and a room the table does not know.
expect_refused gfx/post/BloomEffect.cpp '#include "gfx/scene/Scene.h"'
expect_refused gfx/math/Frustum.cpp '#include "gfx/resources/Texture.h"'
expect_refused gfx/text/FontImporter.cpp '#include "gfx/model/ModelImporter.h"'
mkdir "$scratch/gfx/sound" && echo >"$scratch/gfx/sound/Sound.cpp"
expect_refused gfx/sound/Sound.cpp '#include "gfx/math/Vector3.h"'
# POSIX and Linux headers: the engine speaks the Win32 subset and the C and C++ run-time.
expect_refused demo/Main.cpp '#include <unistd.h>'
expect_refused gfx/resources/DataFileCache.cpp '#include <sys/stat.h>'
expect_refused Core/Fatal.cpp '#include <pthread.h>'
expect_refused invitation/main.cpp '#include <linux/limits.h>'
expect_refused platform/d3dx9/include/d3dx9.h '#include "gfx/math/Matrix.h"'

# Without its table the room check cannot judge, so it refuses rather than pass everything.
cp "$scratch/gfx/README.md" "$scratch/gfx/README.md.orig"
sed -i '/may include which/,$d' "$scratch/gfx/README.md"
if "$source_dir/scripts/check-includes" "$scratch" >/dev/null 2>&1; then
  echo "passed without a room table" >&2
  exit 1
fi
mv "$scratch/gfx/README.md.orig" "$scratch/gfx/README.md"

# An arrow the table draws, and a POSIX header in a stand-in, are allowed.
sed -i '1i #include "gfx/shading/Material.h"' "$scratch/gfx/model/ModelImporter.cpp"
sed -i '1i #include <unistd.h>' "$scratch/platform/win32/src/Clock.cpp"
"$source_dir/scripts/check-includes" "$scratch" >/dev/null

# A bare name that is the including file's own sibling is the engine's, not a stand-in's.
sed -i '1i #include "Texture.h"' "$scratch/gfx/resources/TShader.cpp"
"$source_dir/scripts/check-includes" "$scratch" >/dev/null
echo "include check refuses every forbidden include"
