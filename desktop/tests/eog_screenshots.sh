#!/bin/bash
# Eye of GNOME, with the prepared PREFIX's loader beside the system's
# (SYSTEM_CACHE) and MIME types and a fresh home folder under WORK, opens
# SAMPLE on an Xvfb display; SHOTS screenshots 0.11 s apart
# (WORK/screenshot-N.png, for a person to look at) must show every frame of
# the picture with the core's pixels: a flashing screen's two phases last
# 0.32 s each.
#   eog_screenshots.sh PREFIX SYSTEM_CACHE WORK DESKTOP_HELPER SAMPLE SHOTS
set -eu
prefix=$1 system_cache=$2 work=$3 helper=$4 sample=$5 shots=$6
rm -rf "$work"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cat "$prefix/loaders.cache" "$system_cache" >"$work/loaders.cache"
export HOME=$work/home XDG_CACHE_HOME=$work/home/.cache XDG_CONFIG_HOME=$work/home/.config
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$prefix/share:/usr/local/share:/usr/share
export GDK_PIXBUF_MODULE_FILE=$work/loaders.cache
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  dbus-run-session eog "$1" >"$2/eog.log" 2>&1 &
  viewer=$!
  sleep "${KORVEL_EOG_WAIT:-10}"
  for ((i = 1; i <= $3; i++)); do
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$2/screenshot-$i.png"
    sleep 0.11
  done
  kill "$viewer"
  wait "$viewer" || true' _ "$sample" "$work" "$shots"
"$helper" shows "$sample" "$work"/screenshot-*.png
