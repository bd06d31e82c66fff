// The lookup table of large maps and the index of the long-key table: they may
// change only speed. Random sequences of operations run on maps that never have a
// table, always have one, and build and drop one often; every result, the
// iteration order, the element each key lives in and the array positions must
// agree between them and with a plain model of the map's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/maps/KeyIntern.h"
#include "foundation/maps/Map.h"

namespace {

constexpr uint32_t kNever = UINT32_MAX;
// Never, always, and two that cross the threshold (build and drop) often.
constexpr uint32_t kThresholds[] = {kNever, 0, 3, 40};
constexpr size_t kSubjects = std::size(kThresholds);

// Keys that stress chains and the table: many share a map hash ("abc" and "b`d"
// weigh the same, and so do many "Object" numbers), some sit at the inline/interned
// boundary of K = 32 (30 and 31 bytes), some are long, some use bytes >= 0x80, and
// the empty key is one of them.
std::vector<std::string> KeyPool() {
    std::vector<std::string> keys{""};
    for (int i = 0; i < 150; ++i) keys.push_back("Object" + std::to_string(i));
    // Pairs with one map hash, differing only in their last bytes, at lengths on
    // both sides of 8 and 16 and up to the inline limit.
    for (int i = 0; i < 30; ++i) {
        const std::string stem = std::string("k_with_a_longer_stem").substr(0, static_cast<size_t>(i % 7) * 4) +
                                 std::to_string(i);
        keys.push_back(stem + "abc");
        keys.push_back(stem + "b`d");
    }
    const size_t lengths[] = {30, 31, 32, 45, 70};
    for (int i = 0; i < 60; ++i) {
        std::string key = "lookup-test/" + std::to_string(i) + "/";
        while (key.size() < lengths[i % 5]) key += static_cast<char>('a' + key.size() % 26);
        keys.push_back(key);
    }
    for (int i = 0; i < 20; ++i) keys.push_back("\x82\xA0" + std::to_string(i));
    return keys;
}

// The map's rules written plainly: an element is (key text, hash); iteration runs
// buckets ascending and, within a bucket, the most recently linked element first.
template <unsigned NB>
class Model {
public:
    struct Entry {
        int value;
        uint64_t linked;
    };
    using Key = std::pair<std::string, uint32_t>;

    bool Insert(const std::string& text, uint32_t hash, int value) {
        return m_entries.emplace(Key{text, hash}, Entry{value, ++m_clock}).second;
    }
    const Entry* Find(const std::string& text, uint32_t hash) const {
        auto it = m_entries.find(Key{text, hash});
        return it != m_entries.end() ? &it->second : nullptr;
    }
    bool Remove(const std::string& text, uint32_t hash) { return m_entries.erase(Key{text, hash}) != 0; }
    bool Rename(const std::string& from, const std::string& to) {
        if (from == to) return true;
        const Key newKey{to, MapKeyHash(to.c_str())};
        if (m_entries.count(newKey) != 0) return false;
        auto it = m_entries.find(Key{from, MapKeyHash(from.c_str())});
        if (it == m_entries.end()) return false;
        const int value = it->second.value;
        m_entries.erase(it);
        m_entries.emplace(newKey, Entry{value, ++m_clock});
        return true;
    }
    void Clear() { m_entries.clear(); }

    // Safe iteration that removes every element whose value is a multiple of 3. It
    // stops at an element its own key does not find (one inserted under a hash
    // other than its key's).
    void RemoveMultiplesOf3() {
        for (const auto& [key, entry] : Order()) {
            if (key.second != MapKeyHash(key.first.c_str())) break;
            if (entry.value % 3 == 0) m_entries.erase(key);
        }
    }

    std::vector<std::pair<Key, Entry>> Order() const {
        std::vector<std::pair<Key, Entry>> order(m_entries.begin(), m_entries.end());
        std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
            const uint32_t ba = a.first.second & (NB - 1), bb = b.first.second & (NB - 1);
            return ba != bb ? ba < bb : a.second.linked > b.second.linked;
        });
        return order;
    }
    size_t Size() const { return m_entries.size(); }

