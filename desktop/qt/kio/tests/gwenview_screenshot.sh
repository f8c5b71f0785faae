#!/bin/bash
# Gwenview, from the installed PREFIX's Qt 5 plug-ins and MIME types and a
# fresh home folder under WORK, opens SAMPLE on an Xvfb display; SHOTS
# screenshots of the display 0.11 s apart (default 1; WORK/screenshot.png,
# screenshot-2.png, ..., for a person to look at) must show every frame of
# the picture with the core's pixels: a flashing screen's two phases last
# 0.32 s each.
#   gwenview_screenshot.sh PREFIX QT5_PLUGIN_DIR WORK DESKTOP_CHECK SAMPLE [SHOTS]
set -eu
prefix=$1 plugins=$2 work=$3 check=$4 sample=$5 shots=${6:-1}
rm -rf "$work"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CACHE_HOME=$work/home/.cache XDG_CONFIG_HOME=$work/home/.config
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$prefix/share:/usr/local/share:/usr/share
export QT_PLUGIN_PATH=$prefix/$plugins
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  gwenview "$1" >"$2/gwenview.log" 2>&1 &
  viewer=$!
  sleep "${KORVEL_GWENVIEW_WAIT:-10}"
  for ((i = 1; i <= $3; i++)); do
    xwd -root -silent >"$2/shot-$i.xwd"
    sleep 0.11
  done
  kill "$viewer"
  wait "$viewer" || true' _ "$sample" "$work" "$shots"
screenshots=()
for ((i = 1; i <= shots; i++)); do
  name=$work/screenshot.png
  if ((i > 1)); then name=$work/screenshot-$i.png; fi
  xwdtopnm "$work/shot-$i.xwd" 2>/dev/null | pnmtopng >"$name"
  rm "$work/shot-$i.xwd"
  screenshots+=("$name")
done
echo "screenshots: ${screenshots[*]}"
QT_QPA_PLATFORM=offscreen "$check" contains "${screenshots[@]}" "$sample"
