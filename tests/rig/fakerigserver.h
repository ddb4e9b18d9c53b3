#pragma once
#include "rig/rigserver.h"
#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>
#include <memory>

// A rig server driven by the test. The state is shared between the test's
// thread, which changes it, and the link's worker thread, which reads it.
struct FakeRigState {
    mutable QMutex mutex;
    QWaitCondition released;

    bool openOk = true;
    int version = 0x101;
    RigReading rigs[2] = {{RigStatusOnline, 14074000, RigModeUsb}, {RigStatusNotConfigured, 0, 0}};

    // While a gate is closed, calls wait for the test to open it (at most 20 s,
    // after which gateTimedOut tells that nobody opened it).
    bool openGateClosed = false;
    bool readGateClosed = false;
    bool gateTimedOut = false;
    bool waitingAtGate = false;

    int opens = 0;
    int reads = 0;
    int closes = 0;
    int alive = 0; // fake servers not yet destroyed

    void set(int rig, const RigReading &r)
    {
        QMutexLocker lock(&mutex);
        rigs[rig - 1] = r;
    }
    void closeGates(bool open, bool read)
    {
        QMutexLocker lock(&mutex);
        openGateClosed = open;
        readGateClosed = read;
    }
    void openGates()
    {
        QMutexLocker lock(&mutex);
        openGateClosed = readGateClosed = false;
        released.wakeAll();
    }
    template <typename T> T get(T FakeRigState::*member) const
    {
        QMutexLocker lock(&mutex);
        return this->*member;
    }

    // Called with the mutex held.
    void pass(bool FakeRigState::*gate)
    {
        QDeadlineTimer deadline(20000);
        while (this->*gate) {
            waitingAtGate = true;
            if (!released.wait(&mutex, deadline)) {
                gateTimedOut = true;
                break;
            }
        }
        waitingAtGate = false;
    }
};

class FakeRigServer : public RigServer {
public:
    explicit FakeRigServer(std::shared_ptr<FakeRigState> state) : m_state(std::move(state))
    {
        QMutexLocker lock(&m_state->mutex);
        ++m_state->alive;
    }
    ~FakeRigServer() override
    {
        QMutexLocker lock(&m_state->mutex);
        --m_state->alive;
    }

    bool open(QString *error) override
    {
        QMutexLocker lock(&m_state->mutex);
        ++m_state->opens;
        m_state->pass(&FakeRigState::openGateClosed);
        if (!m_state->openOk)
            *error = QStringLiteral("connection refused");
        return m_state->openOk;
    }
    int interfaceVersion() const override
    {
        QMutexLocker lock(&m_state->mutex);
        return m_state->version;
    }
    RigReading readRig(int rigNumber) override
    {
        QMutexLocker lock(&m_state->mutex);
        ++m_state->reads;
        m_state->pass(&FakeRigState::readGateClosed);
        return m_state->rigs[rigNumber - 1];
    }
    void close() override
    {
        QMutexLocker lock(&m_state->mutex);
        ++m_state->closes;
    }

private:
    std::shared_ptr<FakeRigState> m_state;
};
