#!/usr/bin/env bash
# Start-up as the user meets it: the stand-in shell started afresh, each time,
# with the plugin watching a 40 KB log, timing its own call of beginPlugin to
# the return with the plugin's window shown (the shell reports each start on
# its standard error; its trace is left off, since tracing every call of the
# plugin would slow the start it measures).
# Run by scripts/bench, with BUILD_DIR, DISPLAY and WINEPREFIX set.
set -euo pipefail
: "${BUILD_DIR:?}" "${WINEPREFIX:?}"
STARTS=${SHELL_STARTS:-20}
SHELL_DIR=$BUILD_DIR/shell/bin
WORK=$BUILD_DIR/bench/shell-start

rm -rf "$WORK"
mkdir -p "$WORK"
cp "$SHELL_DIR/quorvane.exe" "$SHELL_DIR/qvperuser.dll" "$WORK/"
echo "qvperuser.dll" >"$WORK/plugins.rc"
for i in $(seq 2000); do echo "start-up line $i"; done >"$WORK/watched.log"
windows_log=$(cd "$WORK" && winepath -w "$PWD/watched.log")

start_once() {  # readBufferSize; prints the start's milliseconds, or "failed"
  printf 'qvperuser.filePath: %s\r\nqvperuser.readBufferSize: %s\r\nqvperuser.autoReload: true\r\n' \
    "$windows_log" "$1" >"$WORK/qvperuser.rc"
  rm -f "$WORK/shell.out"
  (cd "$WORK" && exec wine ./quorvane.exe >shell.out 2>&1) &
  local pid=$! line=""
  for _ in $(seq 100); do
    line=$(tr -d '\r' <"$WORK/shell.out" 2>/dev/null | grep -a -m1 'qvperuser.dll: started' || true)
    [ -n "$line" ] && break
    sleep 0.1
  done
  (cd "$WORK" && wine ./quorvane.exe --exec @QVQuit >/dev/null 2>&1) || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  case "$line" in
    *"its window shown") sed -n 's/.* in \([0-9.]*\) ms.*/\1/p' <<<"$line" ;;
    *) echo failed ;;
  esac
}

printf 'Start-up in the stand-in shell, beginPlugin to its return with the window\n'
printf 'shown, %d fresh shells each, taking turns\n' "$STARTS"
printf '%-22s %10s %10s %10s\n' "shown of a 40 KB log" "first ms" "median ms" "slowest ms"
declare -A times
for _ in $(seq "$STARTS"); do
  for size in 512 32767; do times[$size]+="$(start_once "$size") "; done
done
for size in 512 32767; do
  read -r -a all <<<"${times[$size]}"
  sorted=($(printf '%s\n' "${all[@]}" | grep -v failed | sort -n || true))
  failed=$(printf '%s\n' "${all[@]}" | grep -c failed || true)
  if [ ${#sorted[@]} -eq 0 ]; then
    printf '%-22s every start failed\n' "$size bytes"
    continue
  fi
  printf '%-22s %10.2f %10.2f %10.2f' "$size bytes" "${all[0]/failed/0}" \
    "${sorted[$(( ${#sorted[@]} / 2 ))]}" "${sorted[-1]}"
  [ "$failed" -gt 0 ] && printf '   (%d starts failed)' "$failed"
  printf '\n'
done
printf 'The stand-in shell shows no window of its own before its plugins start, so\n'
printf 'these times include what Wine spends on the first window a process shows\n'
printf '(14-19 ms when timed alone under Wine 8); startup_bench times starts in a\n'
printf 'process that has already shown one.\n'