private:
    std::map<Key, Entry> m_entries;
    uint64_t m_clock = 0;
};

// Names the element objects of one subject in the order they first appear: two
// subjects that hand out the same element objects in the same order give equal
// names, whatever their addresses.
class ElementNames {
public:
    uint32_t Of(const void* element) {
        auto [it, added] = m_names.emplace(element, static_cast<uint32_t>(m_names.size()));
        (void)added;
        return it->second;
    }

private:
    std::unordered_map<const void*, uint32_t> m_names;
};

template <unsigned NB>
using Single = CMapSingle<int, NB, 32>;
template <unsigned NB>
using Shared = CMapSharedAuto<int, NB, 32>;

// One subject of the single-map run.
template <unsigned NB>
struct SingleSubject {
    static constexpr int kMaps = 1;
    explicit SingleSubject(uint32_t threshold) { map.SetLookupThreshold(threshold); }
    Single<NB>& Get(int) { return map; }
    void Recreate(int) {}
    Single<NB> map;
    ElementNames names;
};

// One subject of the shared-store run: three maps drawing from one store, so a
// removal in one moves elements of the others within the store.
template <unsigned NB>
struct SharedSubject {
    static constexpr int kMaps = 3;
    explicit SharedSubject(uint32_t threshold) : threshold(threshold) {
        EXPECT_TRUE(carry.Create());
        for (auto& map : maps) Attach(map);
    }
    Shared<NB>& Get(int i) { return *maps[i]; }
    // The map goes (removing its elements from the store) and a new one takes its
    // place.
    void Recreate(int i) { Attach(maps[i]); }
    void Attach(std::unique_ptr<Shared<NB>>& map) {
        map.reset();
        map = std::make_unique<Shared<NB>>();
        map->SetLookupThreshold(threshold);
        EXPECT_TRUE(map->AttachStore(carry.GetStore()));
    }
    uint32_t threshold;
    CMapSharedCarry<int, 32> carry;  // destroyed last
    std::unique_ptr<Shared<NB>> maps[kMaps];
    ElementNames names;
};

// What one map shows: per element in iteration order its key, value, element
// name and array position.
struct Seen {
    std::string key;
    int value;
    uint32_t name;
    uint32_t index;
    bool operator==(const Seen&) const = default;
};

template <class M>
std::vector<Seen> Observe(M& map, ElementNames& names) {
    std::vector<Seen> seen;
    CMapPosition pos;
    for (map.GetFirst(pos); pos.element != nullptr; map.GetNext(pos)) {
        auto* e = M::GetElement(pos);
        seen.push_back({pos.key.GetText(), e->GetValue(), names.Of(e), e->GetIndex()});
    }
    return seen;
}

