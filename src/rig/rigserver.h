#pragma once
#include "rig/rigvalues.h"
#include <QMetaType>
#include <QString>

// One reading of a rig: status, receive frequency in Hz and mode value.
struct RigReading {
    int status = RigStatusNotConfigured;
    qint64 freqHz = 0;
    int mode = 0;

    bool operator==(const RigReading &o) const
    {
        return status == o.status && freqHz == o.freqHz && mode == o.mode;
    }
    bool operator!=(const RigReading &o) const { return !(*this == o); }
};
Q_DECLARE_METATYPE(RigReading)

// The server that talks to the radios. Its calls may block for as long as the
// radio or the network takes, so the link makes them only on its worker
// thread, and all of them on that same thread.
class RigServer {
public:
    virtual ~RigServer() = default;

    // Connects to the server. On failure returns false with a reason.
    virtual bool open(QString *error) = 0;
    // Interface version of the connected server.
    virtual int interfaceVersion() const = 0;
    // Current state of rig 1 or 2. A rig that does not answer is reported with
    // a status other than online, never as an error.
    virtual RigReading readRig(int rigNumber) = 0;
    // Ends the connection; never fails.
    virtual void close() = 0;
};
