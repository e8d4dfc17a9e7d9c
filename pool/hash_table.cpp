#include "pool/hash_table.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory_resource>
#include <new>
#include <optional>
#include <string_view>

namespace brisklet::pool {
namespace {

bool ValidKind(Kind kind) { return kind == Kind::Integer || kind == Kind::Text || kind == Kind::Bytes; }

std::int32_t HashBytes(const void* data, size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t h = 0;  // unsigned so that wrapping is defined
  for (size_t i = 0; i < size; ++i) h = h * 31u + p[i];
  return static_cast<std::int32_t>(h);
}

std::int32_t ThresholdOf(std::int32_t capacity, float loadFactor) {
  double threshold = static_cast<double>(capacity) * static_cast<double>(loadFactor);
  return threshold >= INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(threshold);
}

// Little-endian signed 32-bit fields of the serialised form.
void PutInt32(Bytes& out, size_t at, std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t GetInt32(const Bytes& in, size_t at) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

}  // namespace

HashValue HashValue::As(Kind target) const {
  if (kind == target) return *this;
  switch (target) {
    case Kind::Integer:
      return HashValue(0);
    case Kind::Text:
      if (kind == Kind::Bytes) {
        auto end = std::find(bytes.begin(), bytes.end(), 0);
        return HashValue(std::string(bytes.begin(), end));
      }
      return HashValue(std::string());
    case Kind::Bytes:
      return HashValue(kind == Kind::Text ? Bytes(text.begin(), text.end()) : Bytes());
  }
  return *this;
}

std::int32_t HashTable::HashOf(const HashValue& key) {
  switch (key.kind) {
    case Kind::Integer: return key.integer;
    case Kind::Text: return HashBytes(key.text.data(), std::strlen(key.text.c_str()));
    case Kind::Bytes: return HashBytes(key.bytes.data(), key.bytes.size());
  }
  return 0;
}

// The shared body. Everything it holds (bucket array, nodes, key and value copies) comes from
// its own memory resource; the resource is declared first, so it is destroyed last and gives
// all of that back at once.
struct HashTable::Body {
  // A stored key or value: the integer, or the text's or byte string's bytes.
  struct Stored {
    std::int32_t integer = 0;
    std::pmr::string blob;
  };
  struct Node {
    std::int32_t hash;
    Stored key;
    Stored value;
    Node* next = nullptr;
  };

  Body(Kind keyKind, Kind valueKind, std::int32_t capacity, float loadFactor)
      : buckets(static_cast<size_t>(capacity), nullptr, &resource),
        capacity(capacity),
        threshold(ThresholdOf(capacity, loadFactor)),
        loadFactor(loadFactor),
        keyKind(keyKind),
        valueKind(valueKind) {}
  Body(const Body&) = delete;
  Body& operator=(const Body&) = delete;
  // Nodes are not destroyed one by one: the resource releases all their memory at once.

  std::pmr::unsynchronized_pool_resource resource;
  std::pmr::vector<Node*> buckets;
  std::int32_t capacity;
  std::int32_t count = 0;
  std::int32_t threshold;
  float loadFactor;
  Kind keyKind;
  Kind valueKind;

  std::int32_t BucketOf(std::int32_t hash) const {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(hash) & 0x7FFFFFFFu) %
                                     static_cast<std::uint32_t>(capacity));
  }

  Stored Store(const HashValue& tagged, Kind kind) {
    HashValue v = tagged.As(kind);
    Stored s{0, std::pmr::string(&resource)};
    if (kind == Kind::Integer) {
      s.integer = v.integer;
    } else if (kind == Kind::Text) {
      s.blob.assign(v.text.c_str());  // up to the first zero byte
    } else {
      s.blob.assign(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size());
    }
    return s;
  }

  static HashValue Load(const Stored& s, Kind kind) {
    switch (kind) {
      case Kind::Integer: return HashValue(s.integer);
      case Kind::Text: return HashValue(std::string(s.blob.begin(), s.blob.end()));
      case Kind::Bytes: return HashValue(Bytes(s.blob.begin(), s.blob.end()));
    }
    return {};
  }

  // Equality by the kind's rule: integers by value, texts and byte strings by their bytes
  // (texts compare case-sensitively, so "Key" and "key" differ).
  static bool Equal(const Stored& s, const HashValue& v, Kind kind) {
    switch (kind) {
      case Kind::Integer: return s.integer == v.integer;
      case Kind::Text: return std::string_view(s.blob) == std::string_view(v.text.c_str());
      case Kind::Bytes:
        return s.blob.size() == v.bytes.size() &&
               (v.bytes.empty() || std::memcmp(s.blob.data(), v.bytes.data(), v.bytes.size()) == 0);
    }
    return false;
  }

  // The node of a key and the link that points at it.
  struct Found {
    Node* node = nullptr;
    Node** link = nullptr;
  };
  Found Find(const HashValue& key) const {
    HashValue k = key.As(keyKind);
    std::int32_t hash = HashOf(k);
    auto* self = const_cast<Body*>(this);
    for (Node** link = &self->buckets[BucketOf(hash)]; *link != nullptr; link = &(*link)->next) {
      if ((*link)->hash == hash && Equal((*link)->key, k, keyKind)) return {*link, link};
    }
    return {};
  }

