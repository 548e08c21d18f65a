#!/usr/bin/env bash
# The include check must fail on each kind of forbidden include and pass on the engine's own
# sibling includes; run on a scratch copy of the engine and stand-in folders.
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
expect_refused platform/d3dx9/include/d3dx9.h '#include "gfx/math/Matrix.h"'

# A bare name that is the including file's own sibling is the engine's, not a stand-in's.
sed -i '1i #include "Texture.h"' "$scratch/gfx/resources/TShader.cpp"
"$source_dir/scripts/check-includes" "$scratch" >/dev/null
echo "include check refuses every forbidden include"
