#!/usr/bin/env bash
# kestu09-live on a virtual display (Xvfb, SDL's dummy audio driver), driven by keys as a user
# would: pictures of a still moment are the same bytes twice and match the render tool's;
# Right moves the time and the picture; a broken effect source keeps the viewer running with
# the error said and the last good effect drawn; a good save brings the picture back and a
# changed look shows in the next picture; a changed picture of the data folder shows in the
# next picture, and a broken one keeps the viewer running with the error said and the last good
# picture drawn; C captures the loop range to MP4 while the viewer plays on; a key inserted on a
# track and raised changes the picture, the title and Escape say it is unsaved, Ctrl+S saves the
# file whole with a backup, and kestu09-render --data draws the saved file as the viewer does;
# an outside edit of the track file is reloaded and a broken one keeps the picture with its
# error said; Escape ends with exit code 0. Without a display the viewer says so and ends with
# exit code 1; SIGTERM ends it with 143, naming the unsaved tracks.
# Usage: viewer-under-xvfb.sh BUILD_FOLDER SOURCE_FOLDER
# Exit 77 (skipped) where Xvfb, xdotool, ImageMagick or ffmpeg (for the capture) is not
# installed.
set -euo pipefail
build=$1
source=$2
for program in Xvfb xdotool compare convert ffmpeg ffprobe; do
  if ! command -v "$program" > /dev/null; then
    echo "skipped: $program is not installed (scripts/deps installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
