#!/usr/bin/env bash
# Checks every tracked C++ file against .clang-format with clang-format-14 and
# fails when one would change; prints what would change. Nothing is rewritten.
#   bash scripts/format-check.sh            every tracked C++ file
#   bash scripts/format-check.sh FILE...    only these
# To apply the style instead:
#   git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format-14 -i
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format-14}
if ! command -v "$format" >/dev/null; then
  echo "format-check: $format is not installed (apt-get install clang-format-14)" >&2
  exit 2
fi
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' '*.hpp' '*.cc')
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "format-check: no C++ file to check" >&2
  exit 2
fi
if printf '%s\0' "${files[@]}" | xargs -0 -n 50 -P 2 "$format" --dry-run -Werror --style=file; then
  echo "format-check: ${#files[@]} files match .clang-format"
else
  echo "format-check: files above differ from .clang-format" >&2
  exit 1
fi
