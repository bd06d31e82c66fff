// String-keyed and number-keyed maps: hash, buckets and iteration order, key
// storage (inline and interned), removal with element recycling, shared stores.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/containers/StrArray.h"
#include "foundation/maps/KeyIntern.h"
#include "foundation/maps/Map.h"
#include "foundation/maps/NumMap.h"
#include "foundation/strings/Str.h"

namespace {

using Map64 = CMapSingle<int, 64, 32>;
using Map64Long = CMapSingle<int, 64, 64>;

// Keys in iteration order, read through GetFirst / GetNext.
template <class M>
std::vector<std::string> IterationKeys(const M& map) {
    std::vector<std::string> keys;
    CMapPosition pos;
    map.GetFirst(pos);
    while (pos.element != nullptr) {
        keys.emplace_back(pos.key.GetText());
        map.GetNext(pos);
    }
    return keys;
}

template <class M>
int ValueOf(const M& map, const char* key) {
    auto* e = map.Find(key);
    return e != nullptr ? e->GetValue() : -1;
}

template <class M>
void Put(M& map, const char* key, int value) {
    int* slot = nullptr;
    ASSERT_TRUE(map.Insert(key, &slot)) << key;
    *slot = value;
}

// Every element in use sits at the array position its index field names.
template <class M>
void ExpectIndexFieldsConsistent(const M& map) {
    auto* array = map.GetElementArray();
    for (uint32_t i = 0; i < array->GetCount(); ++i) EXPECT_EQ(array->GetAt(i)->GetIndex(), i);
}

std::string Repeat(const std::string& unit, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += unit;
    return s;
}

// A key of `length` bytes, unique per tag, so that interning tests do not meet
// entries other tests made.
std::string LongKey(const char* tag, size_t length) {
    std::string s = std::string("key:") + tag + ":";
    while (s.size() < length) s += static_cast<char>('a' + s.size() % 26);
    s.resize(length);
    return s;
}

}  // namespace

// Known answers worked out by hand from the rule sum((257 + i) * signed byte).
TEST(MapKeyHashTest, KnownAnswers) {
    struct Case {
        const char* name;
        std::string key;
        uint32_t hash;
    };
    const Case cases[] = {
        {"empty key", "", 0},
        {"one byte", "a", 257u * 97},                                       // 0x6161
        {"abc", "abc", 257u * 97 + 258 * 98 + 259 * 99},                    // 75854
        {"bytes >= 0x80 count negative", "\x82\xA0", 0xFFFF20C2u},          // -126, -96
        {"0xFF is -1", "\xFF", 0xFFFFFEFFu},                                // -257
        {"same hash as abc", "b`d", 0x0001284Eu},                           // +1, -2, +1
        {"cancels to 0", Repeat("\x40\x80\x40", 11), 0},                    // 64, -128, 64 per triple
        // 65 * (257n + n(n-1)/2) for n = 20000, reduced mod 2^32.
        {"wraps around", std::string(20000, 'A'), 0x1ABC4D10u},
    };
    for (const Case& c : cases) {
        size_t length = 12345;
        EXPECT_EQ(MapKeyHash(c.key.c_str(), &length), c.hash) << c.name;
        EXPECT_EQ(length, c.key.size()) << c.name;
    }
    EXPECT_EQ(Map64::BucketOf(MapKeyHash("abc")), 14u);
    EXPECT_EQ((CMapSingle<int, 32, 32>::BucketOf(MapKeyHash("abc"))), 14u);
    EXPECT_EQ(Map64::BucketOf(MapKeyHash("\x82\xA0")), 2u);
    EXPECT_EQ(Map64::BucketOf(MapKeyHash("a")), 33u);
}

