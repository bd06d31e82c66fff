#pragma once
// Shared sprites: named images kept by the host, loaded on demand, aged while
// idle and freed after their idle limit or when the cache grows too large; and
// the sprite references through which draw resources and windows hold images.
#include <cstdint>

class CSprite;

// The loader hand-off: runs a load at once on the calling thread (no loader
// thread exists).
class CAsyncLoader {
public:
    CAsyncLoader();
    ~CAsyncLoader();
    // Stops the loader thread; nothing to do while none runs.
    void Stop();
};

class CQRKShareSpriteMgr {
public:
    CQRKShareSpriteMgr();
    ~CQRKShareSpriteMgr();
    CQRKShareSpriteMgr(const CQRKShareSpriteMgr&) = delete;
    CQRKShareSpriteMgr& operator=(const CQRKShareSpriteMgr&) = delete;

    bool HasLoader() const;
    void SetLoader(CAsyncLoader* loader);

    // The once-per-second sweep: ageing, then the purge (minimum age 5) when
    // the cached pixel total exceeds the limit (compared unsigned).
    void Sweep(uint32_t cacheLimit);
};
