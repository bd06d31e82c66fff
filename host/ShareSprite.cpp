#include "host/ShareSprite.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/strings/Format.h"
#include "host/ErrorQueue.h"
#include "host/HostContext.h"

namespace {

// "共有スプライト"%s"の復元に失敗しました。"
constexpr char kRestoreFailed[] =
    "\x8B\xA4\x97L\x83X\x83v\x83\x89\x83\x43\x83g\"%s\"\x82\xCC\x95\x9C\x8C\xB3\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD\x81\x42";

// A broken invariant (a reference naming an entry the table lacks, an object
// outside its list, an entry destroyed while it loads): nothing sound can
// follow, so the program stops here.
[[noreturn]] void BrokenInvariant(const char* what) noexcept {
    std::fprintf(stderr, "shared sprites: %s\n", what);
    std::abort();
}

uint64_t PixelCount(const CSprite& sprite) noexcept {
    return uint64_t(uint32_t(sprite.GetWidth())) * uint64_t(uint32_t(sprite.GetHeight()));
}

// Raises a loading flag for the length of a load, lowering it however the
// load ends (a loader may throw).
class LoadingFlag {
public:
    explicit LoadingFlag(bool& flag) noexcept : m_flag(flag) { m_flag = true; }
    ~LoadingFlag() { m_flag = false; }
    LoadingFlag(const LoadingFlag&) = delete;
    LoadingFlag& operator=(const LoadingFlag&) = delete;

private:
    bool& m_flag;
};

CQRKShareSpriteMgr* HostTable() noexcept {
    QRKHostContext* host = QRKCurrentHost();
    return host != nullptr ? host->shareSprites : nullptr;
}

void ReportRestoreFailed(const char* name) {
    QRKHostContext* host = QRKCurrentHost();
    if (host == nullptr || host->errorQueue == nullptr) return;
    CStr_base<1024> text;
    text.Format(kRestoreFailed, name);
    host->errorQueue->ReportError(text.GetText(), false);
}

}  // namespace

// --- shared sprite objects ---

namespace qrk_internal {

void CShareSpriteObject::Release() {
    if (--m_count > 0) return;
    m_count = 0;
    CSprite::Release();
    CShareSpriteObjectList* list = m_list;
    m_list = nullptr;
    if (list != nullptr) list->Remove(this);
}

CShareSpriteObject* CShareSpriteObjectList::Create() {
    CShareSpriteObject* object = m_objects.AddNew();
    // A recycled object comes back as it was left: empty, count 0.
    object->m_count = 1;
    object->m_index = int32_t(m_objects.GetCount() - 1);
    object->m_list = this;
    return object;
}

void CShareSpriteObjectList::Remove(CShareSpriteObject* object) {
    const int32_t index = object->m_index;
    if (index < 0 || uint32_t(index) >= m_objects.GetCount() || m_objects.GetAt(uint32_t(index)) != object)
        BrokenInvariant("a shared sprite object is not where its index says");
    object->m_index = -1;
    CShareSpriteObject* last = m_objects.GetLast();
    if (last != object) last->m_index = index;
    m_objects.RemoveAtSwap(uint32_t(index));
}

}  // namespace qrk_internal

CShareSprite::CShareSprite(qrk_internal::CShareSpriteObject* object) noexcept : m_object(object) {
    if (m_object != nullptr) m_object->AddRef();
}

CShareSprite::CShareSprite(const CShareSprite& other) noexcept : CShareSprite(other.m_object) {}

CShareSprite& CShareSprite::operator=(const CShareSprite& other) {
    if (other.m_object != nullptr) other.m_object->AddRef();  // first: other may be held only through this
    Reset();
    m_object = other.m_object;
    return *this;
}

CShareSprite::~CShareSprite() { Reset(); }

void CShareSprite::Reset() {
    qrk_internal::CShareSpriteObject* object = m_object;
    m_object = nullptr;
    if (object != nullptr) object->Release();
}

// --- the loader hand-off ---

CAsyncLoader::CAsyncLoader() = default;
CAsyncLoader::~CAsyncLoader() { Stop(); }

void CAsyncLoader::Stop() {
    if (m_running) m_stopRequested = true;
}

// --- the table ---

CQRKShareSpriteMgr::CQRKShareSpriteMgr() = default;

