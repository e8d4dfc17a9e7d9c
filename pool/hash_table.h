#pragma once
// HashTable: a chained hash table whose keys and values are each of one kind (32-bit integer,
// text, byte string), with a fixed hash, growth by doubling plus one, and a serialised form
// that starts with the letters "hash".
//
// The table body is shared: copying a HashTable adds a reference to the same body (changes
// through one copy are seen by all); the body ends when its last reference goes. Each body
// allocates from a memory resource of its own, so ending a body of any size is one release.
// A body is not safe for concurrent use; only the reference count is atomic, so copies may be
// destroyed on different threads.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace brisklet::pool {

// The kind numbers are part of the serialised form.
enum class Kind : std::int32_t { Integer = 3, Text = 10, Bytes = 11 };

// A key or value tagged with its kind; only the field of its kind is meaningful.
struct HashValue {
  HashValue() = default;
  HashValue(std::int32_t value) : kind(Kind::Integer), integer(value) {}
  HashValue(std::string value) : kind(Kind::Text), text(std::move(value)) {}
  HashValue(const char* value) : kind(Kind::Text), text(value) {}
  HashValue(Bytes value) : kind(Kind::Bytes), bytes(std::move(value)) {}

  // The value of `kind` that a table of that kind stores for this one: a value of another kind
  // is converted (text and bytes give each other their bytes, text ending at the first zero
  // byte; an integer gives an empty text or byte string; a text or byte string gives the
  // integer 0).
  HashValue As(Kind target) const;

  friend bool operator==(const HashValue&, const HashValue&) = default;

  Kind kind = Kind::Integer;
  std::int32_t integer = 0;
  std::string text;
  Bytes bytes;
};

class HashTable {
 public:
  static constexpr std::int32_t kDefaultCapacity = 11;
  static constexpr float kDefaultLoadFactor = 0.75f;

  HashTable() = default;  // no body: every operation answers as for an empty table, Put gives -1
  HashTable(const HashTable&) = default;
  HashTable& operator=(const HashTable&) = default;
  HashTable(HashTable&&) = default;
  HashTable& operator=(HashTable&&) = default;

  // Drops this object's reference; the object has no body afterwards.
  void Release();
  // 1: a new empty body replaces the previous one. 0: nothing changed (a kind that is not
  // 3, 10 or 11, a negative capacity, a load factor not above 0.0000001, or no memory).
  // Capacity 0 means 11; load factor 0 means 0.75.
  int Create(Kind keyKind = Kind::Integer, Kind valueKind = Kind::Integer, std::int32_t capacity = 0,
             float loadFactor = 0);
  // 1: a body rebuilt from the serialised form replaces the previous one. 0: the bytes are not
  // a valid serialised table (too short, wrong letters or kinds, a count, offset or length
  // pointing outside the bytes); nothing changed.
  int FromBytes(const Bytes& serialised);

  std::int32_t Count() const;
  // 1 replaced the value of an existing key, 0 added a new key, -1 without a body.
  int Put(const HashValue& key, const HashValue& value);
  // A copy of the value, tagged with the value kind; that kind's empty value when absent.
  HashValue Get(const HashValue& key) const;
  int ContainsValue(const HashValue& value) const;
  int ContainsKey(const HashValue& key) const;
  // 1 removed, 0 absent.
  int Remove(const HashValue& key);
  // The count; `out` is replaced by copies of every key (value) in enumeration order: buckets
  // from 0 up, each chain from its head. Without a body 0, and `out` is left as it was.
  std::int32_t Keys(std::vector<HashValue>& out) const;
  std::int32_t Values(std::vector<HashValue>& out) const;
  void Clear();
  // The serialised form; empty without a body.
  Bytes ToBytes() const;

  // Introspection: buckets, growth threshold, kinds, and how many objects share the body
  // (0 without a body).
  std::int32_t Capacity() const;
  std::int32_t Threshold() const;
  Kind KeyKind() const;
  Kind ValueKind() const;
  long ReferenceCount() const { return body_.use_count(); }

  // The fixed hash of a key: the integer itself; for text and bytes h = h × 31 + byte over
  // the bytes (unsigned), wrapping at 32 bits. "abc" hashes to 96354.
  static std::int32_t HashOf(const HashValue& key);

  struct Body;

 private:
  std::shared_ptr<Body> body_;
};

}  // namespace brisklet::pool