# No display, and a display that does not answer: one line, exit code 1, no window waited for.
for display in unset :1234; do
  status=0
  if [ "$display" = unset ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY "$build/kestu09-live" 2> "$work/nodisplay.txt" || status=$?
  else
    env -u WAYLAND_DISPLAY DISPLAY=$display "$build/kestu09-live" 2> "$work/nodisplay.txt" ||
      status=$?
  fi
  [ "$status" -eq 1 ] || { echo "FAIL: no display ($display): exit code $status"; exit 1; }
  grep -q '^kestu09-live: nothing can be shown: no display' "$work/nodisplay.txt" ||
    { echo "FAIL: no display ($display): $(cat "$work/nodisplay.txt")"; exit 1; }
  [ "$(wc -l < "$work/nodisplay.txt")" -eq 1 ] ||
    { echo "FAIL: no display ($display): more than one line"; exit 1; }
done

xvfb=""
viewer=""
finish() {
  [ -n "$viewer" ] && kill "$viewer" 2> /dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2> /dev/null || true
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "FAIL: $*"
  echo "--- the viewer's output:"
  cat "$work/out.txt" || true
  echo "--- its errors:"
  tail -20 "$work/err.txt" || true
  exit 1
}

# A display of its own: Xvfb picks a free number and writes it to the descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
export SDL_AUDIODRIVER=dummy

cp -r "$source/effects" "$work/effects"
mkdir "$work/shots" "$work/render" "$work/data"
cp "$build"/data/*.jpg "$build"/data/invitation.tracks "$work/data"
cd "$work"
"$build/kestu09-live" --paused --time 10 --size 640x360 --effects "$work/effects" \
  --data "$work/data" --out shots > out.txt 2> err.txt &
viewer=$!

# Waits until the output holds COUNT lines (default 1) matching the pattern.
wait_for() {
  local pattern=$1 count=${2:-1}
  for _ in $(seq 600); do
    [ "$(grep -cE "$pattern" out.txt)" -ge "$count" ] && return 0
    kill -0 "$viewer" 2> /dev/null || fail "the viewer ended while waiting for \"$pattern\""
    sleep 0.1
  done
  fail "no line \"$pattern\" (x$count) within a minute"
}
key() { xdotool key --window "$window" "$1"; }
# The viewer's picture at 11 s after the latest F12, kept under the given name.
shoot() {
  local before
  before=$(grep -c '^wrote ' out.txt || true)
  key F12
  wait_for '^wrote ' $((before + 1))
  cp "$(tail -1 < <(grep '^wrote ' out.txt) | cut -d' ' -f2)" "$1"
}
# Pixels of the two pictures that differ by more than the golden frames' far threshold.
far_pixels() { compare -metric AE -fuzz 9.4% "$1" "$2" null: 2>&1 || true; }

window=""
for _ in $(seq 600); do
  window=$(xdotool search --name '^KESTU09 live$' 2> /dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$viewer" 2> /dev/null || fail "the viewer ended before its window opened"
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled \"KESTU09 live\""
grep -qx 'paused at 10.000 s' out.txt || fail "no line \"paused at 10.000 s\""

key F12
wait_for '^wrote shots/kestu09-10000\.png$'
cp shots/kestu09-10000.png first.png
sleep 1
key F12
wait_for '^wrote shots/kestu09-10000\.png$' 2
cmp -s first.png shots/kestu09-10000.png || fail "two pictures of a still moment differ"

"$build/kestu09-render" --size 640x360 --data "$work/data" --out render 10 > /dev/null 2>&1 ||
  fail "kestu09-render failed"
# The golden frames' tolerance: mean difference within one level (of 255), and at most half a
# percent of the pixels off by more than 24 levels.
mean=$(compare -metric MAE first.png render/kestu09-10000.png null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/' || true)
awk -v m="$mean" 'BEGIN { exit !(m <= 1 / 255) }' || fail "mean difference $mean from kestu09-render"
far=$(far_pixels first.png render/kestu09-10000.png)
[ "$far" -le $((640 * 360 / 200)) ] || fail "$far pixels far from kestu09-render's"

key Right
wait_for '^paused at 11\.000 s$'
shoot eleven.png
[ "$(far_pixels first.png eleven.png)" -gt 1000 ] || fail "the picture did not move with the time"

solid=effects/SolidObject.fx
cp "$solid" good.fx
sed 's/colour = vec4(lit, alpha);/colour = vec4(lit, alpha) +;/' good.fx > broken.fx
cmp -s good.fx broken.fx && fail "the broken effect is not broken (the source changed?)"
cp broken.fx "$solid"
wait_for '^SolidObject\.fx:[0-9]+: '
kill -0 "$viewer" || fail "the viewer ended on a broken effect"
grep -E '^SolidObject\.fx:[0-9]+: ' out.txt
shoot kept.png
cmp -s eleven.png kept.png || fail "a broken effect changed the picture"

cp good.fx "$solid"
wait_for '^reloaded SolidObject\.fx in [0-9]+ ms$'
shoot back.png
cmp -s eleven.png back.png || fail "the picture did not come back with the good effect"

sed 's/colour = vec4(lit, alpha);/colour = vec4(lit * vec3(1.0, 0.3, 0.3), alpha);/' good.fx > "$solid"
wait_for '^reloaded SolidObject\.fx in [0-9]+ ms$' 2
shoot tinted.png
[ "$(far_pixels back.png tinted.png)" -gt 1000 ] || fail "the tint does not show"

convert data/bg.jpg -fill red -colorize 60% -quality 92 redder.jpg
cp redder.jpg data/bg.jpg
wait_for '^reloaded bg\.jpg in [0-9]+ ms$'
shoot redder.png
[ "$(far_pixels tinted.png redder.png)" -gt 1000 ] || fail "the changed picture does not show"

head -c 2000 redder.jpg > data/bg.jpg
wait_for '^bg\.jpg: .+; the last good picture stays$'
kill -0 "$viewer" || fail "the viewer ended on a broken picture"
grep -E '^bg\.jpg: ' out.txt
shoot still-redder.png
cmp -s redder.png still-redder.png || fail "a broken picture changed the picture"

key c
wait_for '^no loop range to capture'
key bracketleft
wait_for '^loop 11\.000 - '
# Three frames on: the picture's time is whole milliseconds, so 11.017, 11.034, 11.051.
for _ in 1 2 3; do key shift+Right; done
wait_for '^paused at 11\.051 s$'
key bracketright
wait_for '^loop 11\.000 - 11\.051 s'
key c
wait_for '^capturing 11\.000 - 11\.051 s to shots/kestu09-11000-11051\.mp4$'
# The viewer plays on while the capture runs: a step is answered before the video is done.
key shift+Left
wait_for '^paused at 11\.034 s$' 2
wait_for '^wrote shots/kestu09-11000-11051\.mp4$'
[ -s shots/kestu09-11000-11051.mp4 ] || fail "the capture's video is missing"
step=$(grep -n '^paused at 11\.034 s$' out.txt | tail -1 | cut -d: -f1)
video=$(grep -n '^wrote shots/kestu09-11000-11051\.mp4$' out.txt | cut -d: -f1)
[ "$step" -lt "$video" ] || fail "the viewer did not answer keys while the capture ran"

# The effect as built, so that the render tool can draw what the viewer shows.
cp good.fx "$solid"
wait_for '^reloaded SolidObject\.fx in [0-9]+ ms$' 3
# A key on the camera's height (the ninth track) at the nearest sixteenth, then raised by 4.
for _ in $(seq 8); do key Next; done
key k
wait_for '^key of camera\.eye\.y at 11\.071 s: 8 step$'
wait_for '^paused at 11\.071 s$'
shoot keyed.png
for _ in 1 2 3 4; do key shift+equal; done
wait_for '^key of camera\.eye\.y at 11\.071 s: 12 step$'
shoot raised.png
[ "$(far_pixels keyed.png raised.png)" -gt 1000 ] || fail "the raised camera does not show"
sleep 0.5
xdotool getwindowname "$window" | grep -q 'unsaved' || fail "the title does not say unsaved"
key Escape
wait_for '^unsaved changes to invitation\.tracks \(camera\.eye\.y\): Escape again quits'
kill -0 "$viewer" || fail "the first Escape with unsaved tracks ended the viewer"
key ctrl+s
wait_for '^saved invitation\.tracks \(22 keys\)$'
grep -qE '^  11\.071 12 step$' data/invitation.tracks || fail "the saved file lacks the key"
cmp -s "$build/data/invitation.tracks" data/invitation.tracks.backup ||
  fail "the file before the save is not the backup"
[ ! -e data/invitation.tracks.partial ] || fail "the save left its temporary file"
# The render tool draws the saved tracks as the viewer does (with the last good backdrop).
mkdir saved
cp redder.jpg saved/bg.jpg
cp data/invitation.tracks saved/
"$build/kestu09-render" --size 640x360 --data "$work/saved" --out render 11.071 > /dev/null 2>&1 ||
  fail "kestu09-render --data failed"
mean=$(compare -metric MAE raised.png render/kestu09-11071.png null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/' || true)
awk -v m="$mean" 'BEGIN { exit !(m <= 1 / 255) }' ||
  fail "mean difference $mean from kestu09-render --data with the saved tracks"
sleep 0.5
xdotool getwindowname "$window" | grep -q 'unsaved' && fail "the title still says unsaved"

# Outside edits: a good one is reloaded and drawn, a broken one keeps the picture.
sed 's/^  11\.071 12 step$/  11.071 4 step/' data/invitation.tracks > lowered.tracks
cp lowered.tracks data/invitation.tracks
wait_for '^reloaded invitation\.tracks in [0-9]+ ms$'
shoot lowered.png
[ "$(far_pixels raised.png lowered.png)" -gt 1000 ] || fail "the outside edit does not show"
sed 's/^  11\.071 4 step$/  11.071 four step/' lowered.tracks > data/invitation.tracks
wait_for '^invitation\.tracks:[0-9]+: the value "four" is not a number; the last good tracks stay$'
kill -0 "$viewer" || fail "the viewer ended on a broken track file"
shoot lowered-kept.png
cmp -s lowered.png lowered-kept.png || fail "a broken track file changed the picture"

key Escape
for _ in $(seq 300); do kill -0 "$viewer" 2> /dev/null || break; sleep 0.1; done
status=0
wait "$viewer" || status=$?
viewer=""
[ "$status" -eq 0 ] || fail "Escape ended the viewer with exit code $status"
grep -E '^(reloaded|saved) ' out.txt

# SIGTERM ends a viewer in order: its unsaved tracks named, exit code 143.
cp lowered.tracks data/invitation.tracks
cp redder.jpg data/bg.jpg
"$build/kestu09-live" --paused --time 5 --size 320x180 --effects "$work/effects" \
  --data "$work/data" --out shots > out.txt 2> err.txt &
viewer=$!
window=""
for _ in $(seq 600); do
  window=$(xdotool search --name '^KESTU09 live$' 2> /dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$viewer" 2> /dev/null || fail "the second viewer ended before its window opened"
  sleep 0.1
done
[ -n "$window" ] || fail "no window for the second viewer"
key k
for _ in $(seq 100); do
  xdotool getwindowname "$window" | grep -q unsaved && break
  sleep 0.1
done
kill -TERM "$viewer"
status=0
wait "$viewer" || status=$?
viewer=""
[ "$status" -eq 143 ] || fail "SIGTERM ended the viewer with exit code $status"
grep -q '^kestu09-live: unsaved changes to .*invitation\.tracks are lost: scroll\.x$' err.txt ||
  fail "SIGTERM did not name the unsaved track"
echo "viewer under Xvfb: all checks passed"
