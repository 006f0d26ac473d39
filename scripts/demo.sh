#!/usr/bin/env bash
# The main job in one command: installs what is missing, builds, and drives a
# workbook shipped in examples/ through the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec examples/demo.sh build/sheetwright
