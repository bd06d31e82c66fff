#pragma once
// String arrays: CStrArray_base<N>, a chunked array of narrow strings, and its
// UTF-16 twin CUStrArray_base<N>.
//
// Both give the buffers of strings that leave use back at once (to the string
// pools or the heap, by capacity) instead of keeping them until the array goes:
// a removed string becomes empty, and the next addition hands the same object
// out again, empty. Clearing the release flag keeps removed strings' texts, so an
// AddNew then returns the old text.
//
// The narrow array adds splitting a text at a separator (recognised only at
// code-page-932 character starts), joining the items with a separator, copying
// another array and a stable sort by unsigned byte order that rearranges only
// the index of item pointers.
//
// Texts handed to Split, Add and Join may come from the array's own items.
#include <cstdint>
#include <cstring>
#include <utility>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/StableSort.h"
#include "foundation/strings/Str.h"
#include "foundation/strings/UStr.h"

namespace detail {

// What both string arrays share: strings that leave use give their buffers back
// while the release flag is set.
template <class Item>
class StringArray : public CArrayAuto<Item> {
public:
    StringArray() noexcept = default;
    StringArray(StringArray&&) noexcept = default;
    StringArray& operator=(StringArray&&) noexcept = default;

    // Whether strings leaving use give their buffers back (true at construction).
    bool GetReleaseOnRemove() const noexcept { return m_release; }
    void SetReleaseOnRemove(bool release) noexcept { m_release = release; }

    // With the release flag set, every string of the run gives its buffer back and
    // becomes empty. The owner's remove callback is not called.
    void OnRemove(Item** slots, uint32_t count) override {
        if (!m_release) return;
        for (uint32_t i = 0; i < count; ++i) slots[i]->Free();
    }

private:
    bool m_release = true;
};

}  // namespace detail

template <unsigned N>
class CStrArray_base : public detail::StringArray<CStr_base<N>> {
public:
    using Base = CArrayAuto<CStr_base<N>>;
    using Item = CStr_base<N>;

    CStrArray_base() noexcept = default;
    CStrArray_base(CStrArray_base&&) noexcept = default;
    CStrArray_base& operator=(CStrArray_base&&) noexcept = default;

    // Appends one item holding a copy of text; returns it. A refusing add hook
    // throws the new count.
    Item* Add(const char* text) {
        Item* item = Base::AddNew();
        item->Assign(text);
        return item;
    }

    // Makes this array a copy of other: empties it (releasing the old items),
    // then one item per item of other, with its text. Returns this array.
    template <unsigned M>
    CStrArray_base& Copy(const CStrArray_base<M>& other) {
        if constexpr (M == N) {
            if (&other == this) return *this;
        }
        Base::RemoveAll();
        const uint32_t count = other.GetCount();
        Base::SetCount(count);
        CStr_base<N>* const* mine = Base::GetIndex();
        const CStr_base<M>* const* theirs = other.GetIndex();
        for (uint32_t i = 0; i < count; ++i) mine[i]->AssignString(*theirs[i]);
        return *this;
    }

    // Replaces the items by the pieces of text cut at every occurrence of
    // separator that starts at a character; returns the number of items (the
    // separators found plus 1). Empty pieces are items: "a,,b," gives a, "", b, "".
    // An empty separator or an empty text gives one item, the whole text.
    int32_t Split(const char* text, const char* separator) {
        // Emptying the array releases the items' buffers; keep alive the one that
        // text or separator may point into until the pieces are made.
        Item keepText, keepSeparator;
        TakeOverBufferOf(text, keepText);
        TakeOverBufferOf(separator, keepSeparator);
        Base::RemoveAll();

        const size_t textLen = std::strlen(text);
        const size_t sepLen = std::strlen(separator);
        if (sepLen == 0 || textLen == 0) {
            Add(text);
            return 1;
        }
        const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
        const unsigned char first = static_cast<unsigned char>(separator[0]);
        int32_t pieces = 1;
        size_t start = 0;
        size_t pos = 0;
        while (pos < textLen) {
            if (t[pos] == first && textLen - pos >= sepLen && std::memcmp(t + pos, separator, sepLen) == 0) {
                AddPiece(text + start, pos - start);
                ++pieces;
                pos += sepLen;
                start = pos;
            } else {
                // A lead byte just before the end steps past it and ends the scan.
                pos += IsCp932Lead(t[pos]) ? 2 : 1;
            }
        }
        AddPiece(text + start, textLen - start);
        return pieces;
    }

