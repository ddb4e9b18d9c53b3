#!/usr/bin/env bash
# Field names as a screen reader reads them: the real program on a real X
# server with accessibility on, read over AT-SPI, with Hamlib's dummy rig
# behind rigctld so that "Freq from Rig" sets the mode.
#   a11y.sh <tarnix> <shablon>
set -u
exe="$1"
template="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$template" "$work/log.mdb"
chmod u+w "$work/log.mdb"
cd "$work"

cat > run.sh <<INNER
set -u
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
rig=""
# The program follows rigctld at 127.0.0.1:4532.
if ! (exec 3<>/dev/tcp/127.0.0.1/4532) 2>/dev/null; then
    rigctld -m 1 -T 127.0.0.1 -t 4532 & rigpid=\$!
    sleep 1
    rig=rig
fi
"$exe" > "$work/out.txt" 2>&1 &
pid=\$!
for i in \$(seq 1 50); do xdotool search --name "Открыть|Open" >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
xdotool type --delay 30 "$work/log.mdb"
xdotool key Return
sleep 2
/usr/bin/python3 "$here/a11y_names.py" \$rig
rc=\$?
kill \$pid
[ -n "\$rig" ] && kill \$rigpid
exit \$rc
INNER
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash run.sh 2>"$work/err.txt"
rc=$?
[ $rc -ne 0 ] && cat "$work/out.txt" "$work/err.txt"
exit $rc
