#include "app/dialog/OutlinecrafterDlg.h"

#include "platform/qt/QtHostWindow.h"

namespace {
constexpr char kUntitled[] = "\x96\xB3\x91\xE8";  // 無題
constexpr char kTitleTail[] = " - Tarn Outline Crafter Tool";
}  // namespace

COutlinecrafterDlg::COutlinecrafterDlg(platform::QtHostWindow& window)
    : CQRKWindowCtrl(window), m_hostWindow(window), m_startup(*this, &m_empty) {
    m_hostWindow.SetClient(this);
}

COutlinecrafterDlg::~COutlinecrafterDlg() { m_hostWindow.SetClient(nullptr); }

int32_t COutlinecrafterDlg::DoModal() {
    return m_hostWindow.RunModal([this] { OnInitDialog(); });
}

void COutlinecrafterDlg::OnInitDialog() {
    SetStartScene(&m_startup);
    Initialize();
}

void COutlinecrafterDlg::Quit() { CQRKWindowCtrl::Quit(); }

void COutlinecrafterDlg::MakeTitle(CStr_base<64>& out, int32_t presents, int32_t, int32_t wait) {
    out.Format("FPS:%d WAIT:%d ", presents, wait);
    out.Append(m_documentTitle.GetLength() != 0 ? m_documentTitle.GetText() : kUntitled);
    if (m_modified) out.Append(" *");
    out.Append(kTitleTail);
}
