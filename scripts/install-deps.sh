#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the demo need;
# with --checks also what the sanitizer and fuzz builds need (clang with its
# runtime libraries, the symbolizer for readable reports); with --viewer also a
# small PDF viewer when no application is registered for PDF files (the demo
# shows its reports and HELP there).
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
# Reports and HELP open in the desktop's PDF viewer through xdg-open, which
# tells a file's type with file.
PKGS="$PKGS xdg-utils file"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
VIEWER=""
for arg in "$@"; do
  case "$arg" in
  --checks) PKGS="$PKGS clang-14 libclang-rt-14-dev llvm-14" ;;
  --viewer) VIEWER=xpdf ;;
  esac
done
# One question to dpkg for all of them: a demo start with everything there
# waits for it.
installed=" $(dpkg-query -W -f='${Package}:${Status}\n' $PKGS 2>/dev/null | sed -n 's/:install ok installed$//p' | tr '\n' ' ') "
missing=""
for p in $PKGS; do
  case "$installed" in
  *" $p "*) ;;
  *) missing="$missing $p" ;;
  esac
done
if [ -n "$missing" ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
if [ -n "$VIEWER" ] && [ -z "$(xdg-mime query default application/pdf 2>/dev/null)" ]; then
  [ -n "$missing" ] || $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $VIEWER
fi
if ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
  $SUDO localedef -i it_IT -f UTF-8 it_IT.UTF-8
fi
