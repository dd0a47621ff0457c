#!/usr/bin/env bash
# GDAL reads the sources of --dem/--dir runs. A fresh machine of this
# project's kind (Debian) lacks it: installs libgdal-dev and gdal-bin as root,
# or through passwordless sudo; otherwise stops with the one command to run.
set -euo pipefail
if command -v gdal-config > /dev/null && command -v gdal_translate > /dev/null &&
   [ -n "$(find /usr/lib /usr/local/lib -name GDALConfig.cmake -print -quit 2> /dev/null)" ]; then
  exit 0
fi
install="apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libgdal-dev gdal-bin"
if [ "$(id -u)" -eq 0 ]; then
  bash -c "$install" > /dev/null
elif command -v sudo > /dev/null && sudo -n true 2> /dev/null; then
  sudo -n bash -c "$install" > /dev/null
else
  echo "GDAL is missing. Install it, then run this again:" >&2
  echo "  sudo bash -c '$install'" >&2
  exit 1
fi
