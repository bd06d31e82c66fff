#pragma once
// Shared sprites: named images kept by the host, loaded on demand, aged while
// idle and freed after their idle limit or when the cache grows too large; and
// the sprite references through which draw resources and windows hold images.
//
// An entry is registered with no pixels, loads on its first acquisition, stays
// while it has references, ages once per second while idle, is emptied by age
// or by the purge, and reloads on its next acquisition. Entries are never
// removed before the table goes, so pointers to them and to their sprites stay
// valid for the table's life.
//
// Loads run at once on the calling thread (no loader thread exists). The
// loading flags therefore only ever meet a load of the same entry re-entered
// from inside its own loader: that load fails instead of waiting for a flag
// that nothing else could clear.
#include <cstdint>
#include <mutex>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/maps/Map.h"
#include "foundation/strings/Str.h"
#include "raster/surface/sprite/Sprite.h"

// Fills the empty sprite with the image called `name` (the entry's whole key);
// false when it cannot.
using QRKSpriteLoader = bool (*)(const char* name, CSprite* sprite);

namespace qrk_internal {

// One entry of the shared table.
struct QRKShareSpriteInfo {
    CSprite sprite;
    // Seconds of idleness counted by the sweep; 0 on every load and acquisition.
    int32_t age = 0;
    // Age at which the sweep frees the pixels.
    int32_t idleLimit = 0;
    // Build the sprite's block opacity mask after a load.
    bool buildMask = false;
    // The entry's own key text, whole however long (the map keeps it for the
    // table's life).
    const char* name = "";
    // Null: the entry cannot (re)load.
    QRKSpriteLoader loader = nullptr;
    // Acquisitions not yet released; never below 0.
    int32_t references = 0;
    // A direct load, or a load through the hand-off, is running.
    bool loading = false;
    bool handOffLoading = false;

    bool IsLoading() const noexcept { return loading || handOffLoading; }
};

class CShareSpriteObjectList;

// A sprite shared through counted links. Its index is its position in its
// list, -1 once out.
class CShareSpriteObject : public CSprite {
public:
    int32_t GetCount() const noexcept { return m_count; }
    int32_t GetIndex() const noexcept { return m_index; }

    void AddRef() noexcept { ++m_count; }
    // At 0 the pixels are freed and the object leaves its list.
    void Release();

private:
    friend class CShareSpriteObjectList;
    int32_t m_count = 0;
    int32_t m_index = -1;
    CShareSpriteObjectList* m_list = nullptr;
};

// The objects in use. Leaving it moves the last object's slot into the freed
// one (that object's index follows); the objects themselves never move.
class CShareSpriteObjectList {
public:
    // A new object in the list with count 1 (nothing in the program makes one
    // yet; the owner of such sprites will).
    CShareSpriteObject* Create();
    uint32_t GetCount() const noexcept { return m_objects.GetCount(); }
    CShareSpriteObject* GetAt(uint32_t i) { return m_objects.GetAt(i); }

private:
    friend class CShareSpriteObject;
    void Remove(CShareSpriteObject* object);
    CArrayAuto<CShareSpriteObject> m_objects;
};

}  // namespace qrk_internal

// A counted link to a shared sprite object: copies add a count, destruction
// gives it back.
class CShareSprite {
public:
    CShareSprite() noexcept = default;
    // Links the object, adding a count.
    explicit CShareSprite(qrk_internal::CShareSpriteObject* object) noexcept;
    CShareSprite(const CShareSprite& other) noexcept;
    CShareSprite& operator=(const CShareSprite& other);
    ~CShareSprite();

    qrk_internal::CShareSpriteObject* Get() const noexcept { return m_object; }
    // Gives the count back and holds nothing.
    void Reset();

private:
    qrk_internal::CShareSpriteObject* m_object = nullptr;
};

// The loader hand-off: runs a load at once on the calling thread (no loader
// thread exists).
class CAsyncLoader {
public:
    using Step = bool (*)(void* entry, void* argument);

    CAsyncLoader();
    ~CAsyncLoader();
    CAsyncLoader(const CAsyncLoader&) = delete;
    CAsyncLoader& operator=(const CAsyncLoader&) = delete;

    // Runs step(entry, argument) and returns its result.
    bool HandOff(Step step, void* entry, void* argument) { return step(entry, argument); }
    bool IsRunning() const noexcept { return m_running; }
    // Stops the loader thread; nothing to do while none runs.
    void Stop();

private:
    bool m_running = false;
    bool m_stopRequested = false;
};

class CQRKShareSpriteMgr {
public:
    using Entry = qrk_internal::QRKShareSpriteInfo;

