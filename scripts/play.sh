#!/usr/bin/env bash
# Sets everything up if needed and starts the game from the repository root,
# where it finds images/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
exec build/fiends
