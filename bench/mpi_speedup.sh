#!/usr/bin/env bash
# Times the default simulation of velmora-cli on 1 and on 2 MPI processes of one thread
# each, side by side (alternating, ROUNDS times), prints each wall time, the speed-up of
# the best times and the load average, and checks that both wrote the same JSON.
#   bash bench/mpi_speedup.sh [ROUNDS] [more simulate options, e.g. --repeats 20]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/src/cli/velmora-cli
rounds=${1:-1}
shift || true
launch=(mpirun -np)
[ "$(id -u)" -eq 0 ] && launch=(mpirun --allow-run-as-root -np)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

declare -A best
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq "$rounds"); do
  for n in 1 2; do
    start=$(date +%s.%N)
    "${launch[@]}" "$n" "$cli" simulate --quiet --clock 0 --threads 1 \
      --json "$out/np$n.json" "$@" > "$out/np$n.out" 2> "$out/np$n.err"
    seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')
    printf 'round %d, %d process(es): %.2f s\n' "$round" "$n" "$seconds"
    if [ -z "${best[$n]:-}" ] || awk -v s="$seconds" -v b="${best[$n]}" 'BEGIN { exit !(s < b) }'; then
      best[$n]=$seconds
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
cmp "$out/np1.json" "$out/np2.json" && echo "JSON of 1 and 2 processes: identical"
awk -v a="${best[1]}" -v b="${best[2]}" 'BEGIN { printf "speed-up of 2 processes: %.2f\n", a / b }'