TEST(MapTest, InsertFindRemove) {
    Map64 map;
    Put(map, "abc", 1);
    Put(map, "b`d", 2);  // same hash and bucket as abc
    Put(map, "", 3);     // the empty key is a key like any other
    Put(map, "\x82\xA0", 4);

    EXPECT_EQ(ValueOf(map, "abc"), 1);
    EXPECT_EQ(ValueOf(map, "b`d"), 2);
    EXPECT_EQ(ValueOf(map, ""), 3);
    EXPECT_EQ(ValueOf(map, "\x82\xA0"), 4);
    EXPECT_EQ(map.Find("ab"), nullptr);
    EXPECT_EQ(map.Find("abcd"), nullptr);
    EXPECT_EQ(map.Find("ABC"), nullptr);  // case-sensitive
    // A given hash is used as is.
    EXPECT_EQ(map.Find("abc", 0x1284E), map.Find("abc"));
    EXPECT_EQ(map.Find("abc", 0x1284F), nullptr);

    // A present key: false, null value pointer, nothing changes.
    int* slot = reinterpret_cast<int*>(&slot);
    EXPECT_FALSE(map.Insert("abc", &slot));
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(map.GetCount(), 4u);
    EXPECT_EQ(map.GetElementArray()->GetReserved(), 10u);
    EXPECT_EQ(ValueOf(map, "abc"), 1);

    EXPECT_TRUE(map.Remove(""));
    EXPECT_FALSE(map.Remove(""));
    EXPECT_TRUE(map.Remove("abc", MapKeyHash("abc")));
    EXPECT_EQ(map.Find("abc"), nullptr);
    EXPECT_EQ(ValueOf(map, "b`d"), 2);
    EXPECT_EQ(map.GetCount(), 2u);
    ExpectIndexFieldsConsistent(map);

    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_EQ(map.Find("b`d"), nullptr);
    Put(map, "b`d", 5);
    EXPECT_EQ(ValueOf(map, "b`d"), 5);
}

// Buckets ascending; newest first within a bucket. A single-byte key c lands in
// bucket c & 63 (257 = 1 mod 64).
TEST(MapTest, IterationOrder) {
    Map64 map;
    CMapPosition pos;
    map.GetFirst(pos);
    EXPECT_EQ(pos.bucket, 64u);
    EXPECT_EQ(pos.element, nullptr);
    EXPECT_STREQ(pos.key.GetText(), "");

    Put(map, "a", 1);    // bucket 33
    Put(map, "B", 2);    // bucket 2
    Put(map, "!", 3);    // bucket 33, newer than "a"
    Put(map, "A", 4);    // bucket 1
    Put(map, "abc", 5);  // bucket 14
    Put(map, "b`d", 6);  // bucket 14, newer than "abc"
    const std::vector<std::string> expected = {"A", "B", "b`d", "abc", "!", "a"};
    EXPECT_EQ(IterationKeys(map), expected);

    map.GetFirst(pos);
    EXPECT_EQ(pos.bucket, 1u);
    EXPECT_EQ(Map64::GetElement(pos), map.Find("A"));
    for (int i = 0; i < 4; ++i) map.GetNext(pos);
    EXPECT_EQ(pos.bucket, 33u);
    EXPECT_STREQ(pos.key.GetText(), "!");
    map.GetNext(pos);
    map.GetNext(pos);
    EXPECT_EQ(pos.bucket, 64u);
    EXPECT_EQ(pos.element, nullptr);
    EXPECT_STREQ(pos.key.GetText(), "");

    CStrArray_base<64> keys;
    keys.Add("stale");
    EXPECT_TRUE(map.GetKeys(keys));
    ASSERT_EQ(keys.GetCount(), expected.size());
    for (uint32_t i = 0; i < keys.GetCount(); ++i) EXPECT_STREQ(keys.GetAt(i)->GetText(), expected[i].c_str());
}

