// The base window procedure and the manager's default answers.
#include <algorithm>
#include <cstdio>

#include "windows/WndMgr.h"

namespace {

// "不明なメッセージを受信しました。message=%u,param1=%u,param2=%u"
constexpr const char kUnknownMessage[] =
    "\x95\x73\x96\xbe\x82\xc8\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57\x82\xf0\x8e\xf3\x90\x4d\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd\x81\x42message=%u,param1=%u,param2=%u";

}  // namespace

int32_t IQRKWnd::OnMessage(IQRKWnd* sender, uint32_t code, int32_t first, int32_t second, int32_t* point) {
    if (code >= kQRKMsgBroadcastFirst || code == kQRKMsgParentMoved) {
        // To the later siblings (from the tail, the order in which a
        // "next sibling first" forward finishes them), each passing it into
        // its own lists only, then into this window's lists.
        if (!m_inSiblingWalk && m_next != nullptr) {
            IQRKWnd* w = m_next;
            while (w->m_next != nullptr) w = w->m_next;
            for (;;) {
                IQRKWnd* prev = w->m_prev;
                w->m_inSiblingWalk = true;
                w->OnMessage(sender, code, first, second, point);
                w->m_inSiblingWalk = false;
                if (w == m_next || prev == nullptr || prev == this) break;
                w = prev;
            }
        }
        for (IQRKWnd* head : {m_firstChild, m_firstOwned, m_firstAttached})
            if (head != nullptr) head->OnMessage(sender, code, first, second, point);
    } else if ((code == kQRKMsgMouseMoved || code == kQRKMsgWheel) && m_parent != nullptr &&
               GetLinkType() == kQRKLinkChild) {
        int32_t p[2] = {0, 0};
        if (point != nullptr) {
            p[0] = point[0];
            p[1] = point[1];
        }
        tagPOINT q{p[0], p[1]};
        m_parent->ClientToParent(&q);
        p[0] = q.x;
        p[1] = q.y;
        return m_parent->OnMessage(this, code, first, second, point != nullptr ? p : nullptr);
    }
    if (m_manager == nullptr) return code >= kQRKMsgSystemFirst ? (code == kQRKMsgHitAccept ? m_visible : 1) : 0;
    return m_manager->DefaultMessage(this, sender, code, first, second, point);
}

int32_t CQRKWndMgr::DefaultMessage(IQRKWnd* window, IQRKWnd*, uint32_t code, int32_t first, int32_t second,
                                   int32_t*) {
    if (code >= kQRKMsgSystemFirst) return code == kQRKMsgHitAccept ? (window->IsVisible() ? 1 : 0) : 1;
    // Each code is reported once: with its parameters in the text, every new
    // pair would be another text the error queue keeps for the whole run.
    auto it = std::lower_bound(m_reportedCodes.begin(), m_reportedCodes.end(), code);
    if (it == m_reportedCodes.end() || *it != code) {
        m_reportedCodes.insert(it, code);
        char text[160];
        std::snprintf(text, sizeof text, kUnknownMessage, code, uint32_t(first), uint32_t(second));
        ReportError(text, false);
    }
    return 0;
}
