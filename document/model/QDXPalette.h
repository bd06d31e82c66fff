#pragma once
// QDXPalette: the document's three palette tables and their rendered strips.
//
// Palette1 holds single colours, Palette2 two-colour strips and Palette4
// four-colour rectangles, 1024 entries each. An entry of Palette2 (Palette4)
// has a rendered strip in Palette2Strips (Palette4Strips) only when its length
// (both its sizes) is at least 2; every other strip sprite is empty. An all-zero
// entry is an empty one. A palette reference (a 32-bit word, bits 31-30 = 01, 10
// or 11 for the three tables) picks a colour from these tables.
//
// A document holds exactly one palette for its whole life; it is large (about
// 40 KiB of tables, and the strips when any is rendered), so it lives in its
// own block.
#include <cstdint>
#include <cstring>
#include <memory>

#include "raster/surface/sprite/Sprite.h"

template <unsigned N>
class CStr_base;

struct Palette2Entry {
    uint32_t StartColor = 0;  // colour code
    uint32_t EndColor = 0;    // colour code
    uint32_t Length = 0;      // 0..256
};

struct Palette4Entry {
    uint32_t CornerColors[4] = {};  // top left, top right, bottom left, bottom right
    uint32_t StripWidth = 0;        // 0..256
    uint32_t StripHeight = 0;       // 0..256
};

// The rendered strips of one palette table, 1024 sprites made on first write:
// most documents render no strip at all, and a table of empty sprites costs
// several times what the colour tables do, for every document made. Until then
// every strip reads as an empty sprite and a walk over the strips visits none.
class QDXStripTable {
public:
    static constexpr uint32_t kEntries = 1024;

    QDXStripTable() noexcept = default;
    QDXStripTable(const QDXStripTable&) = delete;
    QDXStripTable& operator=(const QDXStripTable&) = delete;

    bool IsMade() const noexcept { return m_strips != nullptr; }
    // Strip i, the table made when it is not yet.
    CSprite& operator[](uint32_t i) { return Make()[i]; }
    const CSprite& operator[](uint32_t i) const noexcept {
        if (m_strips != nullptr) return m_strips[i];
        static const CSprite empty;
        return empty;
    }
    CSprite* begin() noexcept { return m_strips.get(); }
    CSprite* end() noexcept { return m_strips != nullptr ? m_strips.get() + kEntries : nullptr; }

private:
    CSprite* Make() {
        if (m_strips == nullptr) m_strips = std::make_unique<CSprite[]>(kEntries);
        return m_strips.get();
    }

    std::unique_ptr<CSprite[]> m_strips;
};

struct QDXPalette {
    static constexpr uint32_t kEntries = QDXStripTable::kEntries;

    // All three tables zero, every strip empty.
    QDXPalette() = default;
    QDXPalette(const QDXPalette&) = delete;
    QDXPalette& operator=(const QDXPalette&) = delete;

    // Zeroes the three tables; the strips are left as they are.
    void ClearTables() noexcept {
        std::memset(Palette1, 0, sizeof Palette1);
        for (Palette2Entry& entry : Palette2) entry = Palette2Entry{};
        for (Palette4Entry& entry : Palette4) entry = Palette4Entry{};
    }

    // Releases every strip of both tables.
    void ReleaseStrips() {
        for (CSprite& strip : Palette2Strips) strip.Release();
        for (CSprite& strip : Palette4Strips) strip.Release();
    }

    // The palette section of the document text (defined with the text forms).
    // ParseText reads the section's lines into the tables and renders the
    // strips; a table the text does not name keeps its contents. False for a
    // malformed text or a strip that cannot be created; the entries before the
    // fault keep their new values. WriteText replaces out with the section's
    // text; true.
    bool ParseText(const char* text);
    bool WriteText(CStr_base<16384>& out) const;

    // The 24-bit RGB colour a palette reference picks: 0 for a word below
    // 0x40000000; bits 31-30 choose the table, bits 25-16 the entry, bits 15-8
    // the column and bits 7-0 the row of a strip. A column or row outside the
    // entry's strip, or a strip lookup before the raster library is started,
    // gives 0.
    uint32_t ResolveColor(uint32_t reference) const noexcept;

    uint32_t Palette1[kEntries] = {};  // colour codes
    Palette2Entry Palette2[kEntries];
    Palette4Entry Palette4[kEntries];
    QDXStripTable Palette2Strips;  // Length x 1 each, or empty
    QDXStripTable Palette4Strips;  // StripWidth x StripHeight each, or empty
};
