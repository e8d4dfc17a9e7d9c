# The project's two commands: `make run` and `make test`. Both install what is missing first.
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
FUZZ_SECONDS ?= 60

.PHONY: run build test tsan fuzz bench deps clean

deps:
	@bash scripts/install-deps.sh build

# The release program in build/, started in the foreground.
build: deps
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DBRISKLET_TESTS=OFF
	cmake --build build --target brisklet -j $(JOBS)

run: build
	./build/brisklet

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test:
	@bash scripts/install-deps.sh build test
	cmake -S . -B build-test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
	  -DBRISKLET_SANITIZE=address,undefined -DBRISKLET_WERROR=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS) --timeout 600

# The tests labelled tsan (pool, hash table, engines' concurrency) under ThreadSanitizer.
tsan:
	@bash scripts/install-deps.sh build test
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
	  -DBRISKLET_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -L tsan

# Every libFuzzer target for FUZZ_SECONDS each.
fuzz:
	@bash scripts/install-deps.sh build test
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DBRISKLET_TESTS=OFF -DBRISKLET_FUZZ=ON -DBRISKLET_SANITIZE=address,undefined,fuzzer-no-link
	cmake --build build-fuzz --target fuzz_all -j $(JOBS)
	bash fuzz/run-all.sh build-fuzz $(FUZZ_SECONDS)

# Benchmarks (not part of the tests): micro-benchmarks and whole-program runs against peers.
bench:
	@bash scripts/install-deps.sh build test bench
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DBRISKLET_TESTS=OFF -DBRISKLET_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	bash bench/run-all.sh build-bench

clean:
	rm -rf build build-test build-tsan build-fuzz build-bench