  void Grow() {
    if (capacity > (INT32_MAX - 1) / 2) return;  // no larger capacity can be counted
    std::int32_t newCapacity = capacity * 2 + 1;
    std::pmr::vector<Node*> grown(static_cast<size_t>(newCapacity), nullptr, &resource);
    for (Node* head : buckets) {
      for (Node* node = head; node != nullptr;) {
        Node* next = node->next;
        auto index = static_cast<std::uint32_t>(node->hash) & 0x7FFFFFFFu;
        Node*& slot = grown[index % static_cast<std::uint32_t>(newCapacity)];
        node->next = slot;
        slot = node;
        node = next;
      }
    }
    buckets.swap(grown);
    capacity = newCapacity;
    threshold = ThresholdOf(capacity, loadFactor);
  }

  int Put(const HashValue& key, const HashValue& value) {
    if (Found found = Find(key); found.node != nullptr) {
      found.node->value = Store(value, valueKind);  // the old copy is freed at once
      return 1;
    }
    if (count >= threshold) Grow();
    std::pmr::polymorphic_allocator<Node> alloc(&resource);
    Node* node = alloc.allocate(1);
    HashValue k = key.As(keyKind);
    std::int32_t hash = HashOf(k);
    Node*& head = buckets[BucketOf(hash)];
    alloc.construct(node, Node{hash, Store(k, keyKind), Store(value, valueKind), head});
    head = node;
    ++count;
    return 0;
  }

  void Free(Node* node) {
    std::pmr::polymorphic_allocator<Node> alloc(&resource);
    std::destroy_at(node);
    alloc.deallocate(node, 1);
  }

  int Remove(const HashValue& key) {
    Found found = Find(key);
    if (found.node == nullptr) return 0;
    *found.link = found.node->next;
    --count;
    Free(found.node);
    return 1;
  }

  void Clear() {
    for (Node*& head : buckets) {
      for (Node* node = head; node != nullptr;) {
        Node* next = node->next;
        Free(node);
        node = next;
      }
      head = nullptr;
    }
    count = 0;
  }

  template <class Visit>
  void ForEach(Visit visit) const {
    for (Node* head : buckets) {
      for (const Node* node = head; node != nullptr; node = node->next) visit(*node);
    }
  }
};