template <class Subject, unsigned NB>
void RunRandomOperations(uint32_t seed, int steps) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::vector<std::string> pool = KeyPool();
    std::vector<std::unique_ptr<Subject>> subjects;
    for (uint32_t threshold : kThresholds) subjects.push_back(std::make_unique<Subject>(threshold));
    Model<NB> models[Subject::kMaps];
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    bool tableSeen = false;

    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const int m = static_cast<int>(pick(Subject::kMaps));
        Model<NB>& model = models[m];
        const std::string& key = pool[pick(pool.size())];
        const uint32_t trueHash = MapKeyHash(key.c_str());
        // Usually the map computes the hash; sometimes the caller passes it; now and
        // then the caller passes one that is not the key's (never 0).
        uint32_t hash = 0;
        const size_t hashMode = pick(10);
        if (hashMode < 2) hash = trueHash != 0 ? trueHash : 0;
        if (hashMode == 2) hash = (trueHash ^ (1u + static_cast<uint32_t>(pick(200)))) | 0x100000u;
        const uint32_t modelHash = hash != 0 ? hash : trueHash;
        // Grow for a while, then shrink, so that tables are built and dropped.
        const bool growing = (step / 700) % 2 == 0;
        const size_t op = pick(1000);
        const size_t insertShare = growing ? 450 : 200;

        if (op < insertShare) {
            const int value = step;
            const bool added = model.Insert(key, modelHash, value);
            int64_t name = -1;
            for (auto& s : subjects) {
                int* slot = nullptr;
                ASSERT_EQ(s->Get(m).Insert(key.c_str(), &slot, hash), added) << key;
                ASSERT_EQ(slot != nullptr, added);
                if (!added) continue;
                *slot = value;
                const uint32_t n = s->names.Of(s->Get(m).Find(key.c_str(), modelHash));
                if (name < 0) name = n;
                ASSERT_EQ(n, name) << "a different element was handed out";
            }
        } else if (op < insertShare + 300) {
            const auto* expected = model.Find(key, modelHash);
            for (auto& s : subjects) {
                auto* e = s->Get(m).Find(key.c_str(), hash);
                ASSERT_EQ(e != nullptr, expected != nullptr) << key;
                if (e != nullptr) {
                    ASSERT_EQ(e->GetValue(), expected->value);
                    ASSERT_STREQ(e->GetKey(), key.c_str());
                }
            }
        } else if (op < 880) {
            const bool removed = model.Remove(key, modelHash);
            for (auto& s : subjects) ASSERT_EQ(s->Get(m).Remove(key.c_str(), hash), removed) << key;
        } else if (op < 990) {
            const std::string& to = pick(4) == 0 ? key : pool[pick(pool.size())];
            const bool renamed = model.Rename(key, to);
            for (auto& s : subjects) ASSERT_EQ(s->Get(m).RenameKey(key.c_str(), to.c_str()), renamed) << key << " -> " << to;
        } else if (op < 995) {
            model.RemoveMultiplesOf3();
            for (auto& s : subjects) {
                auto& map = s->Get(m);
                map.ForEach([&](const char* k, int& value) {
                    if (value % 3 == 0) map.Remove(k);
                });
            }
        } else if (op < 998) {
            model.Clear();
            for (auto& s : subjects) s->Get(m).RemoveAll();
        } else if (Subject::kMaps > 1) {
            model.Clear();
            for (auto& s : subjects) s->Recreate(m);
        }

        for (size_t i = 0; i < kSubjects; ++i) {
            auto& map = subjects[i]->Get(m);
            ASSERT_TRUE(map.CheckLookupTable()) << "threshold " << kThresholds[i];
            if (kThresholds[i] == kNever) {
                ASSERT_FALSE(map.HasLookupTable());
            }
            if (kThresholds[i] == 0) {
                ASSERT_EQ(map.HasLookupTable(), model.Size() != 0);
            }
            tableSeen = tableSeen || (kThresholds[i] == 40 && map.HasLookupTable());
        }

        // Everything the maps show, compared in full now and then.
        if (step % 25 != 24 && step != steps - 1) continue;
        for (int k = 0; k < Subject::kMaps; ++k) {
            const auto order = models[k].Order();
            const std::vector<Seen> first = Observe(subjects[0]->Get(k), subjects[0]->names);
            ASSERT_EQ(first.size(), order.size());
            for (size_t j = 0; j < order.size(); ++j) {
                ASSERT_EQ(first[j].key, order[j].first.first) << "iteration position " << j;
                ASSERT_EQ(first[j].value, order[j].second.value) << "iteration position " << j;
            }
            for (size_t i = 1; i < kSubjects; ++i)
                ASSERT_EQ(Observe(subjects[i]->Get(k), subjects[i]->names), first) << "threshold " << kThresholds[i];
        }
        for (auto& s : subjects) {
            auto* store = s->Get(0).GetElementArray();
            for (uint32_t j = 0; j < store->GetCount(); ++j) ASSERT_EQ(store->GetAt(j)->GetIndex(), j);
        }
    }
    EXPECT_TRUE(tableSeen) << "the run never built a table at threshold 40";
}

}  // namespace

