#!/usr/bin/env bash
# Installs what the browser tools need: Debian's Chromium, and the npm packages
# pinned by package-lock.json (from the npm registry only; puppeteer-core
# downloads no browser). Idempotent.
set -euo pipefail
cd "$(dirname "$0")"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "web setup: Node.js 20 or later with npm is needed" >&2
    exit 1
fi
major=$(node -p 'process.versions.node.split(".")[0]')
if [ "$major" -lt 20 ]; then
    echo "web setup: Node.js $(node --version) is too old; 20 or later is needed" >&2
    exit 1
fi

if [ ! -x /usr/bin/chromium ]; then
    echo "web setup: installing chromium"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends chromium >/dev/null
fi

# npm ci starts from nothing each time; skip it while the install matches the lock.
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
    npm ci --no-audit --no-fund
fi
