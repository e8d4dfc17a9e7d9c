# Connection reuse of the request object: 1,000 small GETs through one object and through fresh
# objects. Needs a server: bench/http_reuse.sh starts one and compares with curl.
brisklet_bench(http_reuse SOURCES http_reuse_bench.cpp DEPS brisklet_net)
