#!/usr/bin/env bash
# Runs the demonstration commands through the command-line tool.
# Usage: examples/demo.sh path/to/sheetwright
set -euo pipefail
cli=${1:-build/sheetwright}
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The commands refer to the workbook copy as WORKDIR/...; the copy keeps the
# shipped workbook unchanged.
cp "$here"/demo.xlsx "$work"/ 2>/dev/null || true
sed "s#WORKDIR#$work#g" "$here"/demo.jsonl > "$work"/demo.jsonl
echo "== commands ($here/demo.jsonl) and replies"
while IFS= read -r line; do
  [ -z "$line" ] && continue
  echo "> $line"
  echo "$line" | "$cli"
done < "$work"/demo.jsonl
