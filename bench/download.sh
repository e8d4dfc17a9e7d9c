#!/usr/bin/env bash
# Whole-file downloads from a local nginx: `brisklet get` (both engines, 16 and 32 threads)
# beside aria2c, axel and curl, in the same run.
#
#   bash bench/download.sh BUILD_DIR
#
# BUILD_DIR/brisklet (or BUILD_DIR/app/brisklet) is measured when it exists; otherwise only the
# peers run. Two profiles:
#   throttled    nginx's stream proxy in front of the file server, proxy_download_rate per TCP
#                connection: the time is bounded by size / (connections x rate), which is what
#                many connections are for. (http's limit_rate is per request and lets tools that
#                send many small ranges slip under it.)
#   unthrottled  the file server straight, loopback speed.
# Each tool runs BENCH_RUNS times; the table gives the median wall time, CPU time (user+sys)
# and peak resident memory (GNU time), each also as a ratio to the fastest peer of the same
# profile, and when throttled the wall time as a ratio to the physical limit. Every result's
# sha256 is checked; a run that fails or gives other bytes is counted, not measured, and makes
# the script exit 1 when it is a brisklet run.
#
# Environment (defaults in brackets):
#   BENCH_PROFILES        profiles to run ["throttled unthrottled"]
#   BENCH_THROTTLED_MIB   file size behind the throttle [256]
#   BENCH_RATE_KIB        throttle per connection, KiB/s [4096]
#   BENCH_UNTHROTTLED_MIB file size without throttle [1024]
#   BENCH_RUNS            runs per tool [3]
#   BENCH_TOOLS           extended regex on tool names, only those run [all]
#   BENCH_PROXY_BUFFER    nginx's stream proxy_buffer_size [16k, nginx's default]
#   BENCH_TMP             where the files go [$TMPDIR or /tmp]
#   BENCH_QUICK=1         smoke run: 32 MiB both profiles, 1 run
#   BENCH_OUT             also write the table to this file
set -euo pipefail

build_dir=${1:-build-bench}
if [ "${BENCH_QUICK:-0}" = 1 ]; then
  : "${BENCH_THROTTLED_MIB:=32}" "${BENCH_UNTHROTTLED_MIB:=32}" "${BENCH_RUNS:=1}"
fi
profiles=${BENCH_PROFILES:-throttled unthrottled}
throttled_mib=${BENCH_THROTTLED_MIB:-256}
rate_kib=${BENCH_RATE_KIB:-4096}
unthrottled_mib=${BENCH_UNTHROTTLED_MIB:-1024}
runs=${BENCH_RUNS:-3}
tool_filter=${BENCH_TOOLS:-.}
proxy_buffer=${BENCH_PROXY_BUFFER:-16k}
time_bin=/usr/bin/time

die() { echo "download.sh: $*" >&2; exit 2; }
[ -x "$time_bin" ] || die "GNU time is missing (apt-get install time)"
command -v nginx >/dev/null || die "nginx is missing"
stream_module=/usr/lib/nginx/modules/ngx_stream_module.so
[ -f "$stream_module" ] || die "nginx's stream module is missing (libnginx-mod-stream)"
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || die "BENCH_RUNS must be a positive number"

brisklet=""
for candidate in "$build_dir/brisklet" "$build_dir/app/brisklet"; do
  if [ -x "$candidate" ]; then brisklet=$(realpath "$candidate"); break; fi
done

work=$(mktemp -d "${BENCH_TMP:-${TMPDIR:-/tmp}}/brisklet-bench.XXXXXX")
nginx_pid_file=$work/nginx/nginx.pid
child=""  # the GNU time process of the download under way
stop_child() {
  [ -n "$child" ] || return 0
  local grandchild
  for grandchild in $(ps -o pid= --ppid "$child" 2>/dev/null); do
    kill -TERM "$grandchild" 2>/dev/null || true  # timeout passes it on to the tool
  done
  kill -TERM "$child" 2>/dev/null || true
  wait "$child" 2>/dev/null || true
  child=""
}
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  stop_child
  if [ -s "$nginx_pid_file" ]; then
    local pid
    pid=$(cat "$nginx_pid_file")
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A port nobody answers on; nginx's start is retried should another process take it first.
free_port() {
  local port
  for _ in $(seq 100); do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return 0; }
  done
  die "no free port found"
}

# --- nginx ------------------------------------------------------------------------------------

start_nginx() {
  local prefix=$work/nginx attempt
  mkdir -p "$prefix/tmp" "$work/www"
  for attempt in 1 2 3 4 5; do
    http_port=$(free_port)
    stream_port=$(free_port)
    [ "$http_port" != "$stream_port" ] || continue
    write_nginx_conf "$prefix"
    if nginx -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/error.log" 2>>"$prefix/start.log"; then
      for _ in $(seq 50); do
        [ -s "$nginx_pid_file" ] && curl -sf -o /dev/null "http://127.0.0.1:$http_port/ping" && return 0
        sleep 0.1
      done
    fi
    echo "nginx did not start (attempt $attempt), retrying on other ports" >&2
  done
  cat "$prefix/start.log" "$prefix/error.log" >&2 2>/dev/null || true
  die "nginx would not start"
}

