# pool/: the worker pool against a plain thread per task.
brisklet_bench(pool
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pool_bench.cpp
  DEPS brisklet_pool)
