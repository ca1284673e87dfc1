#!/usr/bin/env bash
# Takes docs/editor.png: the weld program editor of the console with the demo contour, its
# contour page and its technology page side by side, pictured by tools/screens.sh against the
# controller simulator under a virtual X server.
#   tools/editorshot.sh [output.png]     (default: docs/editor.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-$(pwd)/docs/editor.png}
shots=$(mktemp -d "${TMPDIR:-/tmp}/pokavro-editor.XXXXXX")
trap 'rm -rf "$shots"' EXIT
tools/screens.sh "$shots" editor_contour editor_technology
# The editor lies at 900, 130 (550 x 870) on the main window; its title bar above it.
crop=551x898+899+100
convert "$shots/editor-contour.png" -crop "$crop" +repage "$shots/contour.png"
convert "$shots/editor-technology.png" -crop "$crop" +repage "$shots/technology.png"
mkdir -p "$(dirname "$out")"
convert "$shots/contour.png" "$shots/technology.png" -background white -splice 12x0 +append -chop 12x0 "$out"
echo "wrote $out"
