#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the program and the benchmarks need,
# by name, only when some are missing. The lists live in scripts/packages/AREA.txt (build,
# test, bench), one or more packages a line, # starting a comment.
# Usage: install-deps.sh AREA...   (no area: every list)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=()
if [ $# -eq 0 ]; then lists=("$here"/packages/*.txt); else for a in "$@"; do lists+=("$here/packages/$a.txt"); done; fi
want=$(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for p in $want; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
