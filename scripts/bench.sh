#!/usr/bin/env bash
# Builds the benchmarks and prints one table: pack + frame throughput, link
# exchanges on TCP loopback and on a pty, a 100-line file from pick-up to
# answer, the processor use of an idle bridge and of one waiting on a
# silent serial register, and the peak memory of danvore-cli run and of the
# desktop application. Not a test: the figures depend on the machine.
# Usage: bench.sh [--idle-seconds N]   (default 60)
# BENCH_BUILD_DIR picks the build folder (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."

idle=60
while [[ $# -gt 0 ]]; do
  case "$1" in
    --idle-seconds) idle="${2:?--idle-seconds needs a value}"; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

build="${BENCH_BUILD_DIR:-build/release}"
if [[ "$build" == build/release ]]; then
  cmake --preset release >/dev/null
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets=(danvore-cli)
for src in bench/*.cpp; do targets+=("bench_$(basename "$src" .cpp)"); done
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target "${targets[@]}"
app_target=$(cmake --build "$build" --target help 2>/dev/null | grep -c '^danvore:' || true)
[[ "$app_target" != 0 ]] && cmake --build "$build" -j "${JOBS:-$(nproc)}" --target danvore

scratch=$(mktemp -d)
sim_pid=""
cleanup() {
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

rows=()
row() { rows+=("| $1 | $2 | $3 |"); }

# Google Benchmark results as rows: name, time per iteration, counters.
# Each benchmark runs on its own: the CSV format needs the same counters in
# every row of one run.
for src in bench/*.cpp; do
  prog="$build/bench/bench_$(basename "$src" .cpp)"
  for base in $("$prog" --benchmark_list_tests 2>/dev/null | sed 's#/.*##' | awk '!seen[$0]++'); do
  name="$(basename "$prog")-$base"
  "$prog" --benchmark_format=csv --benchmark_filter="^${base}(/|\$)" 2>/dev/null >"$scratch/$name.csv" || true
  while IFS= read -r line; do rows+=("$line"); done < <(awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) head[i] = $i; next }
    $1 !~ /^"/ { next }
    {
      name = $1; gsub(/"/, "", name)
      if ($9 == "true") { printf "| %s | error | %s |\n", name, $10; next }
      extra = ""
      if ($7 != "") extra = sprintf("%.0f lines/s", $7)
      for (i = 11; i <= NF; i++) if ($i != "") {
        h = head[i]; gsub(/"/, "", h)
        extra = extra (extra == "" ? "" : ", ") sprintf("%s=%.3g", h, $i)
      }
      printf "| %s | %.3g %s real, %.3g %s CPU | %s |\n", name, $3, $5, $4, $5, extra
    }' "$scratch/$name.csv")
  done
done

# Processor share of a process over `idle` seconds, in percent of one core.
cpu_share() {
  local pid=$1 ticks before after hz
  hz=$(getconf CLK_TCK)
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$idle"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  ticks=$((after - before))
  awk -v t="$ticks" -v hz="$hz" -v s="$idle" 'BEGIN { printf "%.3f %%", 100 * t / hz / s }'
}
peak_rss() { awk '/VmHWM/ { printf "%.1f MB", $2 / 1024 }' "/proc/$1/status"; }

# A bridge with an empty command folder, then one whose register is silent:
# a pseudo-terminal nobody answers, with a command file waiting.
home() {
  local dir="$scratch/$1" kind=$2 host=$3 port=$4
  mkdir -p "$dir/in"
  printf '[System]\r\nConnKind=%s\r\nHost=%s\r\nPort=%s\r\nSourceDataPath=%s\r\nAnswerPath=%s\r\n' \
    "$kind" "$host" "$port" "$dir/in" "$dir/answer" >"$dir/Config.Ini"
  echo "$dir"
}
idle_home=$(home idle 1 127.0.0.1 9)
"$build/src/cli/danvore-cli" --home "$idle_home" run >/dev/null 2>&1 &
cli=$!
sleep 2
row "idle bridge (danvore-cli run, empty folder), ${idle} s" "$(cpu_share $cli)" "target < 0.5 %"
row "danvore-cli run peak memory (VmHWM)" "$(peak_rss $cli)" "target < 10 MB"
kill -TERM $cli; wait $cli || true

pty_link="$scratch/silent-tty"
if ! command -v python3 >/dev/null; then
  row "bridge waiting on a silent serial register" "not measured" "needs python3 for the pty"
else
exec 3< <(python3 -c 'import os,pty,sys,time
m,s=pty.openpty(); os.symlink(os.ttyname(s), sys.argv[1]); sys.stdout.write("ok\n"); sys.stdout.flush(); time.sleep(100000)' "$pty_link")
read -r _ <&3
sim_pid=$!
silent_home=$(home silent 0 "$pty_link" 9600)
printf 'SL/Item/1/1/1,00\r\nCR/1/1,00\r\n' >"$silent_home/in/R001.txt"
"$build/src/cli/danvore-cli" --home "$silent_home" run >/dev/null 2>&1 &
cli=$!
sleep 2
row "bridge waiting on a silent serial register, ${idle} s" "$(cpu_share $cli)" "target < 0.5 %"
kill -TERM $cli; wait $cli || true
fi

if [[ -x "$build/src/ui/danvore" ]]; then
  QT_QPA_PLATFORM=offscreen "$build/src/ui/danvore" >/dev/null 2>&1 &
  app=$!
  sleep 5
  row "danvore (Qt, offscreen) peak memory (VmHWM)" "$(peak_rss $app)" "after 5 s"
  kill -TERM $app; wait $app || true
else
  row "danvore (Qt) peak memory" "not built" "build with the UI to measure"
fi

echo "| Measurement | Result | Notes |"
echo "|---|---|---|"
printf '%s\n' "${rows[@]}"
