#!/bin/sh
# Installs what building, playing and testing need on a fresh Debian 12 machine.
set -eu
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake pkg-config git ca-certificates \
  libsdl2-dev libmpg123-dev libepoxy-dev libegl-dev libegl-mesa0 libgl1-mesa-dri \
  libjpeg62-turbo-dev libimgui-dev libstb-dev libmp3lame-dev \
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  fonts-dejavu-core xvfb xauth clang >/dev/null
