#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the demo need;
# with --checks also what the sanitizer and fuzz builds need (clang with its
# runtime libraries, the symbolizer for readable reports).
set -e
PKGS="build-essential cmake pkg-config qtbase5-dev qtbase5-dev-tools qttools5-dev-tools \
libqt5sql5-sqlite libqt5script5 qtscript5-dev libv4l-dev \
xvfb xauth cups-client"
# The label printing asks the spooler through lpq and lprm.
PKGS="$PKGS cups-bsd"
# Text drawn over the camera view is checked by the tests.
PKGS="$PKGS fonts-dejavu-core"
# The tests read back and render the tooling-table reports (pdftotext, pdftoppm).
PKGS="$PKGS poppler-utils"
# A comma-decimal locale: the wire-format tests also run under it.
PKGS="$PKGS locales"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ "$1" = "--checks" ]; then
  PKGS="$PKGS clang-14 libclang-rt-14-dev llvm-14"
fi
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
if ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
  $SUDO localedef -i it_IT -f UTF-8 it_IT.UTF-8
fi
