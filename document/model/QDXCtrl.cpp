#include "document/model/QDXCtrl.h"

#include <cstring>

#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr char kPrevObjectName[] = "_PrevObject";
constexpr char kTemplatePrefix[] = "_Template";
constexpr size_t kTemplatePrefixLength = sizeof kTemplatePrefix - 1;

// "メモリが不足しています" (out of memory), code page 932.
constexpr char kOutOfMemoryText[] =
    "\x83\x81\x83\x82\x83\x8A\x82\xAA\x95\x73\x91\xAB\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7";

}  // namespace

CQDXCtrl::CQDXCtrl() {
    PaletteTables = Palette.Alloc(1);
    // The template names first, then "_PrevObject"; the names are valid and the
    // map is empty, so none is refused.
    CreateBuiltInObject("_Template1", BuiltInObjectRender, nullptr);
    CreateBuiltInObject("_Template2", BuiltInObjectRender, nullptr);
    CreateBuiltInObject("_Template3", BuiltInObjectRender, nullptr);
    CreateBuiltInObject("_Template4", BuiltInObjectRender, nullptr);
    CreateBuiltInObject(kPrevObjectName, BuiltInObjectRender, nullptr);
}

bool CQDXCtrl::CreateBuiltInObject(const char* name, QDXRenderCallback callback, void* context) {
    if (!IsValidObjectName(name)) return false;
    QDXObject* object = nullptr;
    if (!Objects.Insert(name, &object)) return false;

    object->Kind = QDXObject::kBuiltIn;
    object->ScaleX = object->ScaleY = object->ScaleThickness = 1.0;
    object->Factors.RemoveAll();
    object->Width = object->Height = 2;
    if (!IsRasterReady()) {
        object->Canvas.Release();  // the first drawing makes it
    } else if (object->Canvas.RecreateIfReady(1, 1)) {
        // 1 x 1, pixel 0, whole-image clip, no block mask; an existing block
        // that holds the pixel is kept.
        object->Width = object->Height = 1;
    }
    object->LinkPath.SetLength(0);
    object->Background = 0;
    object->RenderState = QDXObject::kNotDrawn;
    object->DrawnFast = false;
    object->CacheActive = false;
    object->Name.Assign(name);
    object->Owner = this;
    object->RenderCallback = callback;
    object->CallbackContext = context;
    return true;
}

QDXObject* CQDXCtrl::FindObject(const char* name, const CStr_base<64>* templateNames, const char* previousName) {
    auto* element = Objects.Find(ResolveReferenceName(name, templateNames, previousName));
    return element != nullptr ? &element->GetValue() : nullptr;
}

bool CQDXCtrl::DeleteObject(const char* name) {
    auto* element = Objects.Find(name);
    if (element == nullptr || element->GetValue().Kind == QDXObject::kBuiltIn) return false;
    // Out of the map first: the name may be the object's own Name, which the
    // release frees. The element stays where it is, so the object is still there
    // to be released.
    QDXObject& object = element->GetValue();
    Objects.Remove(name);
    object.ReleaseAll();
    return true;
}

bool CQDXCtrl::RenderObject(const char* name, CSprite** canvas, bool fast, CStr_base<64>* errorText) {
    auto* element = Objects.Find(name);
    if (element == nullptr) return false;
    QDXObject& object = element->GetValue();
    if (canvas != nullptr) *canvas = &object.Canvas;
    return object.Render(fast, errorText);
}

void CQDXCtrl::RemoveAllObjects() {
    // The map's safe walk moves on before the element it hands out is removed.
    Objects.ForEach([this](const char* key, QDXObject& object) {
        if (object.Kind == QDXObject::kBuiltIn) return;
        object.ReleaseAll();
        Objects.Remove(key);
    });
}

void CQDXCtrl::Clear() {
    PaletteTables->ClearTables();
    PaletteTables->ReleaseStrips();
    RemoveAllObjects();
    MetaData.Free();
    BaseFolder.Free();
    EditedFactor = nullptr;
}

void CQDXCtrl::FreeCachedSprites() {
    Objects.ForEach([](const char*, QDXObject& object) { object.FreeCacheSprites(); });
}

bool BuiltInObjectRender(QDXObject* object, bool /*fast*/, CStr_base<64>* errorText) {
    if (IsRasterReady()) {
        // Reuses the pixel storage when it holds the pixel.
        if (object->Canvas.RecreateIfReady(1, 1)) {
            object->Width = object->Height = 1;
            object->RenderState = QDXObject::kNotDrawn;
            object->Canvas.FillRect(0, 0, 1, 1, 0);
            return true;
        }
    }
    if (errorText == nullptr) return true;
    errorText->Assign(kOutOfMemoryText);
    return false;
}

bool IsValidObjectName(const char* name) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    while (*p != 0) {
        const unsigned char c = *p;
        if (IsCp932Lead(c)) {
            if (p[1] == 0) break;  // a lead byte at the end ends the scan
            p += 2;
            continue;
        }
        switch (c) {
            case '/':
            case '*':
            case '?':
            case '=':
            case ',':
            case '\'':
            case '"':
            case '\\':
                return false;
            default:
                ++p;
        }
    }
    return true;
}

bool IsPrevObjectName(const char* name) noexcept { return std::strcmp(name, kPrevObjectName) == 0; }

int32_t TemplateNameIndex(const char* name) noexcept {
    if (std::strncmp(name, kTemplatePrefix, kTemplatePrefixLength) != 0) return 0;
    const char digit = name[kTemplatePrefixLength];
    return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

const char* ResolveReferenceName(const char* name, const CStr_base<64>* templateNames, const char* previousName) {
    if (IsPrevObjectName(name)) return previousName != nullptr ? previousName : name;
    if (templateNames != nullptr) {
        if (const int32_t index = TemplateNameIndex(name)) return templateNames[index - 1].GetText();
    }
    return name;
}

void PrefixReferenceName(const char* prefix, CStr_base<64>& name) {
    if (name.IsEmpty() || IsPrevObjectName(name.GetText()) || TemplateNameIndex(name.GetText()) != 0) return;
    CStr_base<64> scratch;
    name.Insert(prefix, 0, scratch);
}
