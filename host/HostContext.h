#pragma once
// The host services that code without a host pointer reaches: sprite
// references releasing their named entries, the asset loader, components that
// report errors. One host exists; its Initialize publishes these and its
// destructor withdraws them first thing.
class CQRKErrorQueue;
class CQRKShareSpriteMgr;
class CAsyncLoader;
class CSpriteView;
class CQRKWindowCtrl;
class CQRKTileFontCore;

struct QRKHostContext {
    // The host itself, from the start of its Initialize.
    CQRKWindowCtrl* host = nullptr;
    CQRKErrorQueue* errorQueue = nullptr;
    CQRKShareSpriteMgr* shareSprites = nullptr;
    CAsyncLoader* loader = nullptr;
    CSpriteView* backBuffer = nullptr;
    // The interface images' folder, code page 932, ending in a separator.
    const char* pictureFolder = "";
    // The host's own tile font (the interface font), which text resources
    // without a font of their own draw with; usable once the start-up scene
    // has created it.
    CQRKTileFontCore* tileFont = nullptr;
};

// The published host, or null before Initialize and after the host is gone.
QRKHostContext* QRKCurrentHost() noexcept;
void QRKPublishHost(QRKHostContext* host) noexcept;
