// Interface images from the picture folder, their "?" options, and the sound
// operations that are switched off.
#include "host/AssetLoader.h"

#include <cstring>
#include <memory>
#include <new>

#include "foundation/strings/Str.h"
#include "foundation/strings/UStr.h"
#include "host/ErrorQueue.h"
#include "host/FileStream.h"
#include "host/HostContext.h"
#include "host/ShareSprite.h"
#include "platform/Cp932.h"
#include "raster/surface/sprite/ImageDecoder.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// "SEの再生機能は有効化されていません"
constexpr char kSeDisabled[] =
    "SE\x82\xCC\x8D\xC4\x90\xB6\x8B@\x94\x5C\x82\xCD\x97L\x8C\xF8\x89\xBB\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82"
    "\xB9\x82\xF1";
// "BGMの再生機能は有効化されていません"
constexpr char kBgmDisabled[] =
    "BGM\x82\xCC\x8D\xC4\x90\xB6\x8B@\x94\x5C\x82\xCD\x97L\x8C\xF8\x89\xBB\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82"
    "\xB9\x82\xF1";
// "サブBGMの再生機能は有効化されていません"
constexpr char kSubBgmDisabled[] =
    "\x83T\x83uBGM\x82\xCC\x8D\xC4\x90\xB6\x8B@\x94\x5C\x82\xCD\x97L\x8C\xF8\x89\xBB\x82\xB3\x82\xEA\x82\xC4\x82\xA2"
    "\x82\xDC\x82\xB9\x82\xF1";
// "MIDIの再生機能は有効化されていません"
constexpr char kMidiDisabled[] =
    "MIDI\x82\xCC\x8D\xC4\x90\xB6\x8B@\x94\x5C\x82\xCD\x97L\x8C\xF8\x89\xBB\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB9\x82\xF1";
// "ファイル名が無効です。"
constexpr char kBadFileName[] = "\x83t\x83@\x83\x43\x83\x8B\x96\xBC\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7\x81\x42";
// "既にビットマップが割り当て済みです。"
constexpr char kAlreadyAssigned[] =
    "\x8A\xF9\x82\xC9\x83r\x83\x62\x83g\x83}\x83\x62\x83v\x82\xAA\x8A\x84\x82\xE8\x93\x96\x82\xC4\x8D\xCF\x82\xDD\x82"
    "\xC5\x82\xB7\x81\x42";
// "\"%s\"を開けません。(1)"
constexpr char kCannotOpenFile[] = "\"%s\"\x82\xF0\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x81\x42(1)";
// "\"%s\"を開けません。(2)"
constexpr char kCannotDecode[] = "\"%s\"\x82\xF0\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x81\x42(2)";
// "\"%s\"を開くメモリが足りません。"
constexpr char kNoMemoryToOpen[] =
    "\"%s\"\x82\xF0\x8AJ\x82\xAD\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "\"%s\"を開けません。"
constexpr char kCannotOpen[] = "\"%s\"\x82\xF0\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "HSLオプションの書式が正しくありません。"
constexpr char kHslFormat[] =
    "HSL\x83I\x83v\x83V\x83\x87\x83\x93\x82\xCC\x8F\x91\x8E\xAE\x82\xAA\x90\xB3\x82\xB5\x82\xAD\x82\xA0\x82\xE8\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42";
// "HSVオプションの書式が正しくありません。"
constexpr char kHsvFormat[] =
    "HSV\x83I\x83v\x83V\x83\x87\x83\x93\x82\xCC\x8F\x91\x8E\xAE\x82\xAA\x90\xB3\x82\xB5\x82\xAD\x82\xA0\x82\xE8\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42";
// "HSLYオプションの書式が正しくありません。"
constexpr char kHslyFormat[] =
    "HSLY\x83I\x83v\x83V\x83\x87\x83\x93\x82\xCC\x8F\x91\x8E\xAE\x82\xAA\x90\xB3\x82\xB5\x82\xAD\x82\xA0\x82\xE8\x82"
    "\xDC\x82\xB9\x82\xF1\x81\x42";
// "Toneオプションの書式が正しくありません。"
constexpr char kToneFormat[] =
    "Tone\x83I\x83v\x83V\x83\x87\x83\x93\x82\xCC\x8F\x91\x8E\xAE\x82\xAA\x90\xB3\x82\xB5\x82\xAD\x82\xA0\x82\xE8\x82"
    "\xDC\x82\xB9\x82\xF1\x81\x42";
