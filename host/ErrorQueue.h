#pragma once
// The host's error queue: components report texts instead of showing boxes;
// the frame loop shows what is pending in one box, each distinct text once per
// run. A batch holding a fatal report ends the program.
#include <cstdint>
#include <mutex>

#include "foundation/containers/StrArray.h"
#include "foundation/maps/Map.h"

class CQRKErrorQueue {
public:
    CQRKErrorQueue();
    ~CQRKErrorQueue();
    CQRKErrorQueue(const CQRKErrorQueue&) = delete;
    CQRKErrorQueue& operator=(const CQRKErrorQueue&) = delete;

    // Cleared by the host's start-up; set by a fatal report, never cleared after.
    void ClearFatal();
    bool IsFatal() const;

    // The shown set keeps at most this many texts. Past it, new texts are
    // dropped at once and one notice says so (each distinct text would
    // otherwise cost memory for the rest of the run); a fatal report that is
    // dropped this way still ends the program at the next display.
    static constexpr uint32_t kShownLimit = 4096;

    // Texts longer than this are cut on a character boundary and marked.
    static constexpr uint32_t kMaxTextBytes = 900;

    // Queues a code-page-932 text (any thread). Nothing is shown before the
    // next display. A text already shown is dropped, fatal or not.
    void ReportError(const char* text, bool fatal);

    bool HasPending() const;

    // Reports received so far, counting texts dropped as already shown: a
    // caller compares two readings to learn whether anything reported in
    // between, even a text the queue will not show again.
    uint32_t GetReportCount() const;

    // Shows the pending texts in one message box over `owner` and empties the
    // pending list. True when the program must end now (a fatal batch, or the
    // user answered No); the caller then runs its Quit.
    bool Display(void* owner);

private:
    struct State;
    State* m_state;
};
