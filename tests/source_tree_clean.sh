#!/usr/bin/env bash
# Fails when a build or a test has left files in the source tree outside the build directories:
# files git ignores there, or untracked files in the committed data folder. Skipped (exit 77)
# outside a git checkout.
#   source_tree_clean.sh SOURCE_DIR
set -euo pipefail
source=$1
if ! command -v git >/dev/null || ! git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "not a git checkout: skipped"
  exit 77
fi
stray=$(git -C "$source" status --porcelain --ignored --untracked-files=all |
  awk '{ path = substr($0, 4); sub(/^"/, "", path) }
       /^!! / && path !~ /^build[^\/]*\// { print path } /^\?\? "?data\// { print path }')
if [ -n "$stray" ]; then
  echo "FAIL: files written into the source tree:"
  echo "$stray" | sed 's/^/  /'
  exit 1
fi
echo "the source tree holds only committed files and build directories"
