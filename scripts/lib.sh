# Sourced by the other scripts: how a build tree is configured, and timed phases.

# kelvora_configure <dir> [cmake arguments...]
# RelWithDebInfo, with Ninja and ccache when they are installed. A tree that is
# already configured keeps its generator. Debug information is line tables only
# (-g1): backtraces and a debugger's stepping still name file and line, the
# package is stripped anyway, and the build takes about a fifth less time.
kelvora_configure() {
  local dir=$1
  shift
  local extra=()
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
    extra+=(-G Ninja)
  fi
  if command -v ccache >/dev/null; then
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    "${extra[@]}" "$@" >/dev/null
}

# kelvora_phase <name> <budget seconds> <command...>
# Runs the command and prints how long it took. Past its budget it says so loudly,
# so a slow phase shows long before the whole run nears CI's limit; a slow machine
# is no failure, unless KELVORA_BUDGET_FAIL=N asks to fail past N times the budget.
kelvora_phase() {
  local name=$1 budget=$2
  shift 2
  local start=$SECONDS
  echo "=== phase $name (budget ${budget} s)"
  local rc=0
  "$@" || rc=$?
  local took=$((SECONDS - start))
  KELVORA_PHASES+="$(printf '%-12s %4d s  (budget %4d s)' "$name" "$took" "$budget")"$'\n'
  echo "=== phase $name: ${took} s of ${budget} s"
  if [ $rc -ne 0 ]; then
    echo "=== phase $name FAILED (exit code $rc)" >&2
    return $rc
  fi
  if [ -n "${KELVORA_BUDGET_FAIL:-}" ] && [ "$took" -gt $((budget * KELVORA_BUDGET_FAIL)) ]; then
    echo "=== phase $name FAILED: ${took} s is more than ${KELVORA_BUDGET_FAIL} times its budget of ${budget} s" >&2
    return 1
  fi
  if [ "$took" -gt "$budget" ]; then
    echo "=== phase $name OVER BUDGET: ${took} s > ${budget} s" >&2
  fi
}
KELVORA_PHASES=""