write_nginx_conf() {
  local prefix=$1 user_line=""
  # Run as root, nginx hands its workers to "nobody", who cannot read a private temp folder.
  [ "$(id -u)" = 0 ] && user_line="user root root;"
  cat >"$prefix/nginx.conf" <<EOF
load_module $stream_module;
$user_line
worker_processes auto;
pid $nginx_pid_file;
error_log $prefix/error.log warn;
events { worker_connections 4096; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100000;
  default_type application/octet-stream;
  client_body_temp_path $prefix/tmp/body;
  proxy_temp_path $prefix/tmp/proxy;
  fastcgi_temp_path $prefix/tmp/fastcgi;
  uwsgi_temp_path $prefix/tmp/uwsgi;
  scgi_temp_path $prefix/tmp/scgi;
  server {
    listen 127.0.0.1:$http_port;
    root $work/www;
    location = /ping { return 200 "ok"; }
  }
}
stream {
  server {
    listen 127.0.0.1:$stream_port;
    proxy_pass 127.0.0.1:$http_port;
    proxy_download_rate ${rate_kib}k;
    proxy_buffer_size $proxy_buffer;
  }
}
EOF
}

# --- tools ------------------------------------------------------------------------------------

# name|connections|command (URL and OUT are filled in per run)
tool_list() {
  if [ -n "$brisklet" ]; then
    local engine threads
    for engine in 0 1; do
      for threads in 16 32; do
        echo "brisklet get --engine $engine --threads $threads|$threads|$brisklet get --engine $engine --threads $threads --dir OUT URL"
      done
    done
  fi
  if command -v aria2c >/dev/null; then
    local aria="aria2c --quiet=true --allow-overwrite=true --auto-file-renaming=false -d OUT"
    echo "aria2c -x16 -s16|16|$aria -x16 -s16 URL"
    echo "aria2c -x16 -s16 -k1M|16|$aria -x16 -s16 -k1M URL"
  fi
  if command -v axel >/dev/null; then
    echo "axel -n 16|16|axel -q -n 16 -o OUT/ URL"
    echo "axel -n 32|32|axel -q -n 32 -o OUT/ URL"
  fi
  echo "curl|1|curl -sS -o OUT/bench.bin URL"
}

is_peer() { [[ "$1" != brisklet* ]]; }

