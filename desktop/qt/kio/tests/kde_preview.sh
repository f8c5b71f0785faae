#!/bin/bash
# Dolphin's previews of FILE..., made by KIO::PreviewJob with only the
# thumbnail plug-in PLUGIN enabled, from the installed PREFIX (its Qt 5
# plug-ins and MIME types), in a fresh home folder under WORK.
#   kde_preview.sh PREFIX QT5_PLUGIN_DIR WORK DESKTOP_CHECK PLUGIN FILE...
set -eu
prefix=$1 plugins=$2 work=$3 check=$4 plugin=$5
shift 5
rm -rf "$work"
mkdir -p "$work/home" "$work/previews" "$work/runtime"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CACHE_HOME=$work/home/.cache XDG_CONFIG_HOME=$work/home/.config
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$prefix/share:/usr/local/share:/usr/share
export QT_PLUGIN_PATH=$prefix/$plugins QT_QPA_PLATFORM=offscreen
exec "$check" preview "$work/previews" "$plugin" "$@"