CQRKShareSpriteMgr::~CQRKShareSpriteMgr() {
    for (uint32_t b = 0; b < decltype(m_entries)::kBuckets; ++b) {
        for (auto* e = m_entries.GetBucketHead(b); e != nullptr; e = e->GetNext()) {
            Entry& entry = e->GetValue();
            if (entry.handOffLoading) BrokenInvariant("an entry was destroyed while it loads");
            FreePixels(entry);
        }
    }
}

bool CQRKShareSpriteMgr::HasLoader() const { return m_loader != nullptr; }
void CQRKShareSpriteMgr::SetLoader(CAsyncLoader* loader) { m_loader = loader; }

bool CQRKShareSpriteMgr::RegisterShared(const char* name, int32_t idleLimit, QRKSpriteLoader loader, bool buildMask) {
    std::lock_guard<std::mutex> guard(m_lock);
    Entry* entry = nullptr;
    if (!m_entries.Insert(name, &entry)) return false;
    entry->sprite.Release();
    entry->age = 0;
    entry->idleLimit = idleLimit;
    entry->buildMask = buildMask;
    // The map's own key text, interned whole when it is too long to sit in
    // the element: the loader always gets the full name.
    entry->name = m_entries.Find(name)->GetKey();
    entry->loader = loader;
    entry->references = 0;
    entry->loading = false;
    entry->handOffLoading = false;
    return true;
}

CQRKShareSpriteMgr::Entry* CQRKShareSpriteMgr::Find(const char* name) const {
    auto* element = m_entries.Find(name);
    return element != nullptr ? &element->GetValue() : nullptr;
}

CSprite* CQRKShareSpriteMgr::AcquireNamed(const char* name, int32_t idleLimit, QRKSpriteLoader loader,
                                          bool buildMask) {
    Entry* entry = Find(name);
    if (entry == nullptr) {
        RegisterShared(name, idleLimit, loader, buildMask);
        entry = Find(name);
    }
    return Acquire(entry);
}

CSprite* CQRKShareSpriteMgr::Acquire(Entry* entry) {
    if (!Load(*entry, true)) ReportRestoreFailed(entry->name);
    ++entry->references;
    entry->age = 0;
    return &entry->sprite;
}

bool CQRKShareSpriteMgr::Release(const char* name) {
    Entry* entry = Find(name);
    if (entry == nullptr) return false;
    if (entry->references > 0) --entry->references;
    return true;
}

void CQRKShareSpriteMgr::AddPixels(const CSprite& sprite) noexcept { m_cachedPixels += PixelCount(sprite); }

void CQRKShareSpriteMgr::FreePixels(Entry& entry) noexcept {
    const uint64_t pixels = PixelCount(entry.sprite);
    m_cachedPixels -= pixels < m_cachedPixels ? pixels : m_cachedPixels;
    entry.sprite.Release();
}

bool CQRKShareSpriteMgr::Load(Entry& entry, bool viaHandOff) {
    entry.age = 0;
    if (entry.name[0] == 0) return true;
    // Only the entry's own loader can be inside a load of it: waiting would
    // never end.
    if (entry.handOffLoading) return false;
    if (entry.sprite.HasImage()) return true;
    if (entry.loader == nullptr) return false;

    bool loaded;
    if (viaHandOff && m_loader != nullptr) {
        loaded = m_loader->HandOff(&LoadStep, &entry, this);
    } else {
        if (entry.loading) return false;
        LoadingFlag direct(entry.loading);
        LoadingFlag handOff(entry.handOffLoading);
        loaded = entry.loader(entry.name, &entry.sprite);
        AddPixels(entry.sprite);
    }
    if (!loaded) return false;
    if (entry.buildMask && entry.sprite.GetOpacityMask() == nullptr) entry.sprite.BuildOpacityMask();
    return true;
}

bool CQRKShareSpriteMgr::LoadStep(void* entryPointer, void* tablePointer) {
    Entry& entry = *static_cast<Entry*>(entryPointer);
    if (entry.sprite.HasImage()) return true;
    LoadingFlag flag(entry.handOffLoading);
    const bool loaded = entry.loader(entry.name, &entry.sprite);
    static_cast<CQRKShareSpriteMgr*>(tablePointer)->AddPixels(entry.sprite);
    if (entry.buildMask) entry.sprite.BuildOpacityMask();
    return loaded;
}

bool CQRKShareSpriteMgr::IsIdle(const Entry& entry) noexcept {
    return !entry.IsLoading() && entry.references == 0 && entry.loader != nullptr && entry.sprite.HasImage();
}

