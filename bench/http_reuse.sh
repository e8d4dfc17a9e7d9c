#!/usr/bin/env bash
# Connection reuse against curl: 1,000 sequential small GETs to a loopback nginx, plain and TLS,
# through one request object, through fresh request objects, and by one curl invocation that
# fetches the same 1,000 addresses. Prints times, ratios to curl and the connections each run
# opened (nginx logs the connection number of every request).
#   bash bench/http_reuse.sh [build-bench]
set -euo pipefail
dir=${1:-build-bench}
bin="$dir/bench/bench_http_reuse"
[ -x "$bin" ] || { echo "no $bin: configure with -DBRISKLET_BENCH=ON and build bench_http_reuse"; exit 1; }
command -v nginx >/dev/null || { echo "nginx is not installed (scripts/packages/bench.txt)"; exit 1; }

work=$(mktemp -d)
trap 'kill $(cat "$work/nginx.pid" 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
plain=$(free_port); tls=$(free_port)
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -days 1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
mkdir -p "$work/tmp"
cat > "$work/nginx.conf" <<CONF
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 1024; }
http {
  log_format conn '\$connection';
  access_log $work/access.log conn;
  client_body_temp_path $work/tmp; proxy_temp_path $work/tmp; fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp; scgi_temp_path $work/tmp;
  keepalive_requests 100000;
  keepalive_timeout 60s;
  server { listen 127.0.0.1:$plain; location / { return 200 "ok\n"; } }
  server {
    listen 127.0.0.1:$tls ssl;
    ssl_certificate $work/cert.pem; ssl_certificate_key $work/key.pem;
    location / { return 200 "ok\n"; }
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon on;'
for _ in $(seq 50); do [ -s "$work/nginx.pid" ] && break; sleep 0.1; done
touch "$work/access.log"

# Connections opened by the requests logged since line $1.
connections_since() { tail -n +"$(( $1 + 1 ))" "$work/access.log" | sort -u | wc -l; }
lines() { wc -l < "$work/access.log"; }
now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

for scheme in http https; do
  port=$plain; [ $scheme = https ] && port=$tls
  base="$scheme://127.0.0.1:$port"
  printf 'url = "%s/f?i=%d"\noutput = "/dev/null"\n' $(for i in $(seq 0 999); do echo "$base $i"; done) > "$work/curl.cfg"

  mark=$(lines); t0=$(now)
  curl -s -k -K "$work/curl.cfg"
  curl_s=$(calc "$(now) - $t0"); curl_c=$(connections_since "$mark")

  declare -A secs conns
  for bm in BM_OneRequestObject BM_FreshRequestObjects; do
    mark=$(lines)
    ms=$(BRISKLET_BENCH_URL=$base "$bin" --benchmark_filter="^$bm/" --benchmark_format=json 2>/dev/null |
      python3 -c 'import json,sys; print(json.load(sys.stdin)["benchmarks"][0]["real_time"])')
    secs[$bm]=$(calc "$ms / 1000"); conns[$bm]=$(connections_since "$mark")
  done

  echo "== $scheme: 1000 sequential GETs"
  printf '  %-28s %8.3f s  %4d connection(s)\n' "curl, one invocation" "$curl_s" "$curl_c"
  for bm in BM_OneRequestObject BM_FreshRequestObjects; do
    printf '  %-28s %8.3f s  %4d connection(s)  %.2fx curl'"'"'s time\n' \
      "$bm" "${secs[$bm]}" "${conns[$bm]}" "$(calc "${secs[$bm]} / $curl_s")"
  done
done
