// qdxrender: renders one object of a document and writes its canvas as PNG,
// without a window.
//
//   qdxrender [--fast] DOCUMENT.qdx OBJECT OUT.png
//
// The arguments are UTF-8 (as the shell passes them); the document's file name
// and the object name are turned into code page 932, the program's own text.
// The renderer's messages (code page 932) go to standard error as UTF-8.
// Exit status: 0 when the object rendered and the PNG was written, 2 for a
// usage error, 1 for any other failure.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "imagefiles/GdiPlus.h"
#include "platform/Cp932.h"
#include "platform/Utf8.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void PrintUsage() {
    std::fputs("usage: qdxrender [--fast] DOCUMENT.qdx OBJECT OUT.png\n", stderr);
}

// UTF-8 to code page 932; false for text that is not UTF-8 or has a character
// code page 932 lacks.
bool ToCp932(const char* utf8, std::string& out) {
    std::u16string wide;
    if (!platform::Utf8ToUtf16(utf8, std::strlen(utf8), wide)) return false;
    std::string bytes(platform::Utf16ToCp932MaxBytes(wide.size()), '\0');
    bool usedDefault = false;
    const ptrdiff_t n = platform::Utf16ToCp932(wide.data(), wide.size(), bytes.data(), bytes.size(), &usedDefault);
    if (n < 0 || usedDefault) return false;
    bytes.resize(static_cast<size_t>(n));
    out = std::move(bytes);
    return true;
}

// Code page 932 to UTF-8 for the terminal; bytes that do not decode are passed
// on as they are.
std::string ToUtf8(const char* cp932) {
    const size_t length = std::strlen(cp932);
    std::u16string wide(platform::Cp932DecodedLength(cp932, length), u'\0');
    const ptrdiff_t n = platform::Cp932ToUtf16(cp932, length, wide.data(), wide.size());
    std::string out;
    if (n < 0 || !platform::Utf16ToUtf8(wide.data(), static_cast<size_t>(n), out)) return cp932;
    return out;
}

const char* LoadFailure(int32_t code) {
    switch (code) {
    case 1:
        return "cannot be opened";
    case 2:
        return "is too large or memory is short";
    case 3:
        return "cannot be read whole";
    default:
        return "is not a readable document";
    }
}

// Writes the canvas as 8-bit RGBA PNG (rows packed for the writer).
bool WritePng(const CSprite& canvas, const char* utf8Path) {
    std::u16string path;
    if (!platform::Utf8ToUtf16(utf8Path, std::strlen(utf8Path), path)) return false;
    const int32_t width = canvas.GetWidth();
    const int32_t height = canvas.GetHeight();
    if (width < 1 || height < 1 || canvas.GetPixels() == nullptr) return false;
    if (canvas.GetStride() == width) return GDIPlusDLL::SavePng32(path.c_str(), canvas.GetPixels(), width, height);
    std::vector<uint32_t> packed(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(&packed[static_cast<size_t>(y) * static_cast<size_t>(width)], canvas.PixelAt(0, y),
                    static_cast<size_t>(width) * sizeof(uint32_t));
    return GDIPlusDLL::SavePng32(path.c_str(), packed.data(), width, height);
}

int Run(int argc, char** argv) {
    int first = 1;
    bool fast = false;
    if (argc > 1 && std::strcmp(argv[1], "--fast") == 0) {
        fast = true;
        first = 2;
    }
    if (argc - first != 3) {
        PrintUsage();
        return kUsage;
    }
    for (int i = first; i < argc; ++i)
        if (argv[i][0] == '\0' || (argv[i][0] == '-' && argv[i][1] == '-')) {
            PrintUsage();
            return kUsage;
        }
    const char* documentPath = argv[first];
    const char* objectName = argv[first + 1];
    const char* pngPath = argv[first + 2];

    if (!InitRasterLibrary(1)) {
        std::fputs("qdxrender: the raster library cannot be started\n", stderr);
        return kFailed;
    }
    std::string path;
    std::string name;
    if (!ToCp932(documentPath, path) || !ToCp932(objectName, name)) {
        std::fputs("qdxrender: a name has characters the document's text cannot hold\n", stderr);
        return kFailed;
    }
    CQDXCtrl document;
    const int32_t loaded = document.LoadFile(path.c_str());
    if (loaded != 0) {
        std::fprintf(stderr, "qdxrender: %s %s\n", documentPath, LoadFailure(loaded));
        return kFailed;
    }
    auto* element = document.Objects.Find(name.c_str());
    if (element == nullptr) {
        std::fprintf(stderr, "qdxrender: %s has no object \"%s\"\n", documentPath, objectName);
        return kFailed;
    }
    QDXObject& object = element->GetValue();
    CStr_base<64> messages;
    const bool rendered = object.Render(fast, &messages);
    if (!messages.IsEmpty()) std::fputs(ToUtf8(messages.GetText()).c_str(), stderr);
    if (!rendered) {
        std::fprintf(stderr, "qdxrender: \"%s\" could not be rendered\n", objectName);
        return kFailed;
    }
    if (!WritePng(object.Canvas, pngPath)) {
        std::fprintf(stderr, "qdxrender: %s could not be written\n", pngPath);
        return kFailed;
    }
    return kSucceeded;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
