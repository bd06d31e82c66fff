#pragma once
// Draw resources and connectors.
//
// A draw resource knows how to draw one kind of content (a sprite, rich text,
// a colour fill, a nine-slice frame, an icon beside a text, a pre-rendered
// factor row) into a rectangle of a target sprite, and counts its own changes.
// Windows and list rows never hold content: they hold a connector linked to a
// resource. Any number of connectors may hang on one resource, each keeping
// the change it last showed, so every holder finds out on its own whether it
// must redraw.
//
// The change-counter protocol (CQRKChangeCounter):
//   - every change of content increments the resource's counter;
//   - connecting sets the connector's seen version to counter - 1, so the
//     first poll through a new connector reports a change;
//   - a poll with `allow` reports a change when the counter differs from the
//     seen version and then takes the counter as seen; without `allow`
//     nothing is consumed and the change is reported later. `changed` is only
//     ever set, never cleared (callers clear it before polling);
//   - MarkStale makes the next allowed poll report a change.
// Unsigned arithmetic throughout: a counter that wraps past 2^32 - 1 still
// differs from counter - 1.
//
// GUI thread only; nothing here allocates or reports errors.
#include <cstdint>

class CSprite;
class CQRKDRConnector;

class IQRKDrawResource {
public:
    IQRKDrawResource() noexcept = default;
    IQRKDrawResource(const IQRKDrawResource&) = delete;
    IQRKDrawResource& operator=(const IQRKDrawResource&) = delete;

    // Unlinks every attached connector, newest first, calling OnDisconnect
    // with each.
    virtual void DisconnectAll();
    // Runs DisconnectAll last, after the resource's own members are gone, so
    // no connector is left pointing at it.
    virtual ~IQRKDrawResource();

    // Clears the content back to its constructed state and counts a change.
    virtual bool Reset() { return true; }
    // Asked before a connector is linked; false refuses the link.
    virtual bool OnConnect(CQRKDRConnector&) { return true; }
    // Told after a connector was unlinked.
    virtual void OnDisconnect(CQRKDRConnector&) {}
    // Draws the part of the natural image that starts at the source offset
    // (sx, sy) into (x, y, w, h) of the target.
    virtual bool DrawPart(int32_t, int32_t, int32_t, int32_t, CSprite&, int32_t, int32_t) { return false; }
    // Draws the whole resource into (x, y, w, h). Part flags 0 mean
    // everything; composites read bit 0 as the icon and bit 1 as the text.
    // connector: the one through which the caller holds the resource.
    virtual bool Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t partFlags,
                      CQRKDRConnector* connector) = 0;
    // Draws item number `item` into (x, y, w, h).
    virtual bool DrawItem(int32_t, int32_t, int32_t, int32_t, int32_t, CSprite&) { return false; }
    // Answered with 0 by every resource.
    virtual int32_t QueryValue() { return 0; }
    // The change poll of the protocol above. `extra` is only ever forwarded
    // by composites.
    virtual bool PollChange(CQRKDRConnector&, bool, int32_t&, uint8_t&) { return true; }
    // The next allowed poll through the connector reports a change.
    virtual void MarkStale(CQRKDRConnector&) {}
    // Natural size; -1 when the resource has none.
    virtual int32_t GetWidth() { return -1; }
    virtual int32_t GetHeight() { return -1; }
    virtual int32_t GetCurrentFrame(CQRKDRConnector*) { return 0; }
    virtual int32_t GetFrameCount() { return 1; }

    // The most recently attached connector, or null.
    CQRKDRConnector* GetHead() const noexcept { return m_head; }

private:
    friend class CQRKDRConnector;
    CQRKDRConnector* m_head = nullptr;
};

// The link between a holder (window, list row, composite) and a resource.
class CQRKDRConnector {
public:
    static constexpr uint32_t kStateBytes = 64;

    CQRKDRConnector() noexcept = default;
    CQRKDRConnector(const CQRKDRConnector&) = delete;
    CQRKDRConnector& operator=(const CQRKDRConnector&) = delete;
    virtual ~CQRKDRConnector() { Disconnect(); }

    // Unlinks from whatever the connector was linked to, then links it at the
    // head of the resource's list unless the resource refuses (false, the
    // connector left free). A null resource leaves the connector free.
    bool Connect(IQRKDrawResource* resource);
    // Unlinks and tells the resource (OnDisconnect); nothing when free.
    void Disconnect();

    IQRKDrawResource* GetResource() const noexcept { return m_resource; }
    bool IsLinked() const noexcept { return m_resource != nullptr; }
    CQRKDRConnector* GetPrevious() const noexcept { return m_previous; }
    CQRKDRConnector* GetNext() const noexcept { return m_next; }

    // The per-connection state that belongs to the linked resource; the
    // resources of this system keep the seen version in its first word.
    uint8_t* GetState() noexcept { return m_state.bytes; }
    uint32_t GetSeenVersion() const noexcept { return m_state.seenVersion; }
    void SetSeenVersion(uint32_t version) noexcept { m_state.seenVersion = version; }

private:
    friend class IQRKDrawResource;
    // Takes the connector out of its resource's list and nulls its links;
    // returns the resource it was in.
    IQRKDrawResource* Unlink() noexcept;

    IQRKDrawResource* m_resource = nullptr;
    CQRKDRConnector* m_previous = nullptr;
    CQRKDRConnector* m_next = nullptr;
    union State {
        uint32_t seenVersion;
        uint8_t bytes[kStateBytes];
    } m_state{};
};

// The change counter of the resources that keep one (sprite, text, fill and
// frame): the protocol described at the top of this file.
class CQRKChangeCounter {
public:
    uint32_t GetCount() const noexcept { return m_count; }
    void SetCount(uint32_t count) noexcept { m_count = count; }
    void Increment() noexcept { ++m_count; }

    bool OnConnect(CQRKDRConnector& connector) const noexcept {
        connector.SetSeenVersion(m_count - 1u);
        return true;
    }
    bool PollChange(CQRKDRConnector& connector, bool allow, int32_t& changed) const noexcept {
        if (allow && connector.GetSeenVersion() != m_count) {
            changed = 1;
            connector.SetSeenVersion(m_count);
        }
        return true;
    }
    uint32_t MarkStale(CQRKDRConnector& connector) const noexcept {
        connector.SetSeenVersion(m_count - 1u);
        return m_count - 1u;
    }

private:
    uint32_t m_count = 0;
};

// Position arithmetic of the resources: sums of positions and sizes are made
// in 64 bits and brought back into the 32-bit range of the raster calls. A
// position clamped this way lies as far off every sprite as the true one
// (sprites are far narrower than 2^31), so nothing is drawn that should not be.
inline int32_t ClampDrawPosition(int64_t v) noexcept {
    if (v < INT32_MIN) return INT32_MIN;
    if (v > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(v);
}
