#!/bin/bash
# Gwenview, from the installed PREFIX's Qt 5 plug-ins and MIME types and a
# fresh home folder under WORK, opens SAMPLE on an Xvfb display; a
# screenshot of the display (WORK/screenshot.png, for a person to look at)
# must show the picture with the core's pixels.
#   gwenview_screenshot.sh PREFIX QT5_PLUGIN_DIR WORK DESKTOP_CHECK SAMPLE
set -eu
prefix=$1 plugins=$2 work=$3 check=$4 sample=$5
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
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$2/screenshot.png"
  kill "$viewer"
  wait "$viewer" || true' _ "$sample" "$work"
echo "screenshot: $work/screenshot.png"
QT_QPA_PLATFORM=offscreen "$check" contains "$work/screenshot.png" "$sample"