TEST(MapTest, RenameKey) {
    Map64 map;
    Put(map, "a", 1);  // bucket 33
    Put(map, "!", 2);  // bucket 33
    Put(map, "B", 3);  // bucket 2
    auto* b = map.Find("B");
    const uint32_t bIndex = b->GetIndex();

    struct Case {
        const char* name;
        const char* from;
        const char* to;
        bool result;
    };
    const Case refused[] = {
        {"equal keys", "B", "B", true},
        {"equal keys, both absent", "zz", "zz", true},
        {"new key present", "B", "a", false},
        {"new key present, old absent", "zz", "a", false},
        {"old key absent", "zz", "yy", false},
    };
    for (const Case& c : refused) EXPECT_EQ(map.RenameKey(c.from, c.to), c.result) << c.name;
    EXPECT_EQ(IterationKeys(map), (std::vector<std::string>{"B", "!", "a"}));

    // 0xE1 lands in bucket 33 too, and goes to the front of it.
    EXPECT_TRUE(map.RenameKey("B", "\xE1"));
    EXPECT_EQ(map.Find("B"), nullptr);
    EXPECT_EQ(map.Find("\xE1"), b);
    EXPECT_EQ(b->GetValue(), 3);
    EXPECT_EQ(b->GetIndex(), bIndex);
    EXPECT_EQ(map.GetElementArray()->GetAt(bIndex), b);
    EXPECT_EQ(IterationKeys(map), (std::vector<std::string>{"\xE1", "!", "a"}));

    // Renames to and from interned keys.
    const std::string longKey = LongKey("rename", 40);
    EXPECT_TRUE(map.RenameKey("!", longKey.c_str()));
    EXPECT_TRUE(map.Find(longKey.c_str())->IsInterned());
    EXPECT_EQ(ValueOf(map, longKey.c_str()), 2);
    EXPECT_TRUE(map.RenameKey(longKey.c_str(), "x"));
    EXPECT_FALSE(map.Find("x")->IsInterned());
    EXPECT_EQ(ValueOf(map, "x"), 2);
    EXPECT_EQ(map.Find(longKey.c_str()), nullptr);
}

// A key of at most K - 2 bytes is inline, a longer one interned.
TEST(MapTest, InlineAndInternedKeys) {
    Map64 map32;
    Map64Long map64;
    struct Case {
        size_t length;
        bool interned32;
        bool interned64;
    };
    const Case cases[] = {{30, false, false}, {31, true, false}, {62, true, false}, {63, true, true}, {600, true, true}};
    for (const Case& c : cases) {
        const std::string key = LongKey("boundary", c.length);
        Put(map32, key.c_str(), static_cast<int>(c.length));
        Put(map64, key.c_str(), static_cast<int>(c.length));
        EXPECT_EQ(map32.Find(key.c_str())->IsInterned(), c.interned32) << c.length;
        EXPECT_EQ(map64.Find(key.c_str())->IsInterned(), c.interned64) << c.length;
        EXPECT_STREQ(map32.Find(key.c_str())->GetKey(), key.c_str());
        EXPECT_STREQ(map64.Find(key.c_str())->GetKey(), key.c_str());
    }
    // Each key is still told from its neighbours one byte shorter or longer.
    for (const Case& c : cases) {
        const std::string key = LongKey("boundary", c.length);
        EXPECT_EQ(ValueOf(map32, key.c_str()), static_cast<int>(c.length));
        EXPECT_EQ(ValueOf(map64, key.c_str()), static_cast<int>(c.length));
        EXPECT_EQ(map32.Find((key + "z").c_str()), nullptr);
        EXPECT_EQ(map32.Find((key.substr(0, key.size() - 1) + "#").c_str()), nullptr);
    }
    // Long keys with equal hashes are still told apart.
    const std::string prefix = LongKey("collide", 40);
    Put(map32, (prefix + "abc").c_str(), 1);
    Put(map32, (prefix + "b`d").c_str(), 2);
    EXPECT_EQ(ValueOf(map32, (prefix + "abc").c_str()), 1);
    EXPECT_EQ(ValueOf(map32, (prefix + "b`d").c_str()), 2);

    std::vector<std::string> expected32 = IterationKeys(map32);
    CStrArray_base<64> keys;
    map32.GetKeys(keys);
    ASSERT_EQ(keys.GetCount(), expected32.size());
    for (uint32_t i = 0; i < keys.GetCount(); ++i) EXPECT_EQ(expected32[i], keys.GetAt(i)->GetText());
}

TEST(MapTest, LongKeysAreInternedOncePerProcess) {
    const std::string key = LongKey("shared", 70);  // interned for K = 32 and K = 64
    const uint32_t before = detail::GetInternedMapKeyCount();
    Map64 first;
    Map64Long second;
    Put(first, key.c_str(), 1);
    Put(second, key.c_str(), 2);
    const uint32_t index = first.Find(key.c_str())->GetInternedIndex();
    EXPECT_EQ(second.Find(key.c_str())->GetInternedIndex(), index);
    EXPECT_EQ(detail::GetInternedMapKeyCount(), before + 1);
    EXPECT_STREQ(detail::GetInternedMapKey(index), key.c_str());
    EXPECT_EQ(second.Find(key.c_str())->GetKey(), detail::GetInternedMapKey(index));  // one copy of the text

    EXPECT_TRUE(first.Remove(key.c_str()));
    EXPECT_TRUE(second.Remove(key.c_str()));
    EXPECT_EQ(detail::GetInternedMapKeyCount(), before + 1);
    Put(first, key.c_str(), 3);
    EXPECT_EQ(first.Find(key.c_str())->GetInternedIndex(), index);
    EXPECT_EQ(detail::GetInternedMapKeyCount(), before + 1);

    const uint32_t count = detail::GetInternedMapKeyCount();
    EXPECT_THROW(detail::GetInternedMapKey(count), uint32_t);
}

