#!/bin/bash
# A Dolphin preview of a tape holding SCREEN, by the korvel thumbnail plug-in.
#   kde_preview_of_tape.sh PREFIX QT5_PLUGIN_DIR WORK DESKTOP_CHECK SCREEN
set -eu
prefix=$1 plugins=$2 work=$3 check=$4 screen=$5
tape=$(mktemp -d)/landscape.tap
trap 'rm -rf "$(dirname "$tape")"' EXIT
QT_QPA_PLATFORM=offscreen "$check" tape "$screen" "$tape"
"$(dirname "$0")/kde_preview.sh" "$prefix" "$plugins" "$work" "$check" korvel_thumbnail "$tape"
