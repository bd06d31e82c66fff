#pragma once
// Input devices and logical inputs: the keyboard and mouse read from the host's
// input tables, a player device that reads nothing, and sixteen game pads that
// are never connected; numbered logical inputs bound to their buttons and axes.
#include "host/HostInput.h"

class CQRKInputMgr {
public:
    CQRKInputMgr();
    ~CQRKInputMgr();
    CQRKInputMgr(const CQRKInputMgr&) = delete;
    CQRKInputMgr& operator=(const CQRKInputMgr&) = delete;

    // The host's tables that the keyboard and the mouse read (null: they fail
    // to poll).
    void SetHostTables(QRKHostInputTables* tables);
};
