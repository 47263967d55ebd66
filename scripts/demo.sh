#!/usr/bin/env bash
# The bridge end to end without a register: builds the release tree, starts
# the register simulator on a free loopback port, runs the headless bridge
# on ./demo, drops the command files of examples/demo/ into its watched
# folder and shows the answer files and what the register printed.
# Exits 0 once every command file has been answered.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
DEMO="$ROOT/demo"
BUILD="$ROOT/build/release"
TIMEOUT="${DEMO_TIMEOUT:-90}"

scripts/deps.sh
scripts/build.sh release

rm -rf "$DEMO"
mkdir -p "$DEMO/in"

SIM_PID=""
BRIDGE_PID=""
stop_all() {
  local pid
  for pid in $BRIDGE_PID $SIM_PID; do
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
}
trap stop_all EXIT

# The register: port 0 lets the system pick a free one, which it announces.
"$BUILD/tools/ecr-sim/danvore-ecr-sim" --tcp 127.0.0.1:0 --journal "$DEMO/journal.txt" \
  </dev/null >"$DEMO/sim.out" 2>"$DEMO/sim.err" &
SIM_PID=$!
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$DEMO/sim.out")
  [[ -n "$port" ]] && break
  sleep 0.1
done
if [[ -z "$port" ]]; then
  echo "demo: the simulator did not start" >&2
  cat "$DEMO/sim.err" >&2
  exit 1
fi
echo "demo: register simulator on 127.0.0.1:$port"

cat >"$DEMO/Config.Ini" <<EOF
[System]
ConnKind=1
Host=127.0.0.1
Port=$port
InEncodingName=1253
OutEncodingName=1253
SourceDataPath=$DEMO/in
AnswerPath=$DEMO/answer
AllVoidBeforeProcessFile=1
DecimalType=0
[Clerk]
ClerkID1=0
EOF

"$BUILD/src/cli/danvore-cli" --home "$DEMO" run </dev/null >"$DEMO/bridge.out" 2>&1 &
BRIDGE_PID=$!

# Each file is written under a name the bridge ignores, then renamed, so the
# bridge never reads a file that is only half written.
expected=0
for example in examples/demo/*.txt; do
  name=$(basename "$example")
  cp "$example" "$DEMO/in/$name.part"
  mv "$DEMO/in/$name.part" "$DEMO/in/$name"
  expected=$((expected + 1))
done
echo "demo: $expected command files dropped into $DEMO/in"

answered() {
  find "$DEMO/answer" -type f \( -name '*.Ans' -o -name '*.ERR1' -o -name '*.ERR2' \) \
    2>/dev/null | wc -l
}
deadline=$((SECONDS + TIMEOUT))
while (($(answered) < expected)); do
  if ! kill -0 "$BRIDGE_PID" 2>/dev/null; then
    echo "demo: the bridge ended early" >&2
    cat "$DEMO/bridge.out" >&2
    exit 1
  fi
  if ((SECONDS >= deadline)); then
    echo "demo: only $(answered) of $expected files answered within ${TIMEOUT}s" >&2
    cat "$DEMO/bridge.out" >&2
    exit 1
  fi
  sleep 0.5
done

# Answer files are in code page 1253, as Config.Ini says.
show() {
  if command -v iconv >/dev/null 2>&1; then
    iconv -f CP1253 -t UTF-8 "$1" | tr -d '\r'
  else
    tr -d '\r' <"$1"
  fi
  echo
}
echo
echo "=== answer files"
while IFS= read -r file; do
  echo "--- ${file#"$DEMO/"}"
  show "$file"
done < <(find "$DEMO/answer" -type f | sort)

kill -TERM "$BRIDGE_PID"
bridge_status=0
wait "$BRIDGE_PID" || bridge_status=$?
BRIDGE_PID=""
echo "=== bridge (exit $bridge_status)"
cat "$DEMO/bridge.out"

kill -TERM "$SIM_PID"
wait "$SIM_PID" || true
SIM_PID=""
echo "=== what the register printed"
cat "$DEMO/journal.txt"

if ((bridge_status != 0)); then
  echo "demo: the bridge ended with $bridge_status" >&2
  exit 1
fi
echo "demo: all $expected command files answered"
