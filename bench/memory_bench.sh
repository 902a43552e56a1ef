#!/usr/bin/env bash
# The plugin's own private memory under Wine: the process's anonymous
# resident memory (RssAnon, from Linux's /proc: what Wine's private memory
# amounts to, pages written rather than reserved), with the plugin less
# without it, in one run.
#   - memory_probe (bench/memory_probe.cpp): the plugin's code run in a
#     process of its own with the stand-in shell's functions, for one source
#     at readBufferSize 4096 and for four sources at 32767 with colour rules,
#     filters and the status line: after start, and after 1,000 reloads of a
#     growing log (with the growth over the last 900 of them).
#   - quorvane.exe with the built qvperuser.dll: the shell with the plugin
#     started, less the same shell after @QVUnloadPlugins, one source; this
#     counts the DLL's own image and the system DLLs it brings in.
# Wine charges about a megabyte for COM, set up when a window of the thread
# first takes the focus, and about a megabyte for each thread it runs; a
# floor of both, measured in the same run, is shown and the targets are
# those of the plugin's own memory above it.
# Run by scripts/bench, with BUILD_DIR, DISPLAY and WINEPREFIX set.
set -euo pipefail
: "${BUILD_DIR:?}" "${WINEPREFIX:?}"
source "$(dirname "$0")/../scripts/wine-env"
SHELL_DIR=$BUILD_DIR/shell/bin
WORK=$BUILD_DIR/bench/memory

# The anonymous memory of the process started as $1 that runs the Windows
# program $2: a 32-bit program runs in the process started, a 64-bit one in
# a process of its own that start.exe leaves behind, found by its command line.
rss_anon_kib() {
  local program pid running=$1
  program=$(winepath -w "$2")
  for pid in $(pgrep -f 'memory_probe\.exe|quorvane\.exe'); do
    if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qiF "$program"; then running=$pid; fi
  done
  sed -n 's/^RssAnon:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$running/status"
}

# Runs memory_probe with one set-up and prints "phase KiB" at each point it names.
probe() {
  local marker="$BUILD_DIR/bench/memory_probe.phase" pid phase
  rm -f "$marker"
  (cd "$BUILD_DIR/bench" && exec wine ./memory_probe.exe "$@" >/dev/null 2>&1) &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ -s "$marker" ]; then
      phase=$(cat "$marker")
      sleep 0.5  # the messages of the step before it handled
      echo "$phase $(rss_anon_kib "$pid" "$BUILD_DIR/bench/memory_probe.exe")"
      rm -f "$marker"
    fi
    sleep 0.1
  done
  wait "$pid" || true
}

# What Wine charges for the focus and for as many waiting threads as the
# plugin runs readers, in KiB (memory_probe.cpp says why).
wine_floor() {
  probe floor "$1" | awk '{ kib[$1] = $2 } END { print kib["floor"] - kib["shell"] }'
}

report() {  # title, target KiB, Wine's floor KiB, readers; then the probe's lines on standard input
  awk -v title="$1" -v target="$2" -v floor="$3" -v readers="$4" '
    { kib[$1] = $2 }
    END {
      started = kib["started"] - kib["shell"]; reloaded = kib["reloaded"] - kib["shell"]
      printf "%s (shell alone %d KiB)\n", title, kib["shell"]
      printf "  %-44s %7d KiB\n", "after start, as the shell grew", started
      printf "  %-44s %7d KiB\n", "after 1,000 reloads, as the shell grew", reloaded
      printf "  %-44s %7d KiB   (the focus and %d waiting threads, this run)\n", "of which Wine charges for any such plugin", floor, readers
      printf "  %-44s %7d KiB   (target <= %d)\n", "after start, less that floor", started - floor, target
      printf "  %-44s %7d KiB   (target <= %d)\n", "after 1,000 reloads, less that floor", reloaded - floor, target
      printf "  %-44s %7d KiB   (target 0)\n", "growth over the last 900 reloads", kib["reloaded"] - kib["tenth"]
    }'
}

floor_one=$(wine_floor 1)
floor_four=$(wine_floor 4)
probe one | report "Private memory of the plugin, one source at readBufferSize 4096" 512 "$floor_one" 1
probe four | report "Private memory of the plugin, four sources at 32767, rules, filters, status line" 2048 "$floor_four" 4

# The built DLL in the stand-in shell, one source.
rm -rf "$WORK"
mkdir -p "$WORK"
cp "$SHELL_DIR/quorvane.exe" "$SHELL_DIR/qvperuser.dll" "$WORK/"
printf 'qvperuser.dll\n' >"$WORK/plugins.rc"
for i in $(seq 2000); do echo "2026-12-08 10:00:00 INFO memory log line $i"; done >"$WORK/watched.log"
windows_log=$(cd "$WORK" && winepath -w "$PWD/watched.log")
printf 'qvperuser.filePath: %s\r\nqvperuser.readBufferSize: 4096\r\nqvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n' \
  "$windows_log" >"$WORK/qvperuser.rc"
(cd "$WORK" && exec wine ./quorvane.exe >shell.out 2>&1) &
shell_pid=$!
exec_command() { (cd "$WORK" && wine ./quorvane.exe --exec "$1" >/dev/null 2>&1) || true; }
sleep 5
exec_command @QVUnloadPlugins
sleep 2
without=$(rss_anon_kib "$shell_pid" "$WORK/quorvane.exe")
exec_command @QVLoadPlugins
sleep 5
with=$(rss_anon_kib "$shell_pid" "$WORK/quorvane.exe")
exec_command @QVQuit
for _ in $(seq 50); do kill -0 "$shell_pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$shell_pid" 2>/dev/null; then kill "$shell_pid"; fi
wait "$shell_pid" 2>/dev/null || true
echo "The built DLL in quorvane.exe, one source at readBufferSize 4096"
printf '  %-34s %7d KiB   (shell after @QVUnloadPlugins %d KiB)\n' "after @QVLoadPlugins" $((with - without)) "$without"
