#!/usr/bin/env bash
# Makes docs/screenshot.png: the real program on a small demo log, started
# under a virtual X server, a call typed into the entry panel so that the
# worked-before grid, the country line and the distance fill in.
#
#   docs/screenshot.sh [path/to/tarnix]       (default: build/bin/tarnix)
#
# Builds nothing: build the program first (./scripts/run or ./scripts/build).
# Needs xvfb-run, xdotool, ImageMagick's import and sqlite3 (Debian packages
# xvfb, xdotool, imagemagick, sqlite3). Touches nothing outside a temporary
# folder but the PNG.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/docs/screenshot.png"

# ---- inside the virtual X server -------------------------------------------
if [ "${TARNIX_SHOT_INSIDE:-}" = 1 ]; then
    exe="$1" work="$2"
    log="$work/station.mdb"

    cd "$work"   # the Open dialog starts in the working directory
    "$exe" >"$work/tarnix.out" 2>&1 &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

    # Waits until a visible window's title matches; prints its id.
    wait_window() {
        local pattern="$1" id=""
        for _ in $(seq 1 100); do
            id="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -n 1 || true)"
            [ -n "$id" ] && { echo "$id"; return 0; }
            kill -0 "$pid" 2>/dev/null || { echo "the program ended:" >&2; cat "$work/tarnix.out" >&2; return 1; }
            sleep 0.1
        done
        echo "no window named '$pattern' appeared" >&2
        return 1
    }

    # The program opens with the Open dialog (Qt's own title, or translated).
    dialog="$(wait_window '^(Open|Открыть)$')"
    sleep 0.5
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 15 "$log"
    xdotool key Return

    # Attached: the caption becomes the log's path.
    main="$(wait_window 'station\.mdb$')"
    sleep 0.5
    # Focus to the window (there is no window manager to give it), then the
    # call field, which has the focus after opening.
    xdotool windowfocus --sync "$main"
    sleep 0.3
    xdotool type --delay 40 dl2abc
    # Leaving the call looks it up; Enter on through the reports, name, QTH
    # and comment; leaving the locator shows the distance.
    for _ in 1 2 3 4 5 6 7; do
        xdotool key Return
        sleep 0.15
    done
    sleep 1

    eval "$(xdotool getwindowgeometry --shell "$main")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
        -strip -dither None -colors 128 "PNG8:$work/screenshot.png"
    exit 0
fi

# ---- outside: check, make the demo log, start the X server ------------------
exe="${1:-$root/build/bin/tarnix}"
[ -x "$exe" ] || { echo "no program at $exe: build it first (./scripts/build)" >&2; exit 1; }
exe="$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")"
for tool in xvfb-run xdotool import sqlite3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb xdotool imagemagick sqlite3)" >&2; exit 1; }
done
template=""
for t in "$(dirname "$exe")/shablon" "$(dirname "$exe")/../share/tarnix/shablon"; do
    [ -f "$t" ] && { template="$t"; break; }
done
[ -n "$template" ] || { echo "no log template 'shablon' beside $exe" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A home of its own: default settings, Russian captions, no snapshots, and
# the country file that travels with the program.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8
mkdir -p "$XDG_CONFIG_HOME/Tarnix" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[interface]\nlanguage=ru\n\n[snapshots]\nenabled=false\n' >"$XDG_CONFIG_HOME/Tarnix/Tarnix.conf"

cp "$template" "$work/station.mdb"
sqlite3 "$work/station.mdb" <<'SQL'
update opc set mycall = 'RA3XYZ', myname = 'Sergey', myqth = 'Moscow', myloc = 'KO85TS', timeshift = 0;
insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, COMMENT,
                 RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc) values
  ('2025-03-02', '08:14', '08:16', '7.012',  'CW',  'OK1DX',  'Jiri',   'Praha',     '',             '599', '579', 'Y', 'Y', '100', 'JO70EB', 'OK'),
  ('2025-03-02', '08:31', '08:35', '7.018',  'CW',  'DL2ABC', 'Klaus',  'Berlin',    '',             '599', '599', 'Y', 'N', '100', 'JO62QM', 'DL'),
  ('2025-03-09', '11:05', '11:12', '14.205', 'SSB', 'G4XYZ',  'Peter',  'London',    'QSL via buro', '59',  '57',  'P', 'N', '100', 'IO91WM', 'G'),
  ('2025-03-09', '11:22', '11:23', '14.074', 'FT8', 'JA1QRZ', 'Hiro',   'Tokyo',     '',             '-12', '-15', 'N', 'N', '50',  'PM95VQ', 'JA'),
  ('2025-03-15', '16:40', '16:44', '21.030', 'CW',  'K1ABC',  'Bob',    'Boston',    'new one',      '579', '559', 'P', 'N', '100', 'FN42KH', 'K'),
  ('2025-03-15', '17:02', '17:10', '3.650',  'SSB', 'UR5LAM', 'Oleg',   'Kyiv',      '',             '59',  '59',  'Y', 'Y', '100', 'KO50GK', 'UR'),
  ('2025-03-22', '09:10', '09:18', '14.195', 'SSB', 'DL2ABC', 'Klaus',  'Berlin',    '',             '59',  '59',  'P', 'N', '100', 'JO62QM', 'DL'),
  ('2025-03-22', '09:45', '09:47', '10.116', 'CW',  'OH2BH',  'Martti', 'Espoo',     '',             '599', '599', 'N', 'N', '100', 'KP20JE', 'OH'),
  ('2025-03-29', '12:05', '12:09', '18.130', 'SSB', 'EA3ABC', 'Jordi',  'Barcelona', '',             '59',  '58',  'N', 'N', '100', 'JN11CK', 'EA'),
  ('2025-03-29', '12:30', '12:36', '14.210', 'SSB', 'SP5EWX', 'Jan',    'Warszawa',  '',             '59',  '59',  'N', 'N', '100', 'KO02MF', 'SP');
SQL

TARNIX_SHOT_INSIDE=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$exe" "$work"
cp "$work/screenshot.png" "$out"
echo "$out: $(wc -c <"$out") bytes"
