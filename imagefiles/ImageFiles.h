#pragma once
// Image files in and out of sprites: the one loading entry for files, WebP
// bytes and files, the BMP writer, the WebP encoder and the pixel side of
// pasting a clipboard bitmap.
//
// Design note: the operations that act on one sprite (DecodeWebP, LoadWebPFile,
// SaveBMP, SaveBMPWide, EncodeWebP, LoadFromClipboard) are free functions taking the sprite
// as their first parameter rather than members of CSprite, so that the raster
// surface does not depend on this layer.
//
// Loaders want an empty sprite, return bool and show nothing. Every loader and
// encoder except the BMP writers returns false while the raster library is not started
// (RasterLibrary.h). Writers write through the file layer's atomic replace: a
// false result leaves no partial file behind and an existing file untouched.
//
// Paths are code-page-932 text as everywhere in the program (escapes allowed).
#include <cstddef>
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"

class CSprite;

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

// Releases the sprite, then loads the file into it. The reader is chosen by
// what the file holds (WebP, an RCG container, a Windows bitmap, or anything the
// platform's image codecs read, such as PNG and JPEG), and by the extension of
// the file name when the first bytes say nothing. A WebP or RCG file is read by
// its own reader alone; a bitmap the system's BMP reader refuses (top-down,
// palette, compressed ...) goes on to the image codecs. Except for WebP, a
// result whose every pixel has alpha 0 is taken to carry no alpha and becomes
// opaque (colours kept). False when nothing could read the file; the sprite is
// then empty, or holds what a failing WebP animation or RCG record had drawn.
bool LoadImageFile(const char* path, CSprite& sprite);

// Reads the whole file and decodes it with DecodeWebP. False as DecodeWebP, and
// for a file that cannot be read whole or is 4 GiB or larger.
bool LoadWebPFile(CSprite& sprite, const char* path);

// Decodes WebP bytes into the sprite, which must be empty. A still image gets
// its natural size; an animation becomes one horizontal strip, frame k at
// x = k x canvas width, cut at 8192 pixels (later frames are not decoded). A file
// that declares no alpha is made opaque; a declared alpha is kept, even when it
// is 0 everywhere. Sizes must pass the sprite size rule. A failed still decode
// leaves the sprite empty; a failing animation frame keeps the strip drawn so far.
bool DecodeWebP(CSprite& sprite, const uint8_t* bytes, uint32_t size);

// The widest animation strip DecodeWebP makes.
inline constexpr uint32_t kWebPStripMaxWidth = 8192;

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

// Writes a 32-bit bottom-up Windows bitmap (54-byte header, no palette, alpha
// bytes as they are). False for a sprite without pixels, an image whose file
// size would not fit 32 bits, or any failure to create or write the file.
bool SaveBMP(const CSprite& sprite, const char* path);

// SaveBMP for a UTF-16 path: the path is converted to code page 932 without
// escapes and written as SaveBMP writes. A path with a character code page 932
// cannot hold gives false and writes nothing (the conversion would put "?" in
// its place, and the file would land under another name).
bool SaveBMPWide(const CSprite& sprite, const char16_t* path);

// Quality convention of the WebP encoders: below 0 lossless (every pixel exact,
// the colour under alpha 0 included); otherwise lossy at 0..100.
inline constexpr float kWebPLossless = -1.0f;

// Encodes the sprite's pixels as WebP into `out`, which must be empty (a block
// holding a buffer gives false and keeps it). False while the library is not
// started, for a sprite without pixels, an invalid quality, an encoder failure or
// short memory; `out` is then left as it was. Never throws.
bool EncodeWebP(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality);

// Encodes as EncodeWebP and writes the bytes to the file. False as EncodeWebP,
// and for any failure to create or write the file.
bool SaveWebPFile(const CSprite& sprite, const char* path, float quality);

// ---------------------------------------------------------------------------
// Clipboard bitmaps
// ---------------------------------------------------------------------------

// The clipboard's bitmap as the GUI layer hands it over.
class IClipboardBitmap {
public:
    virtual ~IClipboardBitmap() = default;
    // The bitmap's size; false when the clipboard holds no bitmap or its header
    // cannot be read. A negative height stands for its magnitude.
    virtual bool GetSize(int32_t& width, int32_t& height) = 0;
    // Writes the bitmap as top-down rows of `width` 32-bit pixels 0xAARRGGBB
    // into `pixels`, rows `strideWords` pixels apart; returns the rows written.
    virtual int32_t ReadRows(uint32_t* pixels, int32_t strideWords, int32_t width, int32_t height) = 0;
};

// Replaces the sprite's image by the clipboard's bitmap: the sprite takes the
// bitmap's size, receives its rows, and becomes opaque when no pixel has alpha
// above 0 (screen bitmaps carry none). False while the library is not started,
// when there is no bitmap or the sprite cannot take its size (the sprite is then
// unchanged), or when fewer rows than the height arrive (the sprite is then
// released).
bool LoadFromClipboard(CSprite& sprite, IClipboardBitmap& bitmap);

// LoadFromClipboard over rows already in memory: `firstRow` is the top row,
// rows `strideBytes` apart (negative: upwards in memory), pixels 0xAARRGGBB.
bool LoadFromClipboardPixels(CSprite& sprite, const void* firstRow, ptrdiff_t strideBytes, int32_t width,
                             int32_t height);

// ---------------------------------------------------------------------------
// File kinds (exposed for the tests and the file dialogs)
// ---------------------------------------------------------------------------

enum class ImageFileKind { Unknown, Bmp, Rcg, WebP, Png, Jpeg };

// The kind the file name's extension names: the text after the last '.' of the
// last path component ('\\' and '/' separate components; a code-page-932
// double-byte character is never split, so a trail byte equal to '\\', '/' or
// '.' separates nothing), compared without letter case. ".bmp", ".rcg", ".webp",
// ".png", ".jpg", ".jpeg", ".jpe"; anything else, and a name that is only an
// extension (".webp"), is Unknown.
ImageFileKind ImageFileKindFromPath(const char* path);

// The kind the first bytes of a file announce (12 bytes are enough): Unknown
// when they announce none of the kinds.
ImageFileKind ImageFileKindFromContent(const uint8_t* bytes, size_t size);
