#pragma once
// Message boxes on Qt: the presenter that the program installs (see
// platform/MessageBox.h). The buttons carry the Japanese texts of the system's
// boxes; Escape and the close box answer the box's cancel button when it has
// one.
#include "platform/MessageBox.h"

namespace platform {

class QtMessageBoxPresenter final : public IMessageBoxPresenter {
public:
    int32_t Show(void* owner, const char16_t* text, const char16_t* caption, uint32_t type) override;
};

}  // namespace platform
