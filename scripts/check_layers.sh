#!/usr/bin/env bash
# Checks that no folder includes a folder at or above its own rank:
#   bytes <- (extract, dwg, platform) <- (match, cache) <- results <- search
#         <- index <- serve <- (cli, app)
# match and cache stand side by side (neither includes the other); the
# readers (extract, dwg) depend on bytes alone; only app includes wxWidgets.
set -euo pipefail
cd "$(dirname "$0")/.."
rank() {
    case "$1" in
        bytes) echo 0 ;;
        extract | dwg | platform) echo 1 ;;
        match | cache) echo 2 ;;
        results) echo 3 ;;
        search) echo 4 ;;
        index) echo 5 ;;
        serve) echo 6 ;;
        cli | app) echo 7 ;;
        *) echo 9 ;;
    esac
}
folders=(bytes platform extract dwg match cache results search index serve cli app)
status=0
for folder in "${folders[@]}"; do
    [ -d "$folder" ] || continue
    own=$(rank "$folder")
    while IFS=: read -r file include; do
        used=${include#*\"}
        used=${used%%/*}
        [ "$used" = "$folder" ] && continue
        if [ "$(rank "$used")" -ge "$own" ]; then
            echo "layering: $file includes $used/, which is not below $folder/" >&2
            status=1
        fi
    done < <(grep -rHo '#include "[a-z_]*/' "$folder" --include='*.h' --include='*.cpp' || true)
done
# wxWidgets belongs to the window alone.
engine=()
for folder in "${folders[@]}"; do
    [ "$folder" != app ] && [ -d "$folder" ] && engine+=("$folder")
done
while IFS= read -r hit; do
    echo "layering: $hit includes wxWidgets outside app/" >&2
    status=1
done < <(grep -rHn '#include <wx/' "${engine[@]}" --include='*.h' --include='*.cpp' || true)
exit $status
