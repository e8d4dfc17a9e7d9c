// 1,000 sequential small GETs to the server named by BRISKLET_BENCH_URL, through one request
// object and through a fresh request object each time. Both should ride on one connection:
// the idle-handle pool hands a fresh object the connection the last one left open.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "net/request_object.h"
#include "platform/http/http_transfer.h"

namespace {

constexpr int kRequests = 1000;

std::string BaseUrl() {
  const char* url = std::getenv("BRISKLET_BENCH_URL");
  return url ? url : "";
}

bool Fetch(brisklet::net::HttpRequest& request, const std::string& url) {
  request.Open("GET", url);
  request.Send();
  return request.Status() == 200;
}

void BM_OneRequestObject(benchmark::State& state) {
  const std::string base = BaseUrl();
  if (base.empty())
    return state.SkipWithError("BRISKLET_BENCH_URL not set (run bench/http_reuse.sh)");
  brisklet::net::HttpRequest request;
  request.Init();
  for (auto _ : state)
    for (int i = 0; i < kRequests; ++i)
      if (!Fetch(request, base + "/f?i=" + std::to_string(i))) return state.SkipWithError("failed");
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void BM_FreshRequestObjects(benchmark::State& state) {
  const std::string base = BaseUrl();
  if (base.empty())
    return state.SkipWithError("BRISKLET_BENCH_URL not set (run bench/http_reuse.sh)");
  for (auto _ : state)
    for (int i = 0; i < kRequests; ++i) {
      brisklet::net::HttpRequest request;
      request.Init();
      if (!Fetch(request, base + "/f?i=" + std::to_string(i))) return state.SkipWithError("failed");
    }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

BENCHMARK(BM_OneRequestObject)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FreshRequestObjects)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  brisklet::platform::http::GlobalInit();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
