#!/usr/bin/env bash
# Qt Designer itself with the plugin of a build folder, driven under Xvfb as
# a user would: the widget box filtered to TTweenery (under "Demo"), a form
# holding one TTweenery with Operation and Modifier set, the property editor
# showing them, RGBOrder changed there, both pictures chosen through the task
# menu's "Edit FromImageFile…" and "Edit ToImageFile…" and their file
# dialogs, and the form saved. Screenshots go to OUT; the saved .ui must keep
# both pictures and the three enumerations, and Designer must read the saved
# form back with them.
#
#   tests/package_qt/designer-under-xvfb.sh <build folder> [OUT] [display]
#
# Not part of ctest: the clicks are at the places of Designer's default
# layout in a 1600 x 1000 window (fresh settings each run), so a different
# Designer may need other places. Needs xdotool and imagemagick (setup).
set -euo pipefail

build=$(cd "${1:?build folder}" && pwd)
out=${2:-/tmp/designer-under-xvfb}
display=${3:-:57}
source=$(cd "$(dirname "$0")/../.." && pwd)
data=$source/tests/data
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

export DISPLAY=$display HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
export QT_PLUGIN_PATH=$build/package/plugins QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
pids+=($!)
sleep 1.5

# The form: a TTweenery without pictures, Operation and Modifier set.
sed -e 's#@TWEENERY_TEST_DATA@#'"$data"'#g' "$source/tests/package_qt/TweeneryForm.ui.in" |
  python3 -c '
import re, sys
s = sys.stdin.read()
s = re.sub(r"   <property name=\"(From|To)ImageFile\">.*?</property>\n", "", s, flags=re.S)
s = s.replace("<width>120</width>", "<width>300</width>").replace("<height>80</height>", "<height>200</height>")
sys.stdout.write(s)' >"$work/form.ui"

designer() {
  /usr/lib/qt6/bin/designer "$1" >>"$out/designer.log" 2>&1 &
  pids+=($!)
  sleep 5
  xdotool windowsize "$(xdotool search --onlyvisible --name 'Qt Designer' | head -1)" 1600 1000
  sleep 1
}
shot() { import -window root "$out/$1.png"; }
filter_properties() {
  xdotool mousemove 1160 149 click 1 # the Tweenery row of the object inspector
  sleep 0.5
  xdotool mousemove 1290 386 click 1 # the property editor's filter
  xdotool key ctrl+a
  xdotool type --delay 80 "$1"
  sleep 1
}
task_menu() {
  xdotool mousemove 306 122 click 3 # the placed widget
  sleep 0.8
  xdotool mousemove 397 "$1" click 1
  sleep 2
}

designer "$work/form.ui"
xdotool mousemove 120 91 click 1 # the widget box's filter
xdotool type --delay 50 "Twe"
sleep 1
shot 1-widget-box
filter_properties er
shot 2-enumerations-read
xdotool mousemove 1300 543 click 1 # RGBOrder's value: coRGB -> coGRB
sleep 0.7
xdotool key Down Down Return
sleep 0.5
task_menu 132 # Edit FromImageFile…
shot 3-from-dialog
xdotool type --delay 20 "$data/rgb24-v3.bmp"
xdotool key Return
sleep 2
task_menu 154 # Edit ToImageFile…, opening in the same folder
shot 4-to-dialog
xdotool type --delay 20 "baseline.jpg"
xdotool key Return
sleep 2
shot 5-pictures-chosen
xdotool mousemove 700 500 click 1
xdotool key ctrl+s
sleep 1.5
cp "$work/form.ui" "$out/saved.ui"
kill "${pids[-1]}"
sleep 1

designer "$out/saved.ui"
filter_properties er
shot 6-saved-form-read-back

status=0
for expected in "<string>$data/rgb24-v3.bmp</string>" "<string>$data/baseline.jpg</string>" \
  "<enum>tweenery::TweeneryWidget::toFade</enum>" "<enum>tweenery::TweeneryWidget::tmDown</enum>" \
  "<enum>tweenery::TweeneryWidget::coGRB</enum>"; do
  if ! grep -qF "$expected" "$out/saved.ui"; then
    echo "designer-under-xvfb: the saved form lacks $expected" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "designer-under-xvfb: the saved form keeps both pictures and the enumerations; screenshots in $out"
exit $status