namespace {

// Makes a body, or nothing when the arguments are bad or memory runs out.
std::shared_ptr<HashTable::Body> MakeBody(Kind keyKind, Kind valueKind, std::int32_t capacity, float loadFactor) {
  if (!ValidKind(keyKind) || !ValidKind(valueKind)) return nullptr;
  if (capacity == 0) capacity = HashTable::kDefaultCapacity;
  if (capacity < 0) return nullptr;
  if (loadFactor == 0) loadFactor = HashTable::kDefaultLoadFactor;
  if (!(loadFactor > 0.0000001f)) return nullptr;
  try {
    return std::make_shared<HashTable::Body>(keyKind, valueKind, capacity, loadFactor);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

constexpr std::int64_t kHeaderSize = 16;
constexpr std::int64_t kSlotSize = 8;

// Reads one key or value of the payload area, checking every offset and length against the
// bytes given; nothing when it points outside them.
std::optional<HashValue> ReadField(const Bytes& in, std::int32_t field, Kind kind) {
  if (kind == Kind::Integer) return HashValue(field);
  const auto size = static_cast<std::int64_t>(in.size());
  const std::int64_t offset = field;
  if (offset < 0 || offset >= size) return std::nullopt;
  if (kind == Kind::Text) {
    auto begin = in.begin() + offset;
    auto end = std::find(begin, in.end(), 0);
    if (end == in.end()) return std::nullopt;  // no terminating zero inside the bytes
    return HashValue(std::string(begin, end));
  }
  // A stored byte-string block: 1, length, then the bytes.
  if (offset + 8 > size) return std::nullopt;
  const std::int64_t length = GetInt32(in, static_cast<size_t>(offset + 4));
  if (length < 0 || offset + 8 + length > size) return std::nullopt;
  auto begin = in.begin() + offset + 8;
  return HashValue(Bytes(begin, begin + length));
}

void AppendPayload(Bytes& out, const HashValue& v) {
  if (v.kind == Kind::Text) {
    out.insert(out.end(), v.text.begin(), v.text.end());
    out.push_back(0);
  } else if (v.kind == Kind::Bytes) {
    size_t at = out.size();
    out.resize(at + 8);
    PutInt32(out, at, 1);
    PutInt32(out, at + 4, static_cast<std::int32_t>(v.bytes.size()));
    out.insert(out.end(), v.bytes.begin(), v.bytes.end());
  }
}

}  // namespace

void HashTable::Release() { body_.reset(); }

int HashTable::Create(Kind keyKind, Kind valueKind, std::int32_t capacity, float loadFactor) {
  auto body = MakeBody(keyKind, valueKind, capacity, loadFactor);
  if (!body) return 0;
  body_ = std::move(body);
  return 1;
}

int HashTable::FromBytes(const Bytes& in) {
  const auto size = static_cast<std::int64_t>(in.size());
  if (size < kHeaderSize || std::memcmp(in.data(), "hash", 4) != 0) return 0;
  const auto keyKind = static_cast<Kind>(GetInt32(in, 4));
  const auto valueKind = static_cast<Kind>(GetInt32(in, 8));
  const std::int64_t count = GetInt32(in, 12);
  if (!ValidKind(keyKind) || !ValidKind(valueKind)) return 0;
  if (count < 0 || kHeaderSize + kSlotSize * count > size) return 0;

  auto body = MakeBody(keyKind, valueKind, static_cast<std::int32_t>(count + kDefaultCapacity), 0);
  if (!body) return 0;
  try {
    for (std::int64_t i = 0; i < count; ++i) {
      const auto slot = static_cast<size_t>(kHeaderSize + kSlotSize * i);
      auto key = ReadField(in, GetInt32(in, slot), keyKind);
      auto value = ReadField(in, GetInt32(in, slot + 4), valueKind);
      if (!key || !value) return 0;
      body->Put(*key, *value);  // a repeated key: the later value wins
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  body_ = std::move(body);
  return 1;
}

std::int32_t HashTable::Count() const { return body_ ? body_->count : 0; }

int HashTable::Put(const HashValue& key, const HashValue& value) { return body_ ? body_->Put(key, value) : -1; }

HashValue HashTable::Get(const HashValue& key) const {
  if (!body_) return HashValue();
  Body::Found found = body_->Find(key);
  if (found.node == nullptr) return HashValue().As(body_->valueKind);
  return Body::Load(found.node->value, body_->valueKind);
}

int HashTable::ContainsValue(const HashValue& value) const {
  if (!body_) return 0;
  HashValue v = value.As(body_->valueKind);
  bool found = false;
  body_->ForEach([&](const Body::Node& node) { found = found || Body::Equal(node.value, v, body_->valueKind); });
  return found ? 1 : 0;
}

int HashTable::ContainsKey(const HashValue& key) const {
  return body_ && body_->Find(key).node != nullptr ? 1 : 0;
}

int HashTable::Remove(const HashValue& key) { return body_ ? body_->Remove(key) : 0; }

std::int32_t HashTable::Keys(std::vector<HashValue>& out) const {
  if (!body_) return 0;
  std::vector<HashValue> keys;
  keys.reserve(static_cast<size_t>(body_->count));
  body_->ForEach([&](const Body::Node& node) { keys.push_back(Body::Load(node.key, body_->keyKind)); });
  out = std::move(keys);
  return body_->count;
}

std::int32_t HashTable::Values(std::vector<HashValue>& out) const {
  if (!body_) return 0;
  std::vector<HashValue> values;
  values.reserve(static_cast<size_t>(body_->count));
  body_->ForEach([&](const Body::Node& node) { values.push_back(Body::Load(node.value, body_->valueKind)); });
  out = std::move(values);
  return body_->count;
}

void HashTable::Clear() {
  if (body_) body_->Clear();
}

Bytes HashTable::ToBytes() const {
  if (!body_) return {};
  const Body& body = *body_;
  const size_t payloadStart = static_cast<size_t>(kHeaderSize + kSlotSize * body.count);
  Bytes out(payloadStart);
  std::memcpy(out.data(), "hash", 4);
  PutInt32(out, 4, static_cast<std::int32_t>(body.keyKind));
  PutInt32(out, 8, static_cast<std::int32_t>(body.valueKind));
  PutInt32(out, 12, body.count);
  size_t slot = kHeaderSize;
  // A slot holds the integer itself, or the offset of the payload appended for it.
  auto writeField = [&](const Body::Stored& stored, Kind kind) {
    if (kind == Kind::Integer) {
      PutInt32(out, slot, stored.integer);
    } else {
      if (out.size() > INT32_MAX) return false;  // offsets are 32-bit
      PutInt32(out, slot, static_cast<std::int32_t>(out.size()));
      AppendPayload(out, Body::Load(stored, kind));
    }
    slot += 4;
    return true;
  };
  bool fits = true;
  body.ForEach([&](const Body::Node& node) {
    fits = fits && writeField(node.key, body.keyKind) && writeField(node.value, body.valueKind);
  });
  return fits ? out : Bytes();
}

std::int32_t HashTable::Capacity() const { return body_ ? body_->capacity : 0; }
std::int32_t HashTable::Threshold() const { return body_ ? body_->threshold : 0; }
Kind HashTable::KeyKind() const { return body_ ? body_->keyKind : Kind::Integer; }
Kind HashTable::ValueKind() const { return body_ ? body_->valueKind : Kind::Integer; }

}  // namespace brisklet::pool
