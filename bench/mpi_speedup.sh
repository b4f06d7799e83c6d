#!/usr/bin/env bash
# Times the default simulation of velmora-cli on 1 and on 2 MPI processes of one thread
# each, side by side (alternating, ROUNDS times), prints each wall time with the CPU time
# (user + sys) of every process, the speed-up of the best times and the load average, and
# checks that both wrote the same JSON.
#   bash bench/mpi_speedup.sh [ROUNDS] [more simulate options, e.g. --repeats 20]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/src/cli/velmora-cli
rounds=${1:-1}
shift || true
launch=(mpirun --bind-to none)
[ "$(id -u)" -eq 0 ] && launch+=(--allow-run-as-root)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Each process runs under a shell that writes the CPU time of the tool when it ends
# (bash's `times`: the shell's own user and sys, then its children's), one file per rank.
per_process='dir=$1; shift; "$@"; status=$?; times > "$dir/rank${OMPI_COMM_WORLD_RANK:-0}"; exit $status'

# "user sys" of the children in a `times` file, in seconds.
children_cpu() {
  awk 'NR == 2 { for (k = 1; k <= 2; ++k) { split($k, t, /[ms]/); printf "%.2f ", t[1] * 60 + t[2] } }' "$1"
}

declare -A best
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq "$rounds"); do
  for n in 1 2; do
    rm -rf "$out/cpu"; mkdir "$out/cpu"
    start=$(date +%s.%N)
    "${launch[@]}" -np "$n" bash -c "$per_process" process "$out/cpu" \
      "$cli" simulate --quiet --clock 0 --threads 1 --json "$out/np$n.json" "$@" \
      > "$out/np$n.out" 2> "$out/np$n.err"
    seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')
    cpu=""
    for ((r = 0; r < n; ++r)); do
      read -r user sys <<< "$(children_cpu "$out/cpu/rank$r")"
      cpu+=$(printf ', rank %d CPU %.2f s (user %.2f + sys %.2f)' "$r" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$user" "$sys")
    done
    printf 'round %d, %d process(es): %.2f s wall%s\n' "$round" "$n" "$seconds" "$cpu"
    if [ -z "${best[$n]:-}" ] || awk -v s="$seconds" -v b="${best[$n]}" 'BEGIN { exit !(s < b) }'; then
      best[$n]=$seconds
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
cmp "$out/np1.json" "$out/np2.json" && echo "JSON of 1 and 2 processes: identical"
awk -v a="${best[1]}" -v b="${best[2]}" 'BEGIN { printf "speed-up of 2 processes: %.2f\n", a / b }'
