#!/usr/bin/env bash
# Runs the Windows build (scripts/cross-windows.sh) under Wine: every Windows
# test program, then the end-to-end check in which danvore-cli.exe talks TCP
# to the native simulator. Prints "N passed, M failed"; non-zero on failure.
#
# Usage: wine-tests.sh [--no-e2e]
# Environment: DANVORE_WINDOWS_BUILD (default build/windows),
#              DANVORE_WINE_PREFIX   (default build/wine-prefix).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${DANVORE_WINDOWS_BUILD:-build/windows}
RUN_E2E=1
[[ ${1:-} == --no-e2e ]] && RUN_E2E=0

# The plain `wine` wrapper wants the 32-bit half, which a wine64-only install
# lacks: take the 64-bit loader itself.
find_wine64() {
  local candidate
  for candidate in "${WINE64:-}" /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 \
    /opt/wine-stable/bin/wine64 "$(command -v wine64 || true)"; do
    if [[ -n $candidate && -x $candidate ]]; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

WINE64=$(find_wine64) || {
  echo "wine-tests: wine64 not found (apt-get install wine64)" >&2
  exit 1
}
export WINE64
export WINEPREFIX=${DANVORE_WINE_PREFIX:-$ROOT/build/wine-prefix}
export WINEDEBUG=-all
# No Mono or Gecko download prompts: the tests need neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# The shops run a Greek Windows (ANSI code page 1253, OEM 737). Wine takes its
# locale from LC_ALL, and needs the matching glibc locale to keep converting
# file names and arguments as UTF-8: build it privately (LOCPATH), no root.
LOCALE_DIR=$ROOT/build/wine-locale
if [[ ! -d $LOCALE_DIR/el_GR.UTF-8 ]]; then
  mkdir -p "$LOCALE_DIR"
  localedef -i el_GR -f UTF-8 "$LOCALE_DIR/el_GR.UTF-8" >/dev/null 2>&1 ||
    rm -rf "${LOCALE_DIR:?}/el_GR.UTF-8"
fi
WINE_ENV=(LOCPATH="$LOCALE_DIR")
if [[ -d $LOCALE_DIR/el_GR.UTF-8 ]]; then
  WINE_ENV+=(LC_ALL=el_GR.UTF-8)
else
  echo "wine-tests: no el_GR locale source (Debian package locales): ANSI code page stays 1252"
fi
wine_run() { env "${WINE_ENV[@]}" "$WINE64" "$@"; }

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "wine-tests: creating the Wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  wine_run wineboot --init >/dev/null 2>&1 || true
fi

# Every test of these programs runs under Wine; a test of a feature Wine
# lacks skips itself (GTEST_SKIP).
PROGRAMS=(test_platform test_core test_encoding test_link test_packing test_windows)

# ---- End to end: danvore-cli.exe run under Wine against the native simulator.

# Polls (up to $1 seconds) until the command $2... succeeds.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# The Windows spelling of a Linux path: Wine maps drive Z: to /.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

native_simulator() {
  local sim=${DANVORE_SIM:-build/release/tools/ecr-sim/danvore-ecr-sim}
  if [[ ! -x $sim ]]; then
    [[ -f build/release/build.ninja ]] || cmake --preset release >/dev/null
    cmake --build build/release --target danvore-ecr-sim -j "$(nproc)" >&2
    sim=build/release/tools/ecr-sim/danvore-ecr-sim
  fi
  [[ $sim == /* ]] || sim=$ROOT/$sim
  echo "$sim"
}

E2E_PIDS=()
E2E_DIR=""
e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [[ -n $E2E_DIR ]]; then rm -rf "$E2E_DIR"; fi
}

# A receipt in code page 1253, as a Greek POS writes it: clerk login, two
# sales (one named in Greek), a payment.
write_command_file() {
  printf '11/1/0\r\nSL/\xca\xc1\xd6\xc5\xd3/5201234567890/2/1,50/1\r\nSL/WATER/5201111111117/1/0,50/0\r\nCR/1/3,50\r\n' >"$1"
}

run_e2e() {
  local sim cli
  sim=$(native_simulator)
  cli=$ROOT/$BUILD/src/cli/danvore-cli.exe
  [[ -x $sim ]] || { echo "e2e: no simulator at $sim"; return 1; }
  [[ -f $cli ]] || { echo "e2e: no $cli"; return 1; }
  E2E_DIR=$(mktemp -d /tmp/danvore-wine-e2e.XXXXXX)
  local home=$E2E_DIR/shop
  local source=$E2E_DIR/Παραγγελίες
  local answers=$E2E_DIR/Απαντήσεις
  mkdir -p "$home" "$source"

  "$sim" --tcp 127.0.0.1:0 --journal "$E2E_DIR/journal.txt" </dev/null >"$E2E_DIR/sim.out" 2>&1 &
  local sim_pid=$!
  E2E_PIDS+=("$sim_pid")
  wait_for 20 grep -qs '^listening on 127.0.0.1:' "$E2E_DIR/sim.out" || {
    echo "e2e: the simulator did not start"; cat "$E2E_DIR/sim.out"; return 1
  }
  local port
  port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$E2E_DIR/sim.out")
  echo "e2e: simulator on 127.0.0.1:$port"

  printf '[System]\r\nConnKind=1\r\nHost=127.0.0.1\r\nPort=%s\r\nInEncodingName=1253\r\nOutEncodingName=1253\r\nSourceDataPath=%s\r\nAnswerPath=%s\r\nAllVoidBeforeProcessFile=1\r\nDecimalType=0\r\n' \
    "$port" "$(windows_path "$source")" "$(windows_path "$answers")" >"$home/Config.Ini"
  cat "$home/Config.Ini"

  local winhome
  winhome=$(windows_path "$home")
  env "${WINE_ENV[@]}" "$WINE64" "$cli" --home "$winhome" run </dev/null >"$E2E_DIR/cli.out" 2>&1 &
  local cli_pid=$!
  E2E_PIDS+=("$cli_pid")
  wait_for 60 grep -qs 'program folder' "$E2E_DIR/cli.out" || {
    echo "e2e: danvore-cli.exe run did not start"; cat "$E2E_DIR/cli.out"; return 1
  }

  # The instance lock: a second copy on the same folder is refused.
  local second=0
  timeout 60 env "${WINE_ENV[@]}" "$WINE64" "$cli" --home "$winhome" run </dev/null \
    >"$E2E_DIR/second.out" 2>&1 || second=$?
  if ((second != 1)) || ! grep -q 'App is already running!' "$E2E_DIR/second.out"; then
    echo "e2e: the second instance was not refused (exit $second):"; cat "$E2E_DIR/second.out"
    return 1
  fi
  echo "e2e: second instance refused"

  # Written under another name, then renamed: the bridge never sees half a file.
  write_command_file "$source/R001.tmp"
  mv "$source/R001.tmp" "$source/R001.txt"
  local answer=""
  find_answer() {
    answer=$(find "$answers" -name 'R001_*.Ans' -print -quit 2>/dev/null)
    [[ -n $answer ]]
  }
  wait_for 60 find_answer || {
    echo "e2e: no R001_*.Ans within 60 s"; cat "$E2E_DIR/cli.out"
    find "$E2E_DIR" -type f | sed 's/^/  /'
    return 1
  }
  echo "e2e: answer $answer"
  local failures=0
  # The answer holds the lines as read, in the output code page, CR LF each.
  write_command_file "$E2E_DIR/expected.Ans"
  if cmp "$answer" "$E2E_DIR/expected.Ans"; then
    echo "e2e: the answer holds the command lines in code page 1253"
  else
    echo "e2e: answer differs"; od -c "$answer" | head -20; failures=1
  fi
  [[ $(basename "$(dirname "$answer")") =~ ^[0-9]{6}$ ]] || {
    echo "e2e: answer not in a yyMMdd folder"; failures=1
  }
  wait_for 20 test ! -e "$source/R001.txt" || { echo "e2e: R001.txt was not removed"; failures=1; }
  echo "e2e: the register printed:"
  cat "$E2E_DIR/journal.txt"
  grep -q 'ΚΑΦΕΣ' "$E2E_DIR/journal.txt" || { echo "e2e: the Greek item is missing"; failures=1; }
  ls "$home/log/"*.log >/dev/null 2>&1 || { echo "e2e: no daily log in $home/log"; failures=1; }

  stop_cli "$cli_pid" || failures=1
  kill -TERM "$sim_pid"
  wait "$sim_pid" || { echo "e2e: the simulator ended with an error"; failures=1; }
  ((failures == 0))
}

# The program folder itself named in Greek, given on the command line: the
# bridge must start there (log folder), not in a mangled name beside it.
run_greek_home() {
  local cli=$ROOT/$BUILD/src/cli/danvore-cli.exe
  E2E_DIR=$(mktemp -d /tmp/danvore-wine-home.XXXXXX)
  local home=$E2E_DIR/Ταμείο
  mkdir -p "$home"
  env "${WINE_ENV[@]}" "$WINE64" "$cli" --home "$(windows_path "$home")" run </dev/null \
    >"$E2E_DIR/cli.out" 2>&1 &
  local cli_pid=$!
  E2E_PIDS+=("$cli_pid")
  wait_for 60 grep -qs 'program folder' "$E2E_DIR/cli.out" || {
    echo "greek-home: danvore-cli.exe run did not start"; cat "$E2E_DIR/cli.out"; return 1
  }
  local failures=0
  stop_cli "$cli_pid" || failures=1
  [[ -d $home/log ]] || {
    echo "greek-home: no log folder in $home; folders made:"; find "$E2E_DIR" -type d; failures=1
  }
  ((failures == 0))
}

# Gone, or a zombie waiting for `wait`.
process_ended() { [[ ! -e /proc/$1 ]] || [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) == Z ]]; }

# Ctrl+C for a console program under Wine; a clean stop ends with exit 0.
stop_cli() {
  local pid=$1 status=0
  kill -INT "$pid" 2>/dev/null || true
  if ! wait_for 20 process_ended "$pid"; then
    echo "e2e: danvore-cli.exe did not stop on SIGINT"
    return 1
  fi
  wait "$pid" || status=$?
  if ((status != 0)); then
    echo "e2e: danvore-cli.exe ended with exit $status"
    return 1
  fi
  echo "e2e: danvore-cli.exe stopped cleanly"
}

# Wait for a cross build of the same folder that is still writing programs.
mkdir -p "$(dirname "$BUILD")"
exec 9>"$BUILD.lock"
flock -s 9

LOGS=$ROOT/build/wine-logs
mkdir -p "$LOGS"
passed=0
failed=0
failed_names=()

# "passed failed skipped" of one gtest run, from its XML report.
count_results() {
  local xml=$1 head tests failures errors skipped
  [[ -f $xml ]] || { echo "0 0 0"; return; }
  head=$(grep -m1 '<testsuites ' "$xml")
  tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$head")
  failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$head")
  errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$head")
  skipped=$(grep -c 'result="skipped"' "$xml" || true)
  local failed=$((${failures:-0} + ${errors:-0}))
  echo "$((${tests:-0} - failed - skipped)) $failed $skipped"
}

# The output of the failed tests only, from "[ RUN" to "[  FAILED  ]".
failing_blocks() {
  awk '/^\[ RUN      \]/ { block = ""; inside = 1 }
       inside { block = block $0 "\n" }
       /^\[       OK \]|^\[  SKIPPED \]/ { inside = 0 }
       /^\[  FAILED  \] [^0-9]/ && inside { printf "%s", block; inside = 0 }' "$1"
}

for program in "${PROGRAMS[@]}"; do
  exe=$(find "$BUILD/tests" -name "$program.exe" -print -quit 2>/dev/null || true)
  if [[ -z $exe ]]; then
    echo "wine-tests: $program.exe missing in $BUILD (run scripts/cross-windows.sh)" >&2
    failed=$((failed + 1))
    failed_names+=("$program(missing)")
    continue
  fi
  log=$LOGS/$program.log
  xml=$LOGS/$program.xml
  rm -f "$xml"
  status=0
  # A hung program must not hang CI: five minutes is far above any run.
  timeout -k 10 300 env "${WINE_ENV[@]}" "$WINE64" "$exe" --gtest_color=no \
    --gtest_output="xml:$(windows_path "$xml")" </dev/null >"$log" 2>&1 ||
    status=$?
  read -r ok bad skipped < <(count_results "$xml")
  passed=$((passed + ok))
  failed=$((failed + bad))
  if ((status != 0)); then
    if ((bad == 0)); then
      # Crashed or timed out before gtest could count: one failure.
      failed=$((failed + 1))
    fi
    failed_names+=("$program")
    echo "wine-tests: $program: exit $status, $ok passed, $bad failed, $skipped skipped; output:"
    failing_blocks "$log" | head -80
    ((bad > 0)) || tail -20 "$log"
  else
    echo "wine-tests: $program: $ok passed, $skipped skipped"
  fi
done

# One end-to-end check: its name, its function.
run_check() {
  local name=$1 step=$2 log=$LOGS/$1.log
  if "$step" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "wine-tests: $name: passed"
  else
    failed=$((failed + 1))
    failed_names+=("$name")
    echo "wine-tests: $name: FAILED; output:"
    tail -40 "$log"
  fi
  e2e_cleanup
  E2E_PIDS=()
  E2E_DIR=""
}

if ((RUN_E2E)); then
  trap e2e_cleanup EXIT
  run_check e2e-cli-run run_e2e
  run_check e2e-greek-home run_greek_home
fi

echo "$passed passed, $failed failed"
if ((failed > 0)); then
  echo "wine-tests: failing: ${failed_names[*]} (logs in $LOGS)" >&2
  exit 1
fi
