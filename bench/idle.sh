#!/usr/bin/env bash
# The host at rest: CPU time over 30 s of polling 10 devices whose files do not
# change, and peak resident memory. Baselines from the same run: for CPU, a
# shell loop that only reads the same 11 files once a second; for memory, the
# idle simulated agent (same runtime, no work).
#   bench/idle.sh [build-dir] [seconds]
set -euo pipefail
build=${1:-build/bench}
seconds=${2:-30}
host=$build/wayvane-gps
sim=$build/wayvane-gps-agent-sim

dir=$(mktemp -d "${TMPDIR:-/tmp}/wv-idle.XXXXXX")
trap 'rm -rf "$dir"' EXIT
index='{"version":1,"devices":['
for i in $(seq 0 9); do
  mkdir -p "$dir/devices/phone-$i"
  printf '{"udid":"phone-%s","version":1,"agent_version":"b","connected":true,"device":{"name":"Phone %s","product_type":"iPhone15,2","ios_version":"17.5"},"session":"spoofing","remediation":"","transport":"usb"}' "$i" "$i" \
    > "$dir/devices/phone-$i/status.json"
  [ "$i" -gt 0 ] && index+=','
  index+="{\"udid\":\"phone-$i\"}"
done
printf '%s]}' "$index" > "$dir/devices.json"

ticks=$(getconf CLK_TCK)
# The scheduler's nanosecond count where the kernel keeps one: an idle host
# spends less than the 10 ms a clock tick resolves.
cpu_secs() {
  if [ -r "/proc/$1/schedstat" ]; then
    awk '{ printf "%.4f", $1 / 1e9 }' "/proc/$1/schedstat"
  else
    awk -v t="$ticks" '{ printf "%.4f", ($14 + $15) / t }' "/proc/$1/stat"
  fi
}
peak_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }

fifo=$dir/stdin
mkfifo "$fifo"
WAYVANE_GPS_DIR=$dir WAYVANE_AGENT_PATH=$sim "$host" < "$fifo" > "$dir/out" &
host_pid=$!
exec 3> "$fifo"
(
  end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ]; do
    cat "$dir/devices.json" "$dir"/devices/*/status.json > /dev/null
    sleep 1
  done
  # The loop reports its own CPU time, and its children's, as it ends: read
  # from outside, its /proc entry may already be gone.
  times > "$dir/loop-times"
) &
loop_pid=$!
sleep "$seconds"
host_cpu=$(cpu_secs "$host_pid")
host_peak=$(peak_kib "$host_pid")
agent_pid=$(pgrep -P "$host_pid" | head -n 1)
agent_peak=$(peak_kib "$agent_pid")
wait "$loop_pid"
# `times` prints "XmY.YYYs XmY.YYYs" for the shell, then for its children.
loop_cpu=$(tr ' ' '\n' < "$dir/loop-times" | awk -F'[ms]' 'NF { total += $1 * 60 + $2 } END { printf "%.3f", total }')
echo >&3
exec 3>&-
wait "$host_pid"

printf '%-34s %12s %12s %8s\n' "idle host, ${seconds}s, 10 devices" measured baseline ratio
awk -v a="$host_cpu" -v b="$loop_cpu" 'BEGIN { printf "%-34s %11.4fs %11.3fs %7.3fx\n", "CPU time vs reading loop", a, b, (b > 0 ? a / b : 0) }'
awk -v a="$host_peak" -v b="$agent_peak" 'BEGIN { printf "%-34s %9d KiB %8d KiB %7.2fx\n", "peak RSS vs idle sim agent", a, b, a / b }'
echo "screens written: $(grep -c '^agent: ' "$dir/out")"
