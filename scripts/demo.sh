#!/usr/bin/env bash
# The demonstration: builds everything, starts veltra-host (the effect library
# on this machine's simulated platform) on a free port, drives it with
# veltra-tune in each dialect, stops it, and checks every answer.
# Exits 0 only if every step answered as expected.
#   scripts/demo.sh          veltra-host built for this machine
#   scripts/demo.sh armhf    veltra-host built for 32-bit ARM, run under
#                            qemu-arm, driven by this machine's veltra-tune
set -euo pipefail
cd "$(dirname "$0")/.."

host_preset=${1:-default}
scripts/setup.sh >/dev/null
for preset in default "$host_preset"; do
  echo "== building (cmake --preset $preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

HOST=(build/default/tools/veltra-host)
if [ "$host_preset" = armhf ]; then
  HOST=(cmake/qemu-arm-run --lib build/armhf/armhf-runtime/usr/lib/p7zip build/armhf/tools/veltra-host)
elif [ "$host_preset" != default ]; then
  echo "usage: scripts/demo.sh [armhf]" >&2
  exit 2
fi
TUNE=build/default/tools/veltra-tune
work=$(mktemp -d)
host_pid=""
panel_pid=""
cleanup() {
  if [ -n "$panel_pid" ] && kill -0 "$panel_pid" 2>/dev/null; then kill -TERM "$panel_pid"; wait "$panel_pid" || true; fi
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then kill -TERM "$host_pid"; wait "$host_pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
step() {  # step "description" expected-output-pattern command...
  local what=$1 pattern=$2; shift 2
  echo
  echo "-- $what"
  echo "\$ ${*#build/default/tools/}"
  local out
  out=$("$@" 2>&1) || true
  printf '%s\n' "$out" | sed 's/^/  /'
  if printf '%s\n' "$out" | grep -Eq -- "$pattern"; then
    echo "  ok"
  else
    echo "  FAILED: expected /$pattern/"
    failures=$((failures + 1))
  fi
}

echo "== starting veltra-host ($host_preset build) on a free port"
"${HOST[@]}" --port 0 --port-file "$work/port" --add-session 7 --enable virtualizer \
  --save-presets "$work/saved-base.mps" --save-user-presets "$work/saved-user.mps" \
  >"$work/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 1 200); do
  [ -s "$work/port" ] && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$work/port" ]; then
  echo "veltra-host did not start:"; cat "$work/host.log"; exit 1
fi
port=$(cat "$work/port")
echo "veltra-host (pid $host_pid) serves tuning clients on port $port"

step "text dialect: set a parameter" "^sent set-param" \
  "$TUNE" --port "$port" set-param 12 0.5
step "text dialect: read it back" "^12 = 0.5$" \
  "$TUNE" --port "$port" get-param 12
step "binary dialect: set two parameters at once" "^sent set-params" \
  "$TUNE" --port "$port" --dialect binary set-params 20=1.25,21=-3
step "binary dialect: read them back" "^21 = -3$" \
  "$TUNE" --port "$port" --dialect binary get-params 20,21
step "framed dialect: select output mode 2" "^sent output-mode" \
  "$TUNE" --port "$port" --dialect framed output-mode 2
step "framed dialect: select sound mode 1" "^sent sound-mode" \
  "$TUNE" --port "$port" --dialect framed sound-mode 1
step "framed dialect: read a parameter" "^20 = 1.25$" \
  "$TUNE" --port "$port" --dialect framed get-param 20

printf '# a preset in the simulated effect'"'"'s text format\nparam 0 0 0 30 0.75\n' >"$work/preset.mps"
step "load a preset file into the effect" "^sent load-preset" \
  "$TUNE" --port "$port" load-preset "$work/preset.mps"
step "the preset's parameter is there" "^30 = 0.75$" \
  "$TUNE" --port "$port" get-param 30
step "change the library's log level remotely (debug records appear in the host's log)" \
  "^sent log-level" "$TUNE" --port "$port" log-level TARVO_LOG_FXModule 1
step "interactive mode: several commands on one connection" "^12 = 0.5$" \
  bash -c "printf 'volume 0.8\nget-params 12\nquit\n' | '$TUNE' --port '$port'"

# The browser panel (veltra-tune panel): started against the running host, it
# serves the page and relays its requests; one read-back through it.
http_get() {  # http_get HOST:PORT PATH: prints the answer's status line and body
  exec 3<>"/dev/tcp/${1%:*}/${1##*:}"
  printf 'GET %s HTTP/1.0\r\nHost: %s\r\n\r\n' "$2" "$1" >&3
  sed -n '1p;$p' <&3
  exec 3<&-
}
"$TUNE" panel --port "$port" --listen 127.0.0.1:0 >"$work/panel.log" 2>&1 &
panel_pid=$!
panel=""
for _ in $(seq 1 200); do
  panel=$(sed -n 's|^panel: serving http://\([^/]*\)/ .*|\1|p' "$work/panel.log")
  [ -n "$panel" ] && break
  kill -0 "$panel_pid" 2>/dev/null || break
  sleep 0.05
done
sed 's/^/  /' "$work/panel.log"
step "the browser panel answers at http://$panel/ and reads the values back through the host" \
  '"connected":true.*"id":12,"sent":null,"value":0.5' http_get "$panel" "/api/poll?log=999999"
kill -TERM "$panel_pid"
wait "$panel_pid" || failures=$((failures + 1))
panel_pid=""

echo
echo "== stopping veltra-host (SIGTERM)"
kill -TERM "$host_pid"
host_status=0
wait "$host_pid" || host_status=$?
host_pid=""
echo "veltra-host exited with status $host_status"
[ "$host_status" -eq 0 ] || failures=$((failures + 1))

echo
echo "== what the host printed (abridged: the effect's journal and the host's own lines)"
grep -E '^(host|effect):' "$work/host.log" | grep -v ' initCheck ' | head -40 | sed 's/^/  /'
if grep -q 'DEBUG: TARVO_LOG_FXModule VeltraEffectAPIBase::SetOutputMode\|DEBUG: TARVO_LOG_FXModule' "$work/host.log"; then
  echo "  (debug records appeared after the remote log-level change)"
else
  echo "  FAILED: no debug records after the remote log-level change"; failures=$((failures + 1))
fi

echo
echo "== presets the host saved when stopping"
sed 's/^/  /' "$work/saved-user.mps"
grep -q '^param 65533 65533 0 12 0.5$' "$work/saved-user.mps" || { echo "  FAILED: parameter 12 not saved"; failures=$((failures + 1)); }
grep -q ' 30 0.75$' "$work/saved-base.mps" || { echo "  FAILED: loaded preset not in the saved base presets"; failures=$((failures + 1)); }

echo
if [ "$failures" -eq 0 ]; then
  echo "demonstration: every step answered as expected"
else
  echo "demonstration: $failures step(s) FAILED"
  exit 1
fi