// Threads interning the same keys at once agree on one index per key.
TEST(MapTest, InterningFromSeveralThreads) {
    std::vector<std::string> keys;
    for (int i = 0; i < 200; ++i) keys.push_back(LongKey(("threads" + std::to_string(i)).c_str(), 40));
    const uint32_t before = detail::GetInternedMapKeyCount();
    std::vector<std::vector<uint32_t>> indices(4, std::vector<uint32_t>(keys.size()));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < indices.size(); ++t) {
        threads.emplace_back([&, t] {
            for (size_t k = 0; k < keys.size(); ++k) {
                static const size_t strides[] = {1, 3, 7, 11};  // coprime to 200: a different order per thread
                const size_t which = (k * strides[t]) % keys.size();
                indices[t][which] = detail::InternMapKey(keys[which].c_str());
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(detail::GetInternedMapKeyCount(), before + keys.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        for (size_t t = 1; t < indices.size(); ++t) EXPECT_EQ(indices[t][k], indices[0][k]);
        EXPECT_STREQ(detail::GetInternedMapKey(indices[0][k]), keys[k].c_str());
    }
}

// A long key whose hash wraps to 0 must not be taken for the empty key.
TEST(MapTest, LongKeyWithHashZeroIsNotTheEmptyKey) {
    const std::string zero = Repeat("\x40\x80\x40", 11);
    ASSERT_EQ(MapKeyHash(zero.c_str()), 0u);
    Map64 map;
    Put(map, zero.c_str(), 1);
    EXPECT_EQ(map.Find(""), nullptr);
    Put(map, "", 2);
    EXPECT_EQ(ValueOf(map, zero.c_str()), 1);
    EXPECT_EQ(ValueOf(map, ""), 2);
    EXPECT_TRUE(map.Find(zero.c_str())->IsInterned());
    EXPECT_EQ(IterationKeys(map), (std::vector<std::string>{"", zero}));
    EXPECT_TRUE(map.Remove(zero.c_str()));
    EXPECT_EQ(ValueOf(map, ""), 2);
    EXPECT_EQ(map.Find(zero.c_str()), nullptr);
}

TEST(MapTest, RemovalMovesTheLastElementAndRecyclesTheRemovedOne) {
    Map64 map;
    Put(map, "x", 10);
    Put(map, "y", 20);
    Put(map, "z", 30);
    auto* x = map.Find("x");
    auto* y = map.Find("y");
    auto* z = map.Find("z");
    ASSERT_EQ(z->GetIndex(), 2u);

    EXPECT_TRUE(map.Remove("x"));
    EXPECT_EQ(z->GetIndex(), 0u);
    EXPECT_EQ(map.GetElementArray()->GetAt(0), z);
    EXPECT_EQ(y->GetIndex(), 1u);
    EXPECT_EQ(map.Find("y"), y);
    EXPECT_EQ(map.Find("z"), z);

    // The next insertion hands out the removed element again, value not reset.
    int* slot = nullptr;
    ASSERT_TRUE(map.Insert("w", &slot));
    EXPECT_EQ(map.Find("w"), x);
    EXPECT_EQ(*slot, 10);
    EXPECT_EQ(x->GetIndex(), 2u);
    ExpectIndexFieldsConsistent(map);

    // Removing the last element in use touches nobody else.
    EXPECT_TRUE(map.Remove("w"));
    EXPECT_EQ(z->GetIndex(), 0u);
    EXPECT_EQ(y->GetIndex(), 1u);
    ExpectIndexFieldsConsistent(map);
}

TEST(MapTest, ElementAddressesSurviveInsertionsAndRemovals) {
    Map64 map;
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) keys.push_back((i % 7 == 0 ? LongKey("stable", 35) : "k") + std::to_string(i));
    std::vector<CMapElement<int, 32>*> elements;
    for (size_t i = 0; i < keys.size(); ++i) {
        Put(map, keys[i].c_str(), static_cast<int>(i));
        elements.push_back(map.Find(keys[i].c_str()));
    }
    for (size_t i = 0; i < keys.size(); i += 3) ASSERT_TRUE(map.Remove(keys[i].c_str()));
    for (int i = 0; i < 2000; ++i) Put(map, ("new" + std::to_string(i)).c_str(), -i);

    for (size_t i = 0; i < keys.size(); ++i) {
        if (i % 3 == 0) {
            EXPECT_EQ(map.Find(keys[i].c_str()), nullptr);
        } else {
            EXPECT_EQ(map.Find(keys[i].c_str()), elements[i]);
            EXPECT_EQ(elements[i]->GetValue(), static_cast<int>(i));
        }
    }
    EXPECT_EQ(map.GetCount(), 2000u + 2000u);
    ExpectIndexFieldsConsistent(map);
}

// A, B, C, D sit in buckets 1 to 4 and iterate in that order.
TEST(MapTest, IteratingSafely) {
    struct Case {
        const char* name;
        void (*use)(Map64& map, const char* key);
        const char* seen;
    };
    const Case cases[] = {
        {"nothing changes", [](Map64&, const char*) {}, "ABCD"},
        {"removing the element just read goes on", [](Map64& map, const char* key) { map.Remove(key); }, "ABCD"},
        {"removing the next element stops",
         [](Map64& map, const char* key) {
             if (key[0] == 'B') map.Remove("C");
         },
         "AB"},
        {"recycling the next element for another key stops",
         [](Map64& map, const char* key) {
             if (key[0] == 'A') {
                 map.Remove("B");
                 int* slot = nullptr;
                 map.Insert("E", &slot);  // takes B's element
             }
         },
         "A"},
        {"renaming the next element stops",
         [](Map64& map, const char* key) {
             if (key[0] == 'C') map.RenameKey("D", "Z");
         },
         "ABC"},
    };
    for (const Case& c : cases) {
        Map64 map;
        for (const char* k : {"A", "B", "C", "D"}) Put(map, k, k[0]);
        std::string seen;
        map.ForEach([&](const char* key, int& value) {
            seen += key;
            EXPECT_EQ(value, key[0]) << c.name;
            c.use(map, key);
        });
        EXPECT_EQ(seen, c.seen) << c.name;
        ExpectIndexFieldsConsistent(map);
    }
}

TEST(MapTest, RefusedAdditionLeavesTheMapUnchanged) {
    Map64 map;
    Put(map, "kept", 1);
    map.GetStore().SetAddCallback([](CMapElement<int, 32>**, uint32_t, uint64_t, CArrayAuto<CMapElement<int, 32>>*) {
        return false;
    });
    int* slot = nullptr;
    try {
        map.Insert("refused", &slot);
        FAIL() << "no throw";
    } catch (uint32_t count) {
        EXPECT_EQ(count, 2u);
    }
    EXPECT_EQ(map.Find("refused"), nullptr);
    EXPECT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(IterationKeys(map), (std::vector<std::string>{"kept"}));
    EXPECT_THROW(map.Insert(LongKey("refused", 50).c_str(), &slot), uint32_t);
    EXPECT_EQ(IterationKeys(map), (std::vector<std::string>{"kept"}));
}

// Two maps drawing from one store: a removal in one map can move an element of
// the other, whose index field must follow.
TEST(MapSharedTest, MapsShareOneStore) {
    using Values = CMapSharedAuto<CStr_base<64>, 32, 32>;
    CMapSharedCarry<CStr_base<64>, 32> carry;
    ASSERT_TRUE(carry.Create());
    EXPECT_FALSE(carry.Create());
    auto* store = carry.GetStore();
    EXPECT_EQ(store->GetRefCount(), 1);
    {
        Values first;
        auto* second = new Values;
        CStr_base<64>* unattached = nullptr;
        EXPECT_FALSE(first.Insert("k", &unattached));
        EXPECT_EQ(unattached, nullptr);
        try {
            first.GetOrAdd("nowhere");
            FAIL() << "no throw";
        } catch (char* key) {
            EXPECT_STREQ(key, "nowhere");
        }

        EXPECT_TRUE(first.AttachStore(store));
        EXPECT_FALSE(first.AttachStore(store));
        EXPECT_TRUE(second->AttachStore(store));
        EXPECT_EQ(store->GetRefCount(), 3);

        first.GetOrAdd("a")->Assign("first a");
        second->GetOrAdd("a")->Assign("second a");
        first.GetOrAdd("b")->Assign("first b");
        second->GetOrAdd(LongKey("sharedstore", 40).c_str())->Assign("second long");
        EXPECT_EQ(store->GetCount(), 4u);
        EXPECT_STREQ(first.GetOrAdd("a")->GetText(), "first a");
        EXPECT_EQ(store->GetCount(), 4u);

        // "a" of the first map sits at 0; the last element (second's long key) takes
        // its place.
        EXPECT_TRUE(first.Remove("a"));
        EXPECT_EQ(store->GetCount(), 3u);
        ExpectIndexFieldsConsistent(first);
        EXPECT_STREQ(second->Find(LongKey("sharedstore", 40).c_str())->GetValue().GetText(), "second long");
        EXPECT_STREQ(second->Find("a")->GetValue().GetText(), "second a");

        delete second;  // removes its own elements and gives its reference back
        EXPECT_EQ(store->GetRefCount(), 2);
        EXPECT_EQ(store->GetCount(), 1u);
        EXPECT_STREQ(first.Find("b")->GetValue().GetText(), "first b");
        ExpectIndexFieldsConsistent(first);

        first.RemoveAll();
        EXPECT_EQ(store->GetCount(), 0u);
        EXPECT_EQ(first.Find("b"), nullptr);
    }
    EXPECT_EQ(store->GetRefCount(), 1);
    // The carrier gives back the last reference when it goes (checked by the leak
    // checker of the sanitizer build).
}

TEST(MapSharedTest, StoreOutlivesItsCarrier) {
    auto* carry = new CMapSharedCarry<int, 32>;
    ASSERT_TRUE(carry->Create());
    CMapShared<int, 32, 32> map;
    ASSERT_TRUE(map.AttachStore(carry->GetStore()));
    delete carry;
    Put(map, "still here", 7);
    EXPECT_EQ(ValueOf(map, "still here"), 7);
}

TEST(NumMapTest, AddFindRemoveIterate) {
    using GlyphMap = CNumMapSingle<int, 1007, uint32_t, uint32_t>;
    GlyphMap map;
    CNumMapPosition<uint32_t> pos;
    map.GetFirst(pos);
    EXPECT_EQ(pos.bucket, 1007u);
    EXPECT_EQ(pos.element, nullptr);
    EXPECT_EQ(pos.key, 0u);

    *map.Add(1012) = 1;  // bucket 5
    *map.Add(5) = 2;     // bucket 5, newer
    *map.Add(2014) = 3;  // bucket 0
    *map.Add(1006) = 4;  // bucket 1006
    *map.Add(0xFFFFFFFFu) = 5;  // 4294967295 mod 1007 = 766
    try {
        map.Add(5);
        FAIL() << "no throw";
    } catch (uint32_t key) {
        EXPECT_EQ(key, 5u);
    }
    EXPECT_EQ(map.GetCount(), 5u);

    std::vector<uint32_t> order;
    map.ForEach([&](uint32_t key, int&) { order.push_back(key); });
    EXPECT_EQ(order, (std::vector<uint32_t>{2014, 5, 1012, 0xFFFFFFFFu, 1006}));

    auto* last = map.Find(0xFFFFFFFFu);  // added last
    EXPECT_TRUE(map.Remove(1012));  // index 0: the last element moves in
    EXPECT_FALSE(map.Remove(1012));
    EXPECT_EQ(last->GetIndex(), 0u);
    EXPECT_EQ(map.GetElementArray()->GetAt(0), last);
    EXPECT_EQ(map.Find(5)->GetValue(), 2);
    EXPECT_EQ(map.Find(1012), nullptr);

    // Removing the element just read goes on; the rest are gone afterwards.
    order.clear();
    map.ForEach([&](uint32_t key, int&) {
        order.push_back(key);
        map.Remove(key);
    });
    EXPECT_EQ(order, (std::vector<uint32_t>{2014, 5, 0xFFFFFFFFu, 1006}));
    EXPECT_EQ(map.GetCount(), 0u);
}
