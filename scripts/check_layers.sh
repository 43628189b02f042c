#!/usr/bin/env bash
# Checks that no folder includes a folder above it: bytes <- platform <-
# (extract, dwg) <- results <- search <- (cli, app).
set -euo pipefail
cd "$(dirname "$0")/.."
rank() {
    case "$1" in
        bytes) echo 0 ;; platform) echo 1 ;; extract | dwg) echo 2 ;; results) echo 3 ;;
        search) echo 4 ;; cli | app) echo 5 ;; *) echo 9 ;;
    esac
}
status=0
for folder in bytes platform extract dwg results search cli app; do
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
exit $status
