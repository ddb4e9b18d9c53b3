#!/usr/bin/env bash
# Starts the real program under a real X server and checks that it comes up
# (showing its Open dialog) and keeps running until it is closed.
set -u
exe="$1"
shot="${2:-}"
work=$(mktemp -d)
cd "$work"
cat > run.sh <<INNER
"$exe" > "$work/out.txt" 2>&1 &
pid=\$!
sleep 4
if ! kill -0 \$pid 2>/dev/null; then echo "tarnix exited early"; cat "$work/out.txt"; exit 1; fi
if [ -n "$shot" ] && command -v xwd >/dev/null; then xwd -root -silent > "$work/shot.xwd"; cp "$work/shot.xwd" "$shot"; fi
kill \$pid
wait \$pid 2>/dev/null
exit 0
INNER
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" bash run.sh
rc=$?
rm -rf "$work"
exit $rc