    // The purge's minimum age when the sweep finds the cache too large.
    static constexpr int32_t kSweepPurgeAge = 5;

    CQRKShareSpriteMgr();
    // Frees every entry's pixels. An entry still loading through the hand-off
    // is a broken invariant that stops the program.
    ~CQRKShareSpriteMgr();
    CQRKShareSpriteMgr(const CQRKShareSpriteMgr&) = delete;
    CQRKShareSpriteMgr& operator=(const CQRKShareSpriteMgr&) = delete;

    // The hand-off loads go through (the host sets its own; null: loads run
    // directly).
    bool HasLoader() const;
    void SetLoader(CAsyncLoader* loader);
    CAsyncLoader* GetLoader() const noexcept { return m_loader; }

    // Adds an entry with no pixels and age 0; false when the name exists.
    bool RegisterShared(const char* name, int32_t idleLimit, QRKSpriteLoader loader, bool buildMask);
    // Registers the name when absent, then acquires its entry.
    CSprite* AcquireNamed(const char* name, int32_t idleLimit, QRKSpriteLoader loader, bool buildMask);
    // Loads the entry when it has no pixels (a failure is reported to the
    // published host's error queue), counts one more user, resets its age and
    // returns its sprite (empty after a failure).
    CSprite* Acquire(Entry* entry);
    // Loads the entry on this thread, not through the hand-off, without
    // counting a user and without reporting a failure (the loader reports its
    // own); false when the load failed.
    bool LoadDirect(Entry* entry) { return Load(*entry, false); }
    // One user fewer (never below 0); false when the name is not in the table.
    bool Release(const char* name);
    // The entry of name, or null.
    Entry* Find(const char* name) const;

    // Frees the pixels of every idle entry (no references, not loading, with a
    // loader) aged at least minimumAge; returns how many were freed.
    uint32_t Purge(int32_t minimumAge);
    // The once-per-second sweep: ageing, then the purge (minimum age 5) when
    // the cached pixel total exceeds the limit. The limit is the settings'
    // 32-bit value read unsigned, so -1 means no limit worth the name.
    void Sweep(uint32_t cacheLimit);

    // Pixels held by loaded entries (64-bit: the total of many large images
    // passes 2^31).
    uint64_t GetCachedPixels() const noexcept { return m_cachedPixels; }

private:
    bool Load(Entry& entry, bool viaHandOff);
    static bool LoadStep(void* entry, void* table);
    void AddPixels(const CSprite& sprite) noexcept;
    void FreePixels(Entry& entry) noexcept;
    static bool IsIdle(const Entry& entry) noexcept;

    CMapSingle<Entry, 256, 64> m_entries;
    CAsyncLoader* m_loader = nullptr;
    // Guards registration (the other operations run on the GUI thread).
    std::mutex m_lock;
    uint64_t m_cachedPixels = 0;
};

// A sprite reference: points at a sprite directly or names an entry of the
// published host's shared table.
class CQRKSpriteMgr {
public:
    enum Kind : int32_t {
        kNone = 0,
        kDirect = 1,
        kShared = 2,      // named entry, acquired
        kLinked = 3,      // the sprite of the linked object
        kSharedLazy = 4,  // named entry, not yet acquired
    };

    CQRKSpriteMgr() noexcept = default;
    explicit CQRKSpriteMgr(CSprite* sprite) noexcept;
    CQRKSpriteMgr(const char* name, int32_t idleLimit, QRKSpriteLoader loader);
    // A copy of a named, acquired reference acquires the entry once more.
    CQRKSpriteMgr(const CQRKSpriteMgr& other);
    CQRKSpriteMgr& operator=(const CQRKSpriteMgr& other);
    virtual ~CQRKSpriteMgr();

    // Releases what the reference holds and makes it empty; true.
    bool Reset();
    bool AttachSprite(CSprite* sprite);
    bool SetShared(const char* name, int32_t idleLimit, QRKSpriteLoader loader);
    // Names the entry without loading it: true when it exists or was
    // registered now.
    bool SetSharedLazy(const char* name, int32_t idleLimit, QRKSpriteLoader loader);
    // A lazily named reference acquires its entry; false for any other kind.
    bool ResolveShared();

    CSprite* GetSprite() const noexcept { return m_sprite; }
    int32_t GetKind() const noexcept { return m_kind; }
    const char* GetName() const noexcept { return m_name.GetText(); }
    const CShareSprite& GetLink() const noexcept { return m_link; }

private:
    void CopyFrom(const CQRKSpriteMgr& other);

    CSprite* m_sprite = nullptr;
    CShareSprite m_link;
    CStr_base<64> m_name;
    int32_t m_kind = kNone;
};
