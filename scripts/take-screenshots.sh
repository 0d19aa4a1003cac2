#!/usr/bin/env bash
# Takes the manual's screenshots of the real program on a virtual X server:
#   bash scripts/take-screenshots.sh [build-folder]
# Needs xvfb, xdotool, openbox (a window manager, for title bars and a
# maximised main window), ImageMagick's import and python3-pil. Writes
# data/help/shots/*.png. Runs with its own home folder, so the user's
# preferences are neither read nor changed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(cd "${1:-build}" && pwd)
out=$root/data/help/shots

if [ -z "${PASSAVUE_SCREENSHOT_SESSION:-}" ]; then
  export PASSAVUE_SCREENSHOT_SESSION=1
  exec xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" "$build"
fi

work=$(mktemp -d /tmp/framer.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_RUNTIME_DIR=$work/.runtime
mkdir -p "$out" "$work/Pictures" "$work/Designs" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Debian's python3 has python3-pil; a python3 earlier in PATH may not.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
"$python" scripts/sample-picture.py "$work/Pictures/lake.jpg"
cat > "$work/Designs/lake.Passavue" <<'EOF'
Passavue 1.0
background 1.5000 128 132 122
lighting 0 4
frame 8 1 96 62 32 0 0 1.0000 0.3500 1.2500 1.2500 1.2500 1.2500
mat 0 0 2.5000 2.5000 2.5000 3.0000 0.0550 2 236 229 212 0 250 248 240 1
mat 1 0 0.2500 0.2500 0.2500 0.2500 0.0550 0 128 120 115 0 240 240 240 0
mat 2 0 0.3125 0.3125 0.3125 0.3125 0.0550 0 58 78 92 1 246 244 238 1
border 0.0000 0.0000 0.0000 0.0000 255 255 255
end
EOF

openbox >/dev/null 2>&1 &
sleep 1

shoot_window() {  # window id, file name: the window with its title bar
  sleep 0.8
  import -frame -window "$1" "$out/$2"
}
shoot_area() {  # file name, x, y, width, height on the screen
  sleep 0.8
  import -window root -crop "$4x$5+$2+$3" +repage "$out/$1"
}
wait_for() {  # window title (a regular expression): its id
  xdotool search --sync --onlyvisible --name "$1" | head -n 1
}
keys() { xdotool key --delay 120 "$@"; }

cd "$work"
"$build/passavue" "$work/Pictures/lake.jpg" "$work/Designs/lake.Passavue" >/dev/null 2>&1 &
main=$(wait_for '^Passavue 1.0$')
sleep 2
eval "$(xdotool getwindowgeometry --shell "$main")"
mx=$X my=$Y
shoot_window "$main" main-window.png

# The menus, each with the menu bar above it.
for menu in f s v h; do
  keys "alt+$menu"
  shoot_area "menu-$menu.png" "$mx" "$((my > 20 ? my - 20 : 0))" 320 290
  keys Escape Escape
done

# The property dialogs, from the Settings menu.
dialog() {  # menu letter, title, file
  keys alt+s "$1"
  local id
  id=$(wait_for "^$2\$")
  shoot_window "$id" "$3"
  echo "$id"
}
id=$(dialog i 'Image Properties' dialog-image.png); keys Escape
id=$(dialog o 'Outer Mat Properties' dialog-mat.png); keys Escape
id=$(dialog f 'Frame Properties' dialog-frame.png); keys Escape
id=$(dialog b 'Background & Lighting Properties' dialog-background.png)
# Its colour button (right of "Color:") opens the colour picker.
xdotool mousemove --window "$id" 260 52 click 1
picker=$(wait_for '^Background Color$'); shoot_window "$picker" colour-picker.png
# Cancel in the dialog closes its picker too.
xdotool windowactivate --sync "$id"
keys Escape

# Preferences (next to last in File) and About.
keys alt+f Up Up Return
id=$(wait_for '^Preferences$'); shoot_window "$id" dialog-preferences.png; keys Escape
keys alt+h a
id=$(wait_for '^About Passavue$'); shoot_window "$id" dialog-about.png; keys Escape

# The rulers.
keys alt+v r
sleep 1
shoot_window "$main" main-window-rulers.png
keys alt+v r

# Export: the file dialog, then the size dialog; Cancel twice ends it.
keys alt+f e
id=$(wait_for '^Export TIFF file$'); shoot_window "$id" export-file.png
xdotool type --delay 40 "$work/framed"
keys Return
id=$(wait_for '^File Export$'); shoot_window "$id" export-size.png
keys Escape
wait_for '^Export TIFF file$' >/dev/null; keys Escape


# The whole-screen pictures at the width the manual shows them.
"$python" - "$out" <<'PY'
import sys
from PIL import Image
for name in ("main-window.png", "main-window-rulers.png"):
    path = f"{sys.argv[1]}/{name}"
    image = Image.open(path).convert("RGB")
    width = 680
    image.resize((width, round(image.height * width / image.width)), Image.LANCZOS).save(path, optimize=True)
PY
echo "Screenshots written to $out"