# Runs one download; appends "profile|tool|connections|ok|wall|cpu|rss_kib" to $results.
run_once() {
  local profile=$1 tool=$2 conns=$3 command=$4 url=$5 size=$6 expected_sha=$7 limit_s=$8
  local out=$work/out home=$work/home
  rm -rf "$out" "$home"
  mkdir -p "$out" "$home/.config" "$home/.cache" "$home/run" "$home/Desktop"
  chmod 700 "$home/run"
  command=${command//OUT/$out}
  command=${command//URL/$url}
  # Generous bound: four times the physical limit plus half a minute.
  local bound
  bound=$(awk -v l="$limit_s" 'BEGIN { printf "%d", 4 * l + 30 }')
  local start end status=0
  start=$(date +%s%N)
  # In the background, so that a signal to this script is handled at once (wait returns).
  # shellcheck disable=SC2086 # the command is split into words on purpose
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen \
    "$time_bin" -f '%U %S %M' -o "$work/time.txt" timeout --kill-after=5 "$bound" \
    $command >"$work/tool.log" 2>&1 </dev/null &
  child=$!
  wait "$child" || status=$?
  child=""
  end=$(date +%s%N)
  local wall cpu rss ok=1
  wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  read -r user sys rss < <(grep -E '^[0-9.]+ [0-9.]+ [0-9]+$' "$work/time.txt" | tail -1 || echo "0 0 0")
  cpu=$(awk -v u="${user:-0}" -v s="${sys:-0}" 'BEGIN { printf "%.2f", u + s }')
  local files
  mapfile -t files < <(find "$out" -type f)
  if [ "$status" != 0 ]; then
    ok=0; echo "  $tool: exit status $status" >&2; tail -3 "$work/tool.log" >&2 || true
  elif [ "${#files[@]}" != 1 ]; then
    ok=0; echo "  $tool: ${#files[@]} files in the output folder" >&2
  elif [ "$(stat -c %s "${files[0]}")" != "$size" ] ||
       [ "$(sha256sum "${files[0]}" | cut -d' ' -f1)" != "$expected_sha" ]; then
    ok=0; echo "  $tool: the downloaded file differs from the original" >&2
  fi
  echo "$profile|$tool|$conns|$ok|$wall|$cpu|${rss:-0}" >>"$results"
  printf '  %-32s run: %s s, cpu %s s, %s KiB%s\n' "$tool" "$wall" "$cpu" "${rss:-0}" \
    "$([ $ok = 1 ] || echo ' FAILED')" >&2
  rm -rf "$out"
}

# --- the table --------------------------------------------------------------------------------

print_table() {
  local profile=$1 size_mib=$2 throttled=$3
  awk -F'|' -v profile="$profile" -v size_mib="$size_mib" -v throttled="$throttled" \
      -v rate_kib="$rate_kib" -v runs="$runs" '
    function median(list,   n, v, i, j, t) {
      n = split(list, v, " ")
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
      if (n == 0) return -1
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function ratio(a, b) { return (b > 0 && a >= 0) ? sprintf("%.2f×", a / b) : "–" }
    $1 == profile {
      if (!($2 in seen)) { seen[$2] = 1; order[++count] = $2; conns[$2] = $3 }
      if ($4 == 1) { wall[$2] = wall[$2] " " $5; cpu[$2] = cpu[$2] " " $6; rss[$2] = rss[$2] " " $7; good[$2]++ }
      else failed[$2]++
    }
    END {
      best = ""
      for (i = 1; i <= count; i++) {
        t = order[i]
        w[t] = median(wall[t]); c[t] = median(cpu[t]); m[t] = median(rss[t])
        if (t !~ /^brisklet/ && w[t] >= 0 && (best == "" || w[t] < w[best])) best = t
      }
      rate_mib = rate_kib / 1024
      printf "\n### %s: %d MiB", profile, size_mib
      if (throttled) printf ", %g MiB/s per TCP connection", rate_mib
      printf ", median of %d run(s)\n\n", runs
      if (best != "") printf "Fastest peer: %s (%.2f s).\n\n", best, w[best]
      printf "| tool | conns | wall s | × fastest peer |"
      if (throttled) printf " limit s | × limit |"
      printf " CPU s | × fastest peer | peak RSS MiB | × fastest peer | ok |\n"
      printf "|---|---:|---:|---:|"
      if (throttled) printf "---:|---:|"
      printf "---:|---:|---:|---:|---|\n"
      for (i = 1; i <= count; i++) {
        t = order[i]
        ok = (good[t] + 0) "/" (good[t] + failed[t])
        if (w[t] < 0) {
          printf "| %s | %d | – | – |", t, conns[t]
          if (throttled) printf " – | – |"
          printf " – | – | – | – | %s |\n", ok
          continue
        }
        printf "| %s | %d | %.2f | %s |", t, conns[t], w[t], ratio(w[t], w[best])
        if (throttled) {
          limit = size_mib / (conns[t] * rate_mib)
          printf " %.2f | %s |", limit, ratio(w[t], limit)
        }
        printf " %.2f | %s | %.1f | %s | %s |\n", c[t], ratio(c[t], c[best]), m[t] / 1024, ratio(m[t], m[best]), ok
      }
    }' "$results"
}

# --- main -------------------------------------------------------------------------------------

results=$work/results.txt
: >"$results"
start_nginx
echo "nginx on 127.0.0.1:$http_port (direct) and :$stream_port (throttled)" >&2
[ -n "$brisklet" ] || echo "no brisklet program in $build_dir: only the peers run" >&2

table=""
for profile in $profiles; do
  case $profile in
    throttled) size_mib=$throttled_mib; port=$stream_port; throttled=1 ;;
    unthrottled) size_mib=$unthrottled_mib; port=$http_port; throttled=0 ;;
    *) die "unknown profile $profile" ;;
  esac
  file=$work/www/$profile.bin
  echo "== $profile: generating $size_mib MiB of random bytes" >&2
  head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$file"
  size=$(stat -c %s "$file")
  sha=$(sha256sum "$file" | cut -d' ' -f1)
  url=http://127.0.0.1:$port/$profile.bin
  while IFS='|' read -r tool conns command; do
    [[ "$tool" =~ $tool_filter ]] || continue
    if [ "$throttled" = 1 ]; then
      limit_s=$(awk -v s="$size_mib" -v c="$conns" -v r="$rate_kib" 'BEGIN { print s / (c * r / 1024) }')
    else
      limit_s=10
    fi
    for _ in $(seq "$runs"); do
      run_once "$profile" "$tool" "$conns" "$command" "$url" "$size" "$sha" "$limit_s"
    done
  done < <(tool_list)
  table+=$(print_table "$profile" "$size_mib" "$throttled")$'\n'
  rm -f "$file"
done

echo
echo "## Downloads from a local nginx ($(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores)"
echo "$table"
if [ -n "${BENCH_OUT:-}" ]; then
  { echo "## Downloads from a local nginx"; echo "$table"; } >"$BENCH_OUT"
fi
# A peer that crashes now and then is its own affair; a brisklet run that fails is ours.
if grep -q '^[^|]*|brisklet[^|]*|[0-9]*|0|' "$results"; then
  echo "download.sh: some brisklet runs failed (see above)" >&2
  exit 1
fi
