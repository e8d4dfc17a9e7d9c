# pool/: the serialised hash table read from arbitrary bytes.
brisklet_fuzz(hash_table_from_bytes
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/hash_table_from_bytes.cpp
  DEPS brisklet_pool)
