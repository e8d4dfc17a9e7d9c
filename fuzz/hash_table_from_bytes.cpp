// Feeds HashTable::FromBytes arbitrary bytes. Whatever it accepts must survive a round trip:
// its own serialised form loads again into a table with the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pool/hash_table.h"

using brisklet::Bytes;
using brisklet::pool::HashTable;
using brisklet::pool::HashValue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  HashTable table;
  table.Create();
  table.Put(1, 2);
  const Bytes before = table.ToBytes();
  if (table.FromBytes(Bytes(data, data + size)) == 0) {
    if (table.ToBytes() != before) std::abort();  // a rejected input changed the table
    return 0;
  }
  std::vector<HashValue> keys, values;
  table.Keys(keys);
  table.Values(values);
  for (const HashValue& key : keys) {
    if (table.ContainsKey(key) != 1) std::abort();
  }
  HashTable again;
  if (again.FromBytes(table.ToBytes()) != 1) std::abort();
  if (again.Count() != table.Count()) std::abort();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!(again.Get(keys[i]) == values[i])) std::abort();
  }
  return 0;
}