TEST(MapLookupTest, RandomOperationsAgreeWithAndWithoutTable) {
    for (uint32_t seed : {1u, 2u, 3u}) RunRandomOperations<SingleSubject<64>, 64>(seed, 5000);
    // Four buckets: long chains, so most links and unlinks have neighbours.
    for (uint32_t seed : {4u, 5u}) RunRandomOperations<SingleSubject<4>, 4>(seed, 5000);
}

TEST(MapLookupTest, RandomOperationsOnSharedStoresAgree) {
    for (uint32_t seed : {11u, 12u, 13u}) RunRandomOperations<SharedSubject<32>, 32>(seed, 6000);
    RunRandomOperations<SharedSubject<4>, 4>(14u, 6000);
}

// By default a map builds its table once it holds more than 8 keys per bucket and
// gives it back when it falls to half that or is emptied.
TEST(MapLookupTest, DefaultThresholdBuildsAndDropsTheTable) {
    using Map = CMapSingle<int, 32, 32>;
    Map map;
    EXPECT_EQ(map.GetLookupThreshold(), 256u);
    std::vector<std::string> keys;
    for (int i = 0; i < 400; ++i) keys.push_back("Object" + std::to_string(i));
    int* slot = nullptr;
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(map.Insert(keys[i].c_str(), &slot));
    EXPECT_FALSE(map.HasLookupTable());
    ASSERT_TRUE(map.Insert(keys[256].c_str(), &slot));
    EXPECT_TRUE(map.HasLookupTable());
    for (int i = 257; i < 400; ++i) ASSERT_TRUE(map.Insert(keys[i].c_str(), &slot));
    EXPECT_TRUE(map.CheckLookupTable());

    for (int i = 0; i < 271; ++i) ASSERT_TRUE(map.Remove(keys[i].c_str()));
    EXPECT_TRUE(map.HasLookupTable());  // 129 keys left
    ASSERT_TRUE(map.Remove(keys[271].c_str()));
    EXPECT_FALSE(map.HasLookupTable());
    for (int i = 272; i < 400; ++i) EXPECT_NE(map.Find(keys[i].c_str()), nullptr);

    map.SetLookupThreshold(10);  // takes effect at once
    EXPECT_TRUE(map.HasLookupTable());
    EXPECT_TRUE(map.CheckLookupTable());
    map.RemoveAll();
    EXPECT_FALSE(map.HasLookupTable());
    EXPECT_EQ(map.Find(keys[300].c_str()), nullptr);
}

// A refused addition leaves the map, and its table, as they were.
TEST(MapLookupTest, RefusedAdditionLeavesTheTableConsistent) {
    CMapSingle<int, 64, 32> map;
    map.SetLookupThreshold(0);
    int* slot = nullptr;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(map.Insert(("k" + std::to_string(i)).c_str(), &slot));
    map.GetStore().SetAddCallback([](CMapElement<int, 32>**, uint32_t, uint64_t, CArrayAuto<CMapElement<int, 32>>*) {
        return false;
    });
    EXPECT_THROW(map.Insert("refused", &slot), uint32_t);
    EXPECT_THROW(map.Insert("refused/with/a/key/long/enough/to/be/interned", &slot), uint32_t);
    EXPECT_EQ(map.Find("refused"), nullptr);
    EXPECT_EQ(map.GetCount(), 20u);
    EXPECT_TRUE(map.CheckLookupTable());
    EXPECT_TRUE(map.Remove("k3"));
    EXPECT_TRUE(map.CheckLookupTable());
}

// Inline keys are compared a word at a time: every byte position counts, for
// every length up to the longest inline key of the largest key area.
TEST(MapKeyCompareTest, EveryByteCounts) {
    for (size_t n = 1; n <= 511; n += (n < 40 ? 1 : 37)) {
        std::unique_ptr<char[]> a(new char[n]), b(new char[n]);  // exact sizes: no read beyond
        for (size_t i = 0; i < n; ++i) a[i] = b[i] = static_cast<char>('a' + i % 26);
        EXPECT_TRUE(detail::BytesEqual(a.get(), b.get(), n)) << n;
        for (size_t i = 0; i < n; ++i) {
            b[i] = '#';
            EXPECT_FALSE(detail::BytesEqual(a.get(), b.get(), n)) << n << " differing at " << i;
            b[i] = a[i];
        }
    }
}

