// HashTable: hash, buckets and growth, the three kinds, the shared body, the serialised form.
#include "pool/hash_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>
#include <utility>
#include <vector>

namespace brisklet::pool {
namespace {

using Entries = std::vector<std::pair<HashValue, HashValue>>;

// The entries of a table in enumeration order.
Entries EntriesOf(const HashTable& table) {
  std::vector<HashValue> keys, values;
  table.Keys(keys);
  table.Values(values);
  Entries entries;
  for (size_t i = 0; i < keys.size(); ++i) entries.emplace_back(keys[i], values[i]);
  return entries;
}

// The same entries regardless of order.
bool SameEntries(Entries a, Entries b) {
  auto less = [](const auto& x, const auto& y) {
    auto tie = [](const HashValue& v) { return std::tie(v.kind, v.integer, v.text, v.bytes); };
    return std::make_pair(tie(x.first), tie(x.second)) < std::make_pair(tie(y.first), tie(y.second));
  };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  return a == b;
}

void AppendInt32(Bytes& out, std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

// A serialised table written by hand: header, the given slot fields, then the payload bytes.
Bytes Serialised(std::int32_t keyKind, std::int32_t valueKind, std::int32_t count, const std::vector<std::int32_t>& slots,
                 const Bytes& payload = {}) {
  Bytes out = ToBytes("hash");
  AppendInt32(out, keyKind);
  AppendInt32(out, valueKind);
  AppendInt32(out, count);
  for (std::int32_t field : slots) AppendInt32(out, field);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(HashTableTest, HashIsTheFixedRule) {
  EXPECT_EQ(HashTable::HashOf("abc"), 96354);
  EXPECT_EQ(HashTable::HashOf(ToBytes("abc")), 96354);
  EXPECT_EQ(HashTable::HashOf("Hello World"), -862545276);  // wraps at 32 bits
  EXPECT_EQ(HashTable::HashOf(Bytes{0xFF}), 255);           // bytes count unsigned
  EXPECT_EQ(HashTable::HashOf(-7), -7);
  EXPECT_EQ(HashTable::HashOf(Bytes{}), 0);
}

TEST(HashTableTest, DefaultTableGrowsWhenANewKeyMeetsTheThreshold) {
  HashTable table;
  ASSERT_EQ(table.Create(), 1);
  EXPECT_EQ(table.Capacity(), 11);
  EXPECT_EQ(table.Threshold(), 8);
  for (int key = 0; key < 8; ++key) EXPECT_EQ(table.Put(key, key * 10), 0);
  EXPECT_EQ(table.Capacity(), 11);
  EXPECT_EQ(table.Put(3, 99), 1);  // replacing never grows
  EXPECT_EQ(table.Capacity(), 11);
  EXPECT_EQ(table.Put(8, 80), 0);
  EXPECT_EQ(table.Capacity(), 23);
  EXPECT_EQ(table.Threshold(), 17);
  for (int key = 9; key < 18; ++key) table.Put(key, key * 10);
  EXPECT_EQ(table.Capacity(), 47);
  EXPECT_EQ(table.Threshold(), 35);
  EXPECT_EQ(table.Count(), 18);
  for (int key = 0; key < 18; ++key) EXPECT_EQ(table.Get(key), HashValue(key == 3 ? 99 : key * 10)) << key;
}

TEST(HashTableTest, KeysSharingABucketAreFoundAndRemovedApart) {
  HashTable table;
  ASSERT_EQ(table.Create(), 1);
  table.Put(5, 1);
  table.Put(16, 2);  // bucket 5 too, now at the head of its chain
  table.Put(-1, 3);  // low 31 bits: 2147483647 % 11 = bucket 1
  table.Put(3, 4);
  std::vector<HashValue> keys;
  EXPECT_EQ(table.Keys(keys), 4);
  EXPECT_EQ(keys, (std::vector<HashValue>{-1, 3, 16, 5}));
  EXPECT_EQ(table.Remove(16), 1);
  EXPECT_EQ(table.Get(5), HashValue(1));
  EXPECT_EQ(table.ContainsKey(16), 0);
  table.Put(16, 2);
  EXPECT_EQ(table.Remove(5), 1);  // the tail of the chain this time
  EXPECT_EQ(table.Get(16), HashValue(2));
  EXPECT_EQ(table.Remove(5), 0);
  EXPECT_EQ(table.Count(), 3);
}

TEST(HashTableTest, EachKindComparesByItsOwnEquality) {
  HashTable texts;
  ASSERT_EQ(texts.Create(Kind::Text, Kind::Text), 1);
  EXPECT_EQ(texts.Put("Key", "upper"), 0);
  EXPECT_EQ(texts.Put("key", "lower"), 0);  // case matters
  EXPECT_EQ(texts.Get("Key"), HashValue("upper"));
  EXPECT_EQ(texts.ContainsValue("lower"), 1);
  EXPECT_EQ(texts.ContainsValue("LOWER"), 0);
  EXPECT_EQ(texts.Put(std::string("key\0tail", 8), "same key"), 1);  // a text ends at its zero byte

  HashTable bytes;
  ASSERT_EQ(bytes.Create(Kind::Bytes, Kind::Integer), 1);
  EXPECT_EQ(bytes.Put(Bytes{}, 1), 0);
  EXPECT_EQ(bytes.Put(Bytes{1, 2}, 2), 0);
  EXPECT_EQ(bytes.Put(Bytes{1, 2, 0}, 3), 0);  // longer: another key
  EXPECT_EQ(bytes.Put(Bytes{}, 4), 1);         // empty byte strings are equal
  EXPECT_EQ(bytes.Get(Bytes{1, 2}), HashValue(2));
  EXPECT_EQ(bytes.Count(), 3);
}

TEST(HashTableTest, AbsentKeysGiveTheEmptyValueOfTheValueKind) {
  struct Case {
    Kind valueKind;
    HashValue empty;
  };
  for (const Case& c : {Case{Kind::Integer, HashValue(0)}, Case{Kind::Text, HashValue("")},
                        Case{Kind::Bytes, HashValue(Bytes{})}}) {
    HashTable table;
    ASSERT_EQ(table.Create(Kind::Integer, c.valueKind), 1);
    HashValue got = table.Get(42);
    EXPECT_EQ(got, c.empty);
    EXPECT_EQ(got.kind, c.valueKind);
  }
}

TEST(HashTableTest, ATableWithoutABodyAnswersAsEmpty) {
  HashTable table;
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Put(1, 1), -1);
  EXPECT_EQ(table.Get(1), HashValue(0));
  EXPECT_EQ(table.ContainsKey(1), 0);
  EXPECT_EQ(table.ContainsValue(1), 0);
  EXPECT_EQ(table.Remove(1), 0);
  std::vector<HashValue> keys{7};
  EXPECT_EQ(table.Keys(keys), 0);
  EXPECT_EQ(keys, std::vector<HashValue>{7});  // left as it was
  EXPECT_TRUE(table.ToBytes().empty());
  table.Clear();
  EXPECT_EQ(table.ReferenceCount(), 0);
}

TEST(HashTableTest, CreateRejectsBadArgumentsAndKeepsTheOldBody) {
  HashTable table;
  ASSERT_EQ(table.Create(), 1);
  table.Put(1, 2);
  struct Case {
    Kind keyKind;
    std::int32_t capacity;
    float loadFactor;
  };
  for (Case c : {Case{Kind::Integer, -1, 0}, Case{Kind::Integer, 5, 0.00000001f}, Case{Kind::Integer, 5, -1},
                 Case{static_cast<Kind>(4), 5, 0}}) {
    EXPECT_EQ(table.Create(c.keyKind, Kind::Integer, c.capacity, c.loadFactor), 0) << c.capacity;
    EXPECT_EQ(table.Get(1), HashValue(2));
  }
  ASSERT_EQ(table.Create(Kind::Integer, Kind::Integer, 5, 1.0f), 1);
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Capacity(), 5);
  EXPECT_EQ(table.Threshold(), 5);
}

TEST(HashTableTest, CopiesShareOneBody) {
  HashTable table;
  ASSERT_EQ(table.Create(Kind::Integer, Kind::Text), 1);
  HashTable copy = table;
  EXPECT_EQ(table.ReferenceCount(), 2);
  copy.Put(1, "one");
  EXPECT_EQ(table.Get(1), HashValue("one"));
  copy.Release();
  EXPECT_EQ(table.ReferenceCount(), 1);
  EXPECT_EQ(copy.Count(), 0);
  // Copies dropped on several threads at once; the body survives in the last holder.
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) threads.emplace_back([held = table] { EXPECT_EQ(held.Count(), 1); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(table.ReferenceCount(), 1);
  EXPECT_EQ(table.Get(1), HashValue("one"));
}

TEST(HashTableTest, ClearEmptiesButKeepsTheCapacity) {
  HashTable table;
  ASSERT_EQ(table.Create(Kind::Text, Kind::Bytes), 1);
  for (int i = 0; i < 30; ++i) table.Put(std::to_string(i), Bytes(i, 7));
  std::int32_t capacity = table.Capacity();
  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Capacity(), capacity);
  EXPECT_EQ(table.ContainsKey("3"), 0);
  EXPECT_EQ(table.Put("3", Bytes{3}), 0);
  EXPECT_EQ(table.Get("3"), HashValue(Bytes{3}));
}

TEST(HashTableTest, SerialisedFormIsLaidOutByteForByte) {
  HashTable table;
  ASSERT_EQ(table.Create(Kind::Text, Kind::Bytes), 1);
  table.Put("ab", Bytes{9});
  Bytes payload = ToBytes(std::string("ab\0", 3));
  AppendInt32(payload, 1);
  AppendInt32(payload, 1);
  payload.push_back(9);
  EXPECT_EQ(table.ToBytes(), Serialised(10, 11, 1, {24, 27}, payload));

  HashTable integers;
  ASSERT_EQ(integers.Create(), 1);
  for (int i = 0; i < 5; ++i) integers.Put(i, -i);
  EXPECT_EQ(integers.ToBytes().size(), 16u + 8 * 5);
}

TEST(HashTableTest, FromBytesRebuildsEveryKindCombination) {
  const Kind kinds[] = {Kind::Integer, Kind::Text, Kind::Bytes};
  auto sample = [](Kind kind, int i) -> HashValue {
    switch (kind) {
      case Kind::Integer: return i * 1000 - 3;
      case Kind::Text: return i == 0 ? std::string() : "t" + std::to_string(i);
      case Kind::Bytes: return Bytes(static_cast<size_t>(i % 4), static_cast<std::uint8_t>(i));  // zeros too
    }
    return {};
  };
  for (Kind keyKind : kinds) {
    for (Kind valueKind : kinds) {
      HashTable table;
      ASSERT_EQ(table.Create(keyKind, valueKind), 1);
      int n = keyKind == Kind::Bytes ? 4 : 20;  // distinct byte keys: lengths 0..3
      for (int i = 0; i < n; ++i) table.Put(sample(keyKind, i), sample(valueKind, i));
      HashTable loaded;
      ASSERT_EQ(loaded.FromBytes(table.ToBytes()), 1);
      EXPECT_TRUE(SameEntries(EntriesOf(loaded), EntriesOf(table)))
          << static_cast<int>(keyKind) << "/" << static_cast<int>(valueKind);
      EXPECT_EQ(loaded.KeyKind(), keyKind);
      EXPECT_EQ(loaded.ValueKind(), valueKind);
      EXPECT_EQ(loaded.Capacity(), n + 11);
    }
  }
}

TEST(HashTableTest, FromBytesLetsALaterDuplicateWin) {
  HashTable table;
  ASSERT_EQ(table.FromBytes(Serialised(3, 3, 3, {1, 10, 2, 20, 1, 30})), 1);
  EXPECT_TRUE(SameEntries(EntriesOf(table), {{1, 30}, {2, 20}}));
  EXPECT_EQ(table.Count(), 2);
}

TEST(HashTableTest, FromBytesRejectsMalformedInputAndKeepsTheTable) {
  Bytes textTail = ToBytes("abc");  // no terminating zero
  Bytes block;                      // a byte-string block claiming 100 bytes
  AppendInt32(block, 1);
  AppendInt32(block, 100);
  Bytes negative;
  AppendInt32(negative, 1);
  AppendInt32(negative, -5);
  Bytes wrongLetters = Serialised(3, 3, 0, {});
  wrongLetters[0] = 'H';
  Bytes fifteen = Serialised(3, 3, 0, {});
  fifteen.pop_back();
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"15 bytes", fifteen},
      {"starts with Hash", wrongLetters},
      {"key kind 4", Serialised(4, 3, 0, {})},
      {"value kind 12", Serialised(3, 12, 0, {})},
      {"negative count", Serialised(3, 3, -1, {})},
      {"count beyond the slots", Serialised(3, 3, 2, {1, 2})},
      {"huge count", Serialised(3, 3, 0x7FFFFFFF, {1, 2})},
      {"text offset past the end", Serialised(10, 3, 1, {500, 0})},
      {"negative text offset", Serialised(10, 3, 1, {-4, 0})},
      {"text without its zero", Serialised(10, 3, 1, {24, 0}, textTail)},
      {"bytes length past the end", Serialised(3, 11, 1, {0, 24}, block)},
      {"negative bytes length", Serialised(3, 11, 1, {0, 24}, negative)},
      {"bytes block cut short", Serialised(3, 11, 1, {0, 22}, Bytes{1, 0})},
  };
  HashTable table;
  ASSERT_EQ(table.Create(), 1);
  table.Put(7, 70);
  const Bytes before = table.ToBytes();
  for (const Case& c : cases) {
    EXPECT_EQ(table.FromBytes(c.bytes), 0) << c.what;
    EXPECT_EQ(table.ToBytes(), before) << c.what;
  }
  HashTable empty;
  EXPECT_EQ(empty.FromBytes(Serialised(10, 3, 1, {500, 0})), 0);
  EXPECT_EQ(empty.ReferenceCount(), 0);
}

}  // namespace
}  // namespace brisklet::pool
