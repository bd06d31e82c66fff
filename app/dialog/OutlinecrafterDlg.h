#pragma once
// COutlinecrafterDlg: the program's main dialog, derived from the host. It
// holds the scenes, makes the start-up scene current before the host starts,
// and gives the window its title.
//
// Until the editor exists, the start-up scene hands over to an empty scene on
// its tenth update, and there is no document: the title names an untitled one.
#include <cstdint>

#include "foundation/strings/Str.h"
#include "host/Scene.h"
#include "host/StartupScene.h"
#include "host/WindowCtrl.h"

namespace platform {
class QtHostWindow;
}

// The scene that stands where the editor will be: nothing to update or draw.
class SC_Empty final : public IScene {};

class COutlinecrafterDlg : public CQRKWindowCtrl {
public:
    explicit COutlinecrafterDlg(platform::QtHostWindow& window);
    ~COutlinecrafterDlg() override;

    // Shows the window, initialises the dialog and runs its modal loop until
    // Quit; returns the result (the cancel result after Quit).
    int32_t DoModal();

    // The main dialog's shutdown. Asking to save a modified document comes
    // with the editor; until then it is the host's own sequence.
    void Quit() override;
    // "FPS:%d WAIT:%d " (whatever the FPS-info mode), the document title (or
    // "無題"), " *" when modified, " - Tarn Outline Crafter Tool".
    void MakeTitle(CStr_base<64>& out, int32_t presents, int32_t updates, int32_t wait) override;

    // The document shown in the title (code page 932; empty: untitled).
    void SetDocumentTitle(const char* title) { m_documentTitle.Assign(title); }
    void SetDocumentModified(bool modified) noexcept { m_modified = modified; }

    SC_Startup& GetStartupScene() noexcept { return m_startup; }
    SC_Empty& GetEmptyScene() noexcept { return m_empty; }

private:
    void OnInitDialog();

    platform::QtHostWindow& m_hostWindow;
    SC_Empty m_empty;
    SC_Startup m_startup;
    CStr_base<64> m_documentTitle;
    bool m_modified = false;
};