    // Makes out the items' texts in order with separator between neighbours (no
    // items: the empty text) and returns out's text. out may be one of the items.
    template <unsigned M>
    const char* Join(const char* separator, CStr_base<M>& out) const {
        bool aliased = out.GetCapacity() != 0 && detail::PointsInto(separator, out.GetText(), out.GetCapacity());
        if constexpr (M == N) {
            for (const Item* item : *this) aliased = aliased || item == &out;
        }
        if (aliased) {
            CStr_base<M> built;
            JoinInto(separator, built);
            out = std::move(built);
        } else {
            JoinInto(separator, out);
        }
        return out.GetText();
    }

    // Orders the items by their texts as unsigned bytes (a proper prefix first),
    // keeping the order of equal texts. Only the index of item pointers moves.
    void Sort() { StableSortPointers(Base::GetIndex(), Base::GetCount(), TextLess{}); }

    // The order Sort uses: byte-wise, bytes as unsigned values, up to the NUL.
    struct TextLess {
        bool operator()(const Item* x, const Item* y) const noexcept {
            const unsigned char* a = reinterpret_cast<const unsigned char*>(x->GetText());
            const unsigned char* b = reinterpret_cast<const unsigned char*>(y->GetText());
            // Most comparisons of unrelated texts end at the first byte.
            if (a[0] != b[0]) return a[0] < b[0];
            return std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b)) < 0;
        }
    };

private:
    void AddPiece(const char* piece, size_t length) {
        if (length > size_t(INT32_MAX)) throw 0;  // beyond any string's capacity
        Item* item = Base::AddNew();
        item->AssignBytesN(piece, static_cast<int32_t>(length));
    }

    // When text lies in the buffer of one of this array's strings (in use or not),
    // moves that buffer into keeper so that releasing the string leaves text valid.
    void TakeOverBufferOf(const char* text, Item& keeper) {
        Item** slots = Base::GetIndex();
        const uint32_t reserved = Base::GetReserved();
        for (uint32_t i = 0; i < reserved; ++i) {
            Item* item = slots[i];
            if (item->GetCapacity() != 0 && detail::PointsInto(text, item->GetText(), item->GetCapacity())) {
                keeper = std::move(*item);
                return;
            }
        }
    }

    template <unsigned M>
    void JoinInto(const char* separator, CStr_base<M>& out) const {
        const uint32_t count = Base::GetCount();
        const size_t sepLen = std::strlen(separator);
        uint64_t total = count > 1 ? uint64_t(count - 1) * sepLen : 0;
        for (const Item* item : *this) total += uint64_t(item->GetLength());
        if (total == 0) {
            out.SetLength(0);
            return;
        }
        if (total + 2 >= detail::kMaxStrCapacity) throw 0;
        out.Reserve(static_cast<uint32_t>(total + 2));
        char* dst = out.GetBuffer();
        const Item* const* items = Base::GetIndex();
        for (uint32_t i = 0; i < count; ++i) {
            if (i != 0) {
                std::memcpy(dst, separator, sepLen);
                dst += sepLen;
            }
            const uint32_t len = static_cast<uint32_t>(items[i]->GetLength());
            std::memcpy(dst, items[i]->GetText(), len);
            dst += len;
        }
        out.SetLength(static_cast<int32_t>(total));
    }
};

// The UTF-16 twin: a chunked array of wide strings whose removed strings give
// their buffers back to the wide pools or the heap.
template <unsigned N>
class CUStrArray_base : public detail::StringArray<CUStr_base<N>> {
public:
    using Base = CArrayAuto<CUStr_base<N>>;
    using Item = CUStr_base<N>;

    CUStrArray_base() noexcept = default;
    CUStrArray_base(CUStrArray_base&&) noexcept = default;
    CUStrArray_base& operator=(CUStrArray_base&&) noexcept = default;
};
