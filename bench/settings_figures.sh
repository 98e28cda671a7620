#!/usr/bin/env bash
# Prints the settings files' figures: encoding a 10 MB settings text to code page 932, and start
# and quit with a 100 MB "UserData.ini" and a 100 MB "User.xml".
#   bench/settings_figures.sh [BUILD_DIR]      default build
set -euo pipefail
build=${1:-build}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
HOME=$scratch XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config \
    XDG_DOCUMENTS_DIR=$scratch/documents TMPDIR=$scratch QT_QPA_PLATFORM=offscreen \
    "$build/bin/settings_bench"