// "HSLオプションを適用するメモリが足りません。"
constexpr char kHslMemory[] =
    "HSL\x83I\x83v\x83V\x83\x87\x83\x93\x82\xF0\x93K\x97p\x82\xB7\x82\xE9\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82"
    "\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "HSVオプションを適用するメモリが足りません。"
constexpr char kHsvMemory[] =
    "HSV\x83I\x83v\x83V\x83\x87\x83\x93\x82\xF0\x93K\x97p\x82\xB7\x82\xE9\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82"
    "\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "HSLYオプションを適用するメモリが足りません。"
constexpr char kHslyMemory[] =
    "HSLY\x83I\x83v\x83V\x83\x87\x83\x93\x82\xF0\x93K\x97p\x82\xB7\x82\xE9\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB"
    "\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "Toneオプションを適用するメモリが足りません。"
constexpr char kToneMemory[] =
    "Tone\x83I\x83v\x83V\x83\x87\x83\x93\x82\xF0\x93K\x97p\x82\xB7\x82\xE9\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB"
    "\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "指定したオプションがありません。"
constexpr char kNoSuchOption[] =
    "\x8Ew\x92\xE8\x82\xB5\x82\xBD\x83I\x83v\x83V\x83\x87\x83\x93\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81"
    "\x42";
// "オプションを適用するベース画像をロードできません。"
constexpr char kNoBaseImage[] =
    "\x83I\x83v\x83V\x83\x87\x83\x93\x82\xF0\x93K\x97p\x82\xB7\x82\xE9\x83x\x81[\x83X\x89\xE6\x91\x9C\x82\xF0\x83\x8D"
    "\x81[\x83h\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42";

// Files read through the stream are held whole in memory; the decoder takes
// nothing of 2 GiB or more either.
constexpr uint64_t kMaxStreamBytes = 0x7FFFFFFF;

CQRKErrorQueue* ErrorQueue() noexcept {
    QRKHostContext* host = QRKCurrentHost();
    return host != nullptr ? host->errorQueue : nullptr;
}

bool Report(const char* text) {
    if (CQRKErrorQueue* queue = ErrorQueue()) queue->ReportError(text, false);
    return false;
}

bool ReportPath(const char* format, const CStr_base<64>& path) {
    CStr_base<1024> text;
    text.Format(format, path.GetText());
    return Report(text.GetText());
}

uint32_t ReportCount() noexcept {
    CQRKErrorQueue* queue = ErrorQueue();
    return queue != nullptr ? queue->GetReportCount() : 0;
}

void PicturePath(const char* name, CStr_base<64>& path) {
    QRKHostContext* host = QRKCurrentHost();
    path.Assign(host != nullptr && host->pictureFolder != nullptr ? host->pictureFolder : "");
    path.Append(name);
}

// Byte index of the last "?" that starts a character, or -1.
int32_t FindLastQuestionMark(const char* name) noexcept {
    int32_t found = -1;
    for (int32_t i = 0; name[i] != 0;) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '?') found = i;
        i += platform::IsCp932LeadByte(c) && name[i + 1] != 0 ? 2 : 1;
    }
    return found;
}

