// KeyedList: an ordered list of text keys, each carrying at most one owned object.
// Entries are appended and keep their index; lookup ignores letter case (the locale's
// byte-wise fold) and returns the first match in O(1) through a hash index of the folded
// key. The index hashes with SipHash-1-3 under a per-process random key, so that keys
// taken from a log cannot be chosen to pile up in one place of the table. Removal by
// index exists for the configuration lists and re-indexes the list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/siphash.h"
#include "util/text.h"

namespace kestrune {

// The hash index behind KeyedList: maps folded keys to the first index holding them.
class KeyIndex {
 public:
  // Index of the first key equal to `key` without regard to case, or -1.
  // `keyAt(i)` gives the key stored at index i.
  template <class KeyAt>
  int Find(std::string_view key, KeyAt&& keyAt) const;

  // Records that index `index` holds `key`; keeps an earlier index of the same key.
  template <class KeyAt>
  void Insert(std::string_view key, int index, KeyAt&& keyAt);

  // How many slots a lookup of `key` touches (for tests of the table's spread).
  template <class KeyAt>
  int Probes(std::string_view key, KeyAt&& keyAt) const;

  void Clear();
  // The keyed hash of the folded key, under the key of this process.
  static std::uint64_t Hash(std::string_view key) {
    return Hash(key, ProcessSipKey(), FoldIsAscii());
  }
  static std::uint64_t Hash(std::string_view key, const SipKey& sipKey, bool foldIsAscii);
  static bool Equal(std::string_view a, std::string_view b);

 private:
  void Grow(std::size_t oldSize);  // doubles the table (16 slots at first)
  std::uint64_t HashOf(std::string_view key) const { return Hash(key, key_, *foldIsAscii_); }

  std::vector<std::int32_t> slots_;    // -1 = empty, else an index into the list
  std::vector<std::uint32_t> hashes_;  // low 32 bits of the hash, per slot
  std::size_t used_ = 0;
  // Copies of what every hash reads, so that a lookup makes no call to fetch them.
  SipKey key_ = ProcessSipKey();
  const bool* foldIsAscii_ = &FoldIsAscii();
};

template <class T>
class KeyedList {
 public:
  KeyedList() = default;
  KeyedList(const KeyedList&) = delete;
  KeyedList& operator=(const KeyedList&) = delete;

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& Key(int index) const { return entries_[index].key; }
  T* Object(int index) const { return entries_[index].object.get(); }

  // First entry whose key equals `key` without regard to case, or -1.
  int IndexOf(std::string_view key) const {
    return index_.Find(key, [this](int i) -> std::string_view { return entries_[i].key; });
  }

  // How many slots of the hash index a lookup of `key` touches.
  int LookupProbes(std::string_view key) const {
    return index_.Probes(key, [this](int i) -> std::string_view { return entries_[i].key; });
  }

  // Appends `key` (not checked for duplicates) and returns its index.
  int Add(std::string_view key, std::unique_ptr<T> object = nullptr) {
    const int index = Count();
    entries_.push_back(Entry{std::string(key), std::move(object)});
    // Index the stored copy: `key` may view a key of this list that the push just moved.
    index_.Insert(entries_.back().key, index,
                  [this](int i) -> std::string_view { return entries_[i].key; });
    return index;
  }

  // The object of entry `index`, created when the entry has none.
  T& ObjectOrCreate(int index) {
    auto& slot = entries_[index].object;
    if (!slot) slot = std::make_unique<T>();
    return *slot;
  }

  // Looks `key` up and appends it when absent; `added` tells which happened.
  int FindOrAdd(std::string_view key, bool* added = nullptr) {
    int index = IndexOf(key);
    const bool isNew = index < 0;
    if (isNew) index = Add(key);
    if (added) *added = isNew;
    return index;
  }

  // Removes entry `index` with its object; later entries move up by one. An index out
  // of range changes nothing.
  void Delete(int index) {
    if (index < 0 || index >= Count()) return;
    entries_.erase(entries_.begin() + index);
    Reindex();
  }

  // Removes every entry and frees the objects.
  void Clear() {
    entries_.clear();
    index_.Clear();
  }

 private:
  struct Entry {
    std::string key;
    std::unique_ptr<T> object;
  };

  void Reindex() {
    index_.Clear();
    for (int i = 0; i < Count(); ++i)
      index_.Insert(entries_[i].key, i,
                    [this](int j) -> std::string_view { return entries_[j].key; });
  }

  std::vector<Entry> entries_;
  KeyIndex index_;
};

// --- KeyIndex templates -------------------------------------------------------------

template <class KeyAt>
int KeyIndex::Find(std::string_view key, KeyAt&& keyAt) const {
  if (slots_.empty()) return -1;
  const std::uint64_t h = HashOf(key);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = h & mask;; s = (s + 1) & mask) {
    const std::int32_t index = slots_[s];
    if (index < 0) return -1;
    if (hashes_[s] == static_cast<std::uint32_t>(h) && Equal(keyAt(index), key)) return index;
  }
}

template <class KeyAt>
int KeyIndex::Probes(std::string_view key, KeyAt&& keyAt) const {
  if (slots_.empty()) return 0;
  const std::uint64_t h = HashOf(key);
  const std::size_t mask = slots_.size() - 1;
  int probes = 0;
  for (std::size_t s = h & mask;; s = (s + 1) & mask) {
    ++probes;
    const std::int32_t index = slots_[s];
    if (index < 0) return probes;
    if (hashes_[s] == static_cast<std::uint32_t>(h) && Equal(keyAt(index), key)) return probes;
  }
}

template <class KeyAt>
void KeyIndex::Insert(std::string_view key, int index, KeyAt&& keyAt) {
  if ((used_ + 1) * 4 > slots_.size() * 3) {
    // Rebuild at twice the size from the recorded hashes (the table never outgrows the
    // 32 bits kept per slot, since indices are 32-bit).
    std::vector<std::int32_t> old = std::move(slots_);
    std::vector<std::uint32_t> oldHashes = std::move(hashes_);
    Grow(old.size());
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = 0; k < old.size(); ++k) {
      if (old[k] < 0) continue;
      std::size_t s = oldHashes[k] & mask;
      while (slots_[s] >= 0) s = (s + 1) & mask;
      slots_[s] = old[k];
      hashes_[s] = oldHashes[k];
    }
  }
  const std::uint64_t h = HashOf(key);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = h & mask;; s = (s + 1) & mask) {
    const std::int32_t existing = slots_[s];
    if (existing < 0) {
      slots_[s] = index;
      hashes_[s] = static_cast<std::uint32_t>(h);
      ++used_;
      return;
    }
    if (hashes_[s] == static_cast<std::uint32_t>(h) && Equal(keyAt(existing), key)) return;
  }
}

}  // namespace kestrune