uint32_t CQRKShareSpriteMgr::Purge(int32_t minimumAge) {
    uint32_t freed = 0;
    for (uint32_t b = 0; b < decltype(m_entries)::kBuckets; ++b) {
        for (auto* e = m_entries.GetBucketHead(b); e != nullptr; e = e->GetNext()) {
            Entry& entry = e->GetValue();
            if (IsIdle(entry) && entry.age >= minimumAge) {
                FreePixels(entry);
                ++freed;
            }
        }
    }
    return freed;
}

void CQRKShareSpriteMgr::Sweep(uint32_t cacheLimit) {
    for (uint32_t b = 0; b < decltype(m_entries)::kBuckets; ++b) {
        for (auto* e = m_entries.GetBucketHead(b); e != nullptr; e = e->GetNext()) {
            Entry& entry = e->GetValue();
            if (!IsIdle(entry)) continue;
            if (++entry.age >= entry.idleLimit) FreePixels(entry);
        }
    }
    if (m_cachedPixels > cacheLimit) Purge(kSweepPurgeAge);
}

// --- sprite references ---

CQRKSpriteMgr::CQRKSpriteMgr(CSprite* sprite) noexcept : m_sprite(sprite), m_kind(kDirect) {}

CQRKSpriteMgr::CQRKSpriteMgr(const char* name, int32_t idleLimit, QRKSpriteLoader loader) {
    SetShared(name, idleLimit, loader);
}

CQRKSpriteMgr::CQRKSpriteMgr(const CQRKSpriteMgr& other) { CopyFrom(other); }

CQRKSpriteMgr& CQRKSpriteMgr::operator=(const CQRKSpriteMgr& other) {
    if (this == &other) return *this;
    Reset();
    m_link.Reset();
    CopyFrom(other);
    return *this;
}

CQRKSpriteMgr::~CQRKSpriteMgr() {
    if (m_kind == kShared) {
        if (CQRKShareSpriteMgr* table = HostTable()) {
            if (!table->Release(m_name.GetText())) BrokenInvariant("a reference names an entry the table lacks");
        }
    }
}

void CQRKSpriteMgr::CopyFrom(const CQRKSpriteMgr& other) {
    m_sprite = other.m_sprite;
    m_link = other.m_link;
    m_name.AssignString(other.m_name);
    m_kind = other.m_kind;
    if (m_kind != kShared) return;
    if (CQRKShareSpriteMgr* table = HostTable()) {
        CQRKShareSpriteMgr::Entry* entry = table->Find(m_name.GetText());
        if (entry == nullptr) BrokenInvariant("a reference names an entry the table lacks");
        table->Acquire(entry);
    }
}

bool CQRKSpriteMgr::Reset() {
    if (m_kind == kShared) {
        if (CQRKShareSpriteMgr* table = HostTable()) {
            if (!table->Release(m_name.GetText())) BrokenInvariant("a reference names an entry the table lacks");
        }
    } else if (m_kind == kLinked) {
        m_link.Reset();
    }
    m_kind = kNone;
    m_sprite = nullptr;
    m_name.Free();
    return true;
}

bool CQRKSpriteMgr::AttachSprite(CSprite* sprite) {
    Reset();
    m_sprite = sprite;
    m_kind = kDirect;
    return true;
}

bool CQRKSpriteMgr::SetShared(const char* name, int32_t idleLimit, QRKSpriteLoader loader) {
    Reset();
    m_name.Assign(name);
    m_kind = kShared;
    if (CQRKShareSpriteMgr* table = HostTable()) m_sprite = table->AcquireNamed(name, idleLimit, loader, false);
    return true;
}

bool CQRKSpriteMgr::SetSharedLazy(const char* name, int32_t idleLimit, QRKSpriteLoader loader) {
    Reset();
    m_name.Assign(name);
    m_kind = kSharedLazy;
    CQRKShareSpriteMgr* table = HostTable();
    if (table == nullptr) return false;
    return table->Find(name) != nullptr || table->RegisterShared(name, idleLimit, loader, false);
}

bool CQRKSpriteMgr::ResolveShared() {
    if (m_kind != kSharedLazy) return false;
    CQRKShareSpriteMgr* table = HostTable();
    if (table == nullptr) return false;
    CQRKShareSpriteMgr::Entry* entry = table->Find(m_name.GetText());
    if (entry == nullptr) BrokenInvariant("a reference names an entry the table lacks");
    m_sprite = table->Acquire(entry);
    m_kind = kShared;
    return true;
}
