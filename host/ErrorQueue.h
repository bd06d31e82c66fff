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

    // Queues a code-page-932 text (any thread). Nothing is shown before the
    // next display.
    void ReportError(const char* text, bool fatal);

    bool HasPending() const;

    // Shows the pending texts in one message box over `owner` and empties the
    // pending list. True when the program must end now (a fatal batch, or the
    // user answered No); the caller then runs its Quit.
    bool Display(void* owner);

private:
    struct State;
    State* m_state;
};
