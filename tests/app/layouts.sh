#!/usr/bin/env bash
# Alt+S (save) and Alt+C (clear) on the physical S and C keys while a
# layout without Latin letters is active, on a real X server with the keys
# sent as a keyboard sends them.
#   layouts.sh <tarnix> <shablon>
set -u
exe="$1"
template="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$template" "$work/log.mdb"
chmod u+w "$work/log.mdb"
cd "$work"

cat > run.sh <<INNER
set -u
count() { sqlite3 "$work/log.mdb" "select count(*) from log where \$1"; }
fail() { echo "FAIL: \$1"; [ -n "\${TARNIX_SHOT:-}" ] && import -window root "\$TARNIX_SHOT"; kill \$pid 2>/dev/null; exit 1; }
"$exe" > "$work/out.txt" 2>&1 &
pid=\$!
# The Open dialog comes first: answer it with the log.
for i in \$(seq 1 50); do xdotool search --name "Открыть|Open" >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
xdotool type --delay 30 "$work/log.mdb"
xdotool key Return
sleep 2
for layout in ru ua; do
    # The call is typed under the Latin layout (xdotool would have to remap
    # keys for Latin letters under a Cyrillic one), the command key under
    # the Cyrillic layout, where the S key gives ы and the C key с.
    latin() { setxkbmap -layout us; sleep 0.5; xdotool type --delay 30 "\$1"; }
    cyrillic() { setxkbmap -layout \$layout || fail "setxkbmap \$layout"; sleep 0.5; xdotool key "\$1"; sleep 1; }
    # The call field has the focus after a log is attached and after a save.
    latin "UA3\${layout^^}S"
    cyrillic alt+Cyrillic_yeru
    [ "\$(count "CALL = 'UA3\${layout^^}S'")" = 1 ] || fail "Alt+S under \$layout did not save"
    latin "UA3\${layout^^}C"
    cyrillic alt+Cyrillic_es
    xdotool key F1   # saves nothing when Alt+C has cleared the call
    sleep 1
    [ "\$(count "CALL like 'UA3%C'")" = 0 ] || fail "Alt+C under \$layout did not clear"
done
setxkbmap -layout us
kill \$pid
wait \$pid 2>/dev/null
exit 0
INNER
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" bash run.sh
rc=$?
[ $rc -ne 0 ] && cat "$work/out.txt"
exit $rc