char Upper(char c) noexcept { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// More than 5 bytes, ending in ".JPG" or ".PNG" in any case.
bool IsImageFileName(const char* name, size_t length) noexcept {
    if (length <= 5) return false;
    const char* ext = name + length - 4;
    if (ext[0] != '.') return false;
    const char a = Upper(ext[1]), b = Upper(ext[2]), c = Upper(ext[3]);
    return (a == 'J' && b == 'P' && c == 'G') || (a == 'P' && b == 'N' && c == 'G');
}

// ---- option parameters, read as the C library's scanf would ----

bool IsSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

int32_t HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%d": whitespace, a sign, decimal digits; saturated to 32 bits. False (p
// unmoved) when no digit follows.
bool ReadDecimal(const char*& p, int32_t& value) noexcept {
    const char* q = p;
    while (IsSpace(*q)) ++q;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    if (*q < '0' || *q > '9') return false;
    int64_t magnitude = 0;
    for (; *q >= '0' && *q <= '9'; ++q) {
        if (magnitude <= int64_t(1) << 32) magnitude = magnitude * 10 + (*q - '0');
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    value = signedValue > INT32_MAX ? INT32_MAX : signedValue < INT32_MIN ? INT32_MIN : int32_t(signedValue);
    p = q;
    return true;
}

// "%lX": whitespace, a sign, an optional 0x, hexadecimal digits; saturated to
// 32 bits (a minus sign negates modulo 2^32).
bool ReadHex(const char*& p, uint32_t& value) noexcept {
    const char* q = p;
    while (IsSpace(*q)) ++q;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X') && HexDigit(q[2]) >= 0) q += 2;
    if (HexDigit(*q) < 0) return false;
    uint64_t magnitude = 0;
    for (int32_t d; (d = HexDigit(*q)) >= 0; ++q) {
        if (magnitude <= 0xFFFFFFFFu) magnitude = magnitude * 16 + uint64_t(d);
    }
    const uint32_t saturated = magnitude > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(magnitude);
    value = negative ? uint32_t(0u - saturated) : saturated;
    p = q;
    return true;
}

bool ReadDecimals(const char* p, int32_t* values, int32_t count) noexcept {
    for (int32_t i = 0; i < count; ++i) {
        if (!ReadDecimal(p, values[i])) return false;
    }
    return true;
}

// Creates the destination at the base's size; false for the canvas rule, a
// library that is not ready or no memory.
bool CreateLike(CSprite& destination, const CSprite& base) {
    try {
        return destination.CreateWithinLimits(base.GetWidth(), base.GetHeight(), false);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// The model shifts share everything but the kernel and the texts.
using ShiftCopy = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int16_t,
                                    int16_t, int16_t);

bool ApplyShift(const CSprite& base, const char* parameters, CSprite& destination, ShiftCopy copy,
                const char* formatError, const char* memoryError) {
    int32_t v[3];
    if (!ReadDecimals(parameters, v, 3)) return Report(formatError);
    if (!CreateLike(destination, base)) return Report(memoryError);
    (destination.*copy)(0, 0, base.GetWidth(), base.GetHeight(), base, 0, 0, int16_t(v[0]), int16_t(v[1]),
                        int16_t(v[2]));
    return true;
}

bool ApplyTone(const CSprite& base, const char* parameters, CSprite& destination) {
    uint32_t colour = 0;
    int32_t amounts[4];
    if (!ReadHex(parameters, colour) || !ReadDecimals(parameters, amounts, 4)) return Report(kToneFormat);
    if (!CreateLike(destination, base)) return Report(kToneMemory);
    destination.DrawCopyTone(0, 0, base, 0, 0, base.GetWidth(), base.GetHeight(), colour, uint32_t(amounts[0]),
                             uint32_t(amounts[1]), uint32_t(amounts[2]), uint32_t(amounts[3]));
    return true;
}

// A derived image: the base (the name before the "?") from the shared table,
// then the option letter with its parameters.
bool LoadDerived(const char* name, int32_t mark, CSprite& destination) {
    if (std::strcmp(name + mark, "?gsa") == 0) {
        CStr_base<64> baseName;
        baseName.AssignBytesN(name, mark);
        const bool loaded = LoadBitmapAsset(baseName.GetText(), &destination);
        if (loaded && IsRasterReady()) destination.AlphaFromGreen();
        return loaded;
    }

    QRKHostContext* host = QRKCurrentHost();
    CQRKShareSpriteMgr* table = host != nullptr ? host->shareSprites : nullptr;
    if (table == nullptr) return Report(kNoBaseImage);
    CStr_base<64> baseName;
    baseName.AssignBytesN(name, mark);
    CQRKShareSpriteMgr::Entry* entry = table->Find(baseName.GetText());
    if (entry == nullptr) {
        // RegisterShared looks again under the table's lock.
        table->RegisterShared(baseName.GetText(), kBaseImageIdleLimit, &LoadBitmapAsset, false);
        entry = table->Find(baseName.GetText());
    }
    const uint32_t reportsBefore = ReportCount();
    table->LoadDirect(entry);
    const CSprite& base = entry->sprite;
    if (!base.HasImage() || ReportCount() != reportsBefore) return Report(kNoBaseImage);

    const char* parameters = name + mark + 2;
    switch (name[mark + 1]) {
        case 'L':
            return ApplyShift(base, parameters, destination, &CSprite::AdjustHSLCopyIfReady, kHslFormat, kHslMemory);
        case 'V':
            return ApplyShift(base, parameters, destination, &CSprite::AdjustHSVCopyIfReady, kHsvFormat, kHsvMemory);
        case 'Y':
            return ApplyShift(base, parameters, destination, &CSprite::AdjustHSLYCopyIfReady, kHslyFormat,
                              kHslyMemory);
        case 'T': return ApplyTone(base, parameters, destination);
        default: return Report(kNoSuchOption);
    }
}

// A .jpg or .png file read whole through the file interface and the stream.
bool LoadThroughStream(const CStr_base<64>& path, CSprite& destination) {
    CQRKGameDataFileReader<CSFile> file;
    if (file.Open(path.GetText(), "rb", IFFile::kAttributeArchive) != IFFile::kOk)
        return ReportPath(kCannotOpenFile, path);

    GDIPLoaderBitmap bitmap;
    {
        IFFile2IStreamAdapter stream(&file);
        QRKStreamStat stat;
        if (stream.Stat(&stat, qrkstream::kStatNoName) != qrkstream::kOk || stat.size > kMaxStreamBytes)
            return ReportPath(kCannotDecode, path);
        const uint32_t size = uint32_t(stat.size);
        std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size != 0 ? size : 1]);
        if (bytes == nullptr) return ReportPath(kCannotDecode, path);
        uint32_t total = 0;
        while (total < size) {
            uint32_t got = 0;
            if (stream.Read(bytes.get() + total, size - total, &got) != qrkstream::kOk || got == 0) break;
            total += got;
        }
        if (total != size || !bitmap.LoadFromMemory(bytes.get(), size)) return ReportPath(kCannotDecode, path);
    }

    const int32_t width = bitmap.GetWidth();
    const int32_t height = bitmap.GetHeight();
    bool created;
    try {
        created = destination.CreateWithinLimits(width, height, false);
    } catch (const std::bad_alloc&) {
        created = false;
    }
    if (!created) return ReportPath(kNoMemoryToOpen, path);
    const uint8_t* row = static_cast<const uint8_t*>(bitmap.GetFirstRow());
    const size_t rowBytes = size_t(width) * 4;
    for (int32_t y = 0; y < height; ++y, row += bitmap.GetStride())
        std::memcpy(destination.PixelAt(0, y), row, rowBytes);
    return true;
}

// Any other name: the .png of that name, decoded by path.
bool LoadPng(const CStr_base<64>& path, CSprite& destination) {
    CStr_base<64> file;
    file.AssignString(path);
    file.Append(".png");
    CUStr_base<64> wide;
    bool loaded = wide.FromCP932(file.GetText(), false);
    if (loaded) {
        wide.DecodeEscapes();  // false only says that there was nothing to decode
        loaded = destination.LoadFromGdiPlus(wide.GetText());
    }
    return loaded || ReportPath(kCannotOpen, file);
}

}  // namespace

