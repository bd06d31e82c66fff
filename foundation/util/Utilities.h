#pragma once
// Small utilities of the foundation library: message boxes with a library-wide
// owner window and default caption, a pseudo-random generator driven by a sine
// table, conversions between 64-bit integers and decimal or hexadecimal text,
// and a solid rectangle fill on a device context.
#include <cstddef>
#include <cstdint>

#include "platform/DeviceContext.h"
#include "platform/MessageBox.h"  // type bits (MB_...) and results (ID...)

// --- Message boxes ---------------------------------------------------------
// Every box is shown over the owner window set here (an opaque window handle,
// null until set). A call without a caption uses the default caption, which is
// empty until set here.

// Stores the owner and the code-page-932 caption, converted to UTF-16, as the
// default caption; returns whether the conversion succeeded (the default
// caption is empty when it did not). A null caption counts as empty.
bool SetMessageBoxOwner(void* owner, const char* caption);
// Stores the owner and a copy of the UTF-16 caption (null counts as empty).
void SetMessageBoxOwner(void* owner, const char16_t* caption);

// Shows a code-page-932 text with the type bits; a null caption takes the
// default one. Returns the result code of the button chosen (platform::IDOK,
// ...), 0 when no box could be shown. Text that is not valid code page 932
// converts to nothing, as everywhere in the system.
int32_t ShowMessageBox(const char* text, uint32_t type, const char* caption = nullptr);
// The same with UTF-16 text and caption.
int32_t ShowMessageBoxW(const char16_t* text, uint32_t type, const char16_t* caption = nullptr);

// --- Random numbers ----------------------------------------------------------
// One process-wide generator; its state starts at 0 and wraps in 32 bits.

void SetRandomSeed(int32_t seed) noexcept;
// Next value, 0..0x0FFFFFFF.
uint32_t GetRandom();
// round-toward-zero of sin(2 pi (phase mod 48000) / 48000) x 2147483647, with
// bit 31 of the phase cleared first. The table behind it is built on first use
// (which may throw std::bad_alloc).
int32_t GetSineValue(int32_t phase);

// --- Integers and text -------------------------------------------------------
// Writers fill a buffer of `size` bytes and return true when the text and its
// terminating NUL fit; on false the buffer is left as it was.

// Decimal, "-" before negative values.
bool Int64ToText(char* buffer, size_t size, int64_t value) noexcept;
// Decimal.
bool UInt64ToText(char* buffer, size_t size, uint64_t value) noexcept;
// Lower-case hexadecimal, no prefix and no leading zeros.
bool UInt64ToHexText(char* buffer, size_t size, uint64_t value) noexcept;

// Readers start at the first byte (no blanks skipped), stop at the first byte
// that is not a digit of their kind, and wrap on overflow. No digits give 0,
// and so does a null text.

// An optional "-" and decimal digits.
int64_t TextToInt64(const char* text) noexcept;
// Decimal digits.
uint64_t TextToUInt64(const char* text) noexcept;
// Digits 0-9, a-f, A-F.
uint64_t HexTextToUInt64(const char* text) noexcept;

// --- Drawing -----------------------------------------------------------------

// Fills the rectangle at (left, top) of the given size with an opaque colour
// 0x00BBGGRR; returns the device's result, false for a null device. An edge
// beyond the 32-bit range stops at the range's end.
bool FillRectSolid(platform::IDeviceContext* dc, int32_t left, int32_t top, int32_t width, int32_t height,
                   uint32_t colorref);
