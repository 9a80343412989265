#!/usr/bin/env bash
# The API reference from include/zqgfx.h: build/reference/html/index.html.
# Fails on any warning (an entry, record field or constant group without its
# comment, a comment Doxygen cannot read).
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf build/reference
doxygen docs/Doxyfile
echo "reference: build/reference/html/index.html"
