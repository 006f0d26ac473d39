#!/usr/bin/env bash
# The demonstration: drives examples/demo.xlsx through the command-line tool.
# It opens a copy of the workbook, reads cells, reads a whole sheet page by
# page, writes cells (header cells stay protected), moves the selection,
# closes with saving, and opens the saved copy again to show the changes.
# Usage: examples/demo.sh path/to/sheetwright
set -euo pipefail
cli=${1:-build/sheetwright}
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The commands name the copy as WORKDIR/demo.xlsx; the shipped workbook
# stays unchanged.
cp "$here"/demo.xlsx "$work"/demo.xlsx
sed "s#WORKDIR#$work#g" "$here"/demo.jsonl > "$work"/commands.jsonl
# One process for all commands: sessions live as long as the process.
"$cli" "$work"/commands.jsonl > "$work"/replies.jsonl

echo "== commands ($here/demo.jsonl) and replies"
# Prints each command with its reply; a long reply (a page of a sheet) is cut
# after 300 characters and its row count is shown.
exec 3< "$work"/replies.jsonl
while IFS= read -r command; do
  [ -z "$command" ] && continue
  IFS= read -r reply <&3 || reply="(no reply)"
  echo "> $command"
  if [ ${#reply} -gt 300 ]; then
    rows=$(grep -o '{"columns"' <<<"$reply" | wc -l)
    echo "< ${reply:0:300}... ($rows rows, ${#reply} characters)"
  else
    echo "< $reply"
  fi
done < "$work"/commands.jsonl