// The strong hash reads exactly the bytes it is given (the sanitizer build sees
// any read beyond them) and depends on all of them.
TEST(KeyBytesHashTest, ReadsExactlyItsBytes) {
    std::unordered_set<uint64_t> hashes;
    for (size_t length = 0; length <= 80; ++length) {
        std::unique_ptr<char[]> bytes(new char[length == 0 ? 1 : length]);
        for (size_t i = 0; i < length; ++i) bytes[i] = 'x';
        const uint64_t base = detail::KeyBytesHash(bytes.get(), length);
        EXPECT_TRUE(hashes.insert(base).second) << "length " << length;
        for (size_t i = 0; i < length; ++i) {
            bytes[i] = 'y';
            EXPECT_NE(detail::KeyBytesHash(bytes.get(), length), base) << "length " << length << " byte " << i;
            bytes[i] = 'x';
        }
    }
}

// Keys that the map hash lumps together spread over the table like random values:
// 100,000 numbered names fill about as many of 2^18 home slots as 100,000 random
// numbers would (about 83,000).
TEST(KeyBytesHashTest, SpreadsNumberedNames) {
    const int n = 100000;
    std::unordered_set<uint32_t> weak;
    std::unordered_set<uint32_t> homes;
    std::unordered_set<uint64_t> full;
    char key[32];
    for (int i = 0; i < n; ++i) {
        const int length = std::snprintf(key, sizeof key, "Object%d", i);
        weak.insert(MapKeyHash(key));
        const uint64_t h = detail::KeyBytesHash(key, static_cast<size_t>(length));
        homes.insert(static_cast<uint32_t>(h) & 0x3FFFF);
        full.insert(h);
    }
    EXPECT_LT(weak.size(), 10000u);  // why the map hash cannot serve the table
    EXPECT_EQ(full.size(), static_cast<size_t>(n));
    EXPECT_GT(homes.size(), 81000u);
}

// Many long keys, most with equal map hashes: each gets its own entry once, and
// interning it again (after the index has grown several times) finds that entry.
TEST(KeyInternTest, IndexFindsEveryEntry) {
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) {
        std::string key = "intern-index-test/with/a/long/common/prefix/" + std::to_string(i);
        keys.push_back(key);
        keys.push_back(key + "abc");
        keys.push_back(key + "b`d");  // the same map hash as the one before
    }
    const uint32_t before = detail::GetInternedMapKeyCount();
    std::vector<uint32_t> indices;
    for (const std::string& key : keys) {
        const char* text = nullptr;
        indices.push_back(detail::InternMapKey(key.c_str(), &text));
        ASSERT_STREQ(text, key.c_str());
    }
    EXPECT_EQ(detail::GetInternedMapKeyCount(), before + keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(indices[i], before + i);
        const std::string& key = keys[keys.size() - 1 - i];
        EXPECT_EQ(detail::InternMapKey(key.c_str()), indices[keys.size() - 1 - i]);
        EXPECT_EQ(detail::InternMapKey(key.c_str(), key.size(), detail::KeyBytesHash(key.c_str(), key.size()), nullptr),
                  indices[keys.size() - 1 - i]);
    }
    EXPECT_EQ(detail::GetInternedMapKeyCount(), before + keys.size());
    // The common prefix of all entries is a key of its own.
    const uint32_t prefix = detail::InternMapKey("intern-index-test/with/a/long/common/prefix/");
    EXPECT_EQ(prefix, before + keys.size());
    EXPECT_STREQ(detail::GetInternedMapKey(prefix), "intern-index-test/with/a/long/common/prefix/");
}
