#!/usr/bin/env bash
# The cost of sitting idle: four quorvane.exe processes run side by side for
# the same 60 seconds, one with the plugin watching an unchanged file and
# reloading every second (with the status line, its age in seconds
# changing at each tick, and the activity strip), one the same without the
# status line and the strip, one with the plugin following the newest of 1,000
# files that match a pattern (reloading every second, listing the folder at the
# default rescan time), one with no plugin at all; beside them, idle_floor does only
# the reload timer's work on the same file, the floor under any plugin built
# this way on this system. Their CPU time is read from Linux's
# /proc (the sum of every thread's time on a CPU, from schedstat, in
# nanoseconds), since Wine's GetProcessTimes for another process does not move.
# The wineserver's time over the same window is shown too: it serves both
# shells, so it cannot be split between them.
# Run by scripts/bench, with BUILD_DIR, DISPLAY and WINEPREFIX set.
set -euo pipefail
: "${BUILD_DIR:?}" "${WINEPREFIX:?}"
source "$(dirname "$0")/../scripts/wine-env"
SECONDS_MEASURED=${IDLE_SECONDS:-60}
SHELL_DIR=$BUILD_DIR/shell/bin
WORK=$BUILD_DIR/bench/idle

cpu_ns() {  # the process's CPU time so far, all threads
  local total=0 task
  for task in /proc/"$1"/task/*; do
    total=$((total + $(cut -d' ' -f1 "$task/schedstat" 2>/dev/null || echo 0)))
  done
  echo "$total"
}

prepare() {  # folder, plugins.rc text
  rm -rf "$WORK/$1"
  mkdir -p "$WORK/$1"
  cp "$SHELL_DIR/quorvane.exe" "$SHELL_DIR/qvperuser.dll" "$WORK/$1/"
  printf '%s\n' "$2" >"$WORK/$1/plugins.rc"
}

# With the status line, a stale time and the activity strip, whose work
# comes with every tick; the plain one has none of them.
status_line=$'qvperuser.staleAfter(min): 60\r\nqvperuser.statusLine: true\r\nqvperuser.activity: true\r\n'

prepare with "qvperuser.dll"
prepare plain "qvperuser.dll"
prepare pattern "qvperuser.dll"
prepare without "# no plugins"
for i in $(seq 200); do echo "idle log line $i"; done >"$WORK/with/watched.log"
windows_log=$(cd "$WORK/with" && winepath -w "$PWD/watched.log")
printf 'qvperuser.filePath: %s\r\nqvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n%s' \
  "$windows_log" "$status_line" >"$WORK/with/qvperuser.rc"
cp "$WORK/with/watched.log" "$WORK/plain/watched.log"
printf 'qvperuser.filePath: %s\r\nqvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n' \
  "$(cd "$WORK/plain" && winepath -w "$PWD/watched.log")" >"$WORK/plain/qvperuser.rc"
mkdir -p "$WORK/pattern/logs"
for i in $(seq -w 1000); do echo "older log $i" >"$WORK/pattern/logs/app-$i.log"; done
touch -d '1 hour ago' "$WORK/pattern/logs/"*.log
cp "$WORK/with/watched.log" "$WORK/pattern/logs/app-1000.log"
windows_pattern=$(cd "$WORK/pattern/logs" && winepath -w "$PWD")\\app-*.log
printf 'qvperuser.filePath: %s\r\nqvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n%s' \
  "$windows_pattern" "$status_line" >"$WORK/pattern/qvperuser.rc"

(cd "$WORK/with" && exec wine ./quorvane.exe >shell.out 2>&1) &
with_pid=$!
(cd "$WORK/plain" && exec wine ./quorvane.exe >shell.out 2>&1) &
plain_pid=$!
(cd "$WORK/pattern" && exec wine ./quorvane.exe >shell.out 2>&1) &
pattern_pid=$!
(cd "$WORK/without" && exec wine ./quorvane.exe >shell.out 2>&1) &
without_pid=$!
(cd "$WORK/with" && exec wine "$BUILD_DIR/bench/idle_floor.exe" "$windows_log" >/dev/null 2>&1) &
floor_pid=$!
server_pid=$(prefix_wineserver)

sleep 5  # both started, the plugin's first load done
before_with=$(cpu_ns "$with_pid")
before_plain=$(cpu_ns "$plain_pid")
before_pattern=$(cpu_ns "$pattern_pid")
before_without=$(cpu_ns "$without_pid")
before_floor=$(cpu_ns "$floor_pid")
before_server=$( [ -n "$server_pid" ] && cpu_ns "$server_pid" || echo 0)
start=$(date +%s%N)
sleep "$SECONDS_MEASURED"
after_with=$(cpu_ns "$with_pid")
after_plain=$(cpu_ns "$plain_pid")
after_pattern=$(cpu_ns "$pattern_pid")
after_without=$(cpu_ns "$without_pid")
after_floor=$(cpu_ns "$floor_pid")
after_server=$( [ -n "$server_pid" ] && cpu_ns "$server_pid" || echo 0)
elapsed=$(( $(date +%s%N) - start ))

# Each hand-over reaches one running shell; the next reaches another.
for pid in "$with_pid" "$plain_pid" "$pattern_pid" "$without_pid"; do
  (cd "$WORK/with" && wine ./quorvane.exe --exec @QVQuit >/dev/null 2>&1) || true
  sleep 2
done
for pid in "$with_pid" "$plain_pid" "$pattern_pid" "$without_pid"; do
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
done
kill "$floor_pid" 2>/dev/null || true
wait "$with_pid" "$plain_pid" "$pattern_pid" "$without_pid" "$floor_pid" 2>/dev/null || true

awk -v e="$elapsed" -v w=$((after_with - before_with)) -v n=$((after_without - before_without)) \
    -v p=$((after_pattern - before_pattern)) -v l=$((after_plain - before_plain)) \
    -v f=$((after_floor - before_floor)) -v s=$((after_server - before_server)) -v server="$server_pid" 'BEGIN {
  printf "Idle CPU over %.1f s, auto-reload every second on an unchanged file (CPU time from /proc)\n", e / 1e9
  printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "quorvane.exe with the plugin", w / 1e6, 100 * w / e
  printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "quorvane.exe without a plugin", n / 1e6, 100 * n / e
  printf "  %-34s %10.1f ms  %7.4f %% of one core   (target < 0.1 %%)\n", "the plugin'\''s own cost", (w - n) / 1e6, 100 * (w - n) / e
  printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "its own cost, no status line, strip", (l - n) / 1e6, 100 * (l - n) / e
  if (l > n) printf "  %-34s %10.2f    (target <= 1.2)\n", "with them / without, own costs", (w - n) / (l - n)
  printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "quorvane.exe, a pattern: 1,000 files", p / 1e6, 100 * p / e
  printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "the plugin'\''s own cost, a pattern", (p - n) / 1e6, 100 * (p - n) / e
  if (w > n) printf "  %-34s %10.2f    (target <= 2)\n", "pattern / plain path, own costs", (p - n) / (w - n)
  printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "idle_floor: the timer'\''s work alone", f / 1e6, 100 * f / e
  if (server != "") printf "  %-34s %10.1f ms  %7.4f %% of one core\n", "wineserver, serving them all", s / 1e6, 100 * s / e
}'
grep -h . "$WORK/with/shell.out" "$WORK/plain/shell.out" "$WORK/pattern/shell.out" "$WORK/without/shell.out" 2>/dev/null | sed 's/^/  shell said: /' || true
