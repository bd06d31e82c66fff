// The font service. (Being built: no face opens yet.)
#include "platform/fonts/FontEngine.h"

#include <utility>

namespace platform {

struct FontEngine::State {};
FontEngine::FontEngine() : m_state(std::make_unique<State>()) {}
FontEngine::~FontEngine() = default;
std::unique_ptr<FontFace> FontEngine::Open(const FontRequest&) { return nullptr; }
bool FontEngine::FaceCoversLanguage(const std::string&, const char*) { return false; }

}  // namespace platform
