#!/usr/bin/env bash
# The program as a user sees it: started on a virtual X screen (on X, whatever
# QT_QPA_PLATFORM the test run sets for the other tests), photographed
# once its first frames have run (the title shows the frame rate: the start-up
# scene's ten frames are long past), and compared with a reviewed picture: a
# white client area under a menu bar, centred on a 1024 x 768 screen.
#
#   screenshot.sh PROGRAM REFERENCE.png [OUTPUT.png [ALLOWED]]
#
# Exits 77 (skipped) without xvfb-run or ImageMagick. The menu title's glyphs
# depend on the installed fonts, so up to ALLOWED pixels (default kAllowed)
# may differ.
set -euo pipefail
program=$1
reference=$2
output=${3:-$(mktemp --suffix=.png)}
kAllowed=${4:-1500}

for tool in xvfb-run import compare xwininfo; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

# Inside the virtual display: start, wait for the title, photograph, stop. The
# program is ended by its own process id, and waited for.
XDG_CONFIG_HOME=$config timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  QT_QPA_PLATFORM=xcb "$1" & pid=$!
  trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null" EXIT
  for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q "\"FPS:" && break
    sleep 0.1
  done
  xwininfo -root -tree | grep -q "\"FPS:" || { echo "the window never showed its title"; exit 1; }
  sleep 0.5
  import -window root "$2"
' _ "$program" "$output"

differing=$(compare -metric AE -fuzz 2% "$reference" "$output" null: 2>&1 || true)
echo "pixels differing from the reviewed picture: $differing (allowed $kAllowed); screenshot: $output"
[[ "$differing" =~ ^[0-9]+$ ]] && [ "$differing" -le "$kAllowed" ]
