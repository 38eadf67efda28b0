#!/usr/bin/env bash
# Fails when a C++ source of the project does not follow .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "Formatting: all sources follow .clang-format."
