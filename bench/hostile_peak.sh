#!/usr/bin/env bash
# The host's peak resident memory, end to end, on data directories made to
# cost it the most (wv_bench_hostile_dirs): each run polls a few times, then
# is stopped with Enter. The figure is the worst run's peak, against the
# 64 MiB the host promises to stay under; it is appended to the ratios file.
#   bench/hostile_peak.sh [build-dir] [ratios.tsv]
set -euo pipefail
build=${1:-build/bench}
tsv=${2:-$build/ratios.tsv}
host=$build/wayvane-gps
sim=$build/wayvane-gps-agent-sim
limit_kib=$((64 * 1024))

dir=$(mktemp -d "${TMPDIR:-/tmp}/wv-hostile.XXXXXX")
trap 'rm -rf "$dir"' EXIT
"$build/wv_bench_hostile_dirs" "$dir/data" > "$dir/scenarios"

peak_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }

printf '%-20s %12s  %s\n' "hostile directory" "host peak" "holding"
worst=0
worst_name=
while IFS=$'\t' read -r name what; do
  fifo=$dir/stdin-$name
  mkfifo "$fifo"
  WAYVANE_GPS_DIR=$dir/data/$name WAYVANE_AGENT_PATH=$sim WV_SIM_MODE=wait-stdin \
    "$host" < "$fifo" > "$dir/out-$name" &
  host_pid=$!
  exec 3> "$fifo"
  # The first screen, then three more polls that read and decode it all again.
  for _ in $(seq 100); do grep -q '^agent: ' "$dir/out-$name" && break; sleep 0.1; done
  later=$dir/data/$name/later
  if [ -f "$later" ]; then
    sleep 1.5
    cp "$later" "$dir/data/$name/$(cat "$dir/data/$name/later-path")"
  fi
  sleep 3
  peak=$(peak_kib "$host_pid")
  echo >&3
  exec 3>&-
  wait "$host_pid"
  printf '%-20s %8d KiB  %s\n' "$name" "$peak" "$what"
  if [ "$peak" -gt "$worst" ]; then
    worst=$peak
    worst_name=$name
  fi
done < "$dir/scenarios"

ratio=$(awk -v a="$worst" -v b="$limit_kib" 'BEGIN { printf "%.3f", a / b }')
printf 'hostile_peak\t%d\t%d\t%s\n' "$((worst * 1024))" "$((limit_kib * 1024))" "$ratio" >> "$tsv"
if [ "$worst" -gt "$limit_kib" ]; then
  echo "hostile_peak: $worst KiB ($worst_name) is over the $limit_kib KiB the host promises  MISSED"
  exit 1
fi
echo "hostile_peak: worst $worst KiB ($worst_name), at most $limit_kib KiB"