bool LoadBitmapAsset(const char* name, CSprite* destination) {
    if (name == nullptr || destination == nullptr) return Report(kBadFileName);
    const int32_t mark = FindLastQuestionMark(name);
    if (mark == 0) return Report(kBadFileName);
    if (mark > 0) {
        if (destination->HasImage()) return Report(kAlreadyAssigned);
        return LoadDerived(name, mark, *destination);
    }
    CStr_base<64> path;
    PicturePath(name, path);
    if (IsImageFileName(name, std::strlen(name))) {
        if (destination->HasImage()) return Report(kAlreadyAssigned);
        return LoadThroughStream(path, *destination);
    }
    return LoadPng(path, *destination);
}

bool PreloadBitmapAsset(const char* name) {
    CStr_base<64> path;
    PicturePath(name != nullptr ? name : "", path);
    return false;
}

bool PlaySE(const char*, int32_t, int32_t, int32_t, int32_t) { return Report(kSeDisabled); }

int32_t PlayBGM(const char* name) {
    if (name == nullptr) return 0;
    Report(kBgmDisabled);
    return -1;
}

int32_t PlaySubBGM(const char* name) {
    if (name == nullptr) return 0;
    Report(kSubBgmDisabled);
    return -1;
}

int32_t PlayMIDI(const char* name) {
    if (name == nullptr) return 0;
    Report(kMidiDisabled);
    return -1;
}

int32_t StopAllSE() {
    Report(kSeDisabled);
    return -1;
}
bool PauseSE() { return Report(kSeDisabled); }
bool ResumeSE() { return Report(kSeDisabled); }
bool MuteSE() { return Report(kSeDisabled); }
bool UnmuteSE() { return Report(kSeDisabled); }

int32_t StopBGM() { return 0; }
int32_t StopSubBGM() { return 0; }
int32_t StopMIDI() { return 0; }
int32_t FadeOutBGM() { return 0; }
