#include "rig/hamlibrigserver.h"
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <hamlib/rig.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Splits "host:port", "[v6]:port" or "host" (default port 4532).
void splitAddress(const QString &address, QString *host, QString *port)
{
    QString a = address.trimmed();
    *port = QStringLiteral("4532");
    if (a.startsWith(QLatin1Char('['))) {
        const int close = a.indexOf(QLatin1Char(']'));
        *host = a.mid(1, close - 1);
        if (close >= 0 && a.mid(close + 1).startsWith(QLatin1Char(':')))
            *port = a.mid(close + 2);
        return;
    }
    const int colon = a.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && a.indexOf(QLatin1Char(':')) == colon) {
        *host = a.left(colon);
        *port = a.mid(colon + 1);
    } else {
        *host = a;
    }
    if (host->isEmpty())
        *host = QStringLiteral("127.0.0.1");
}

bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, int(deadline.remainingTime()));
        if (rc > 0)
            return true;
        if (rc == 0 || errno != EINTR)
            return false;
    }
}

// Connects within the deadline; -1 with errno-based reason on failure.
int connectWithin(const addrinfo *ai, const QDeadlineTimer &deadline, QString *error)
{
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    if (!waitFor(fd, POLLOUT, deadline)) {
        *error = QStringLiteral("connection timed out");
        ::close(fd);
        return -1;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
    if (soError != 0) {
        *error = QString::fromLocal8Bit(std::strerror(soError));
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int RigctldProtocolVersion(const QString &address, int timeoutMs, QString *error)
{
    QString host, port;
    splitAddress(address, &host, &port);

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *list = nullptr;
    const int gai = ::getaddrinfo(host.toLocal8Bit().constData(), port.toLocal8Bit().constData(), &hints, &list);
    if (gai != 0) {
        *error = QStringLiteral("%1: %2").arg(address, QString::fromLocal8Bit(gai_strerror(gai)));
        return -1;
    }

    const QDeadlineTimer deadline(timeoutMs);
    int fd = -1;
    QString reason;
    for (addrinfo *ai = list; ai && fd < 0; ai = ai->ai_next)
        fd = connectWithin(ai, deadline, &reason);
    ::freeaddrinfo(list);
    if (fd < 0) {
        *error = QStringLiteral("%1: %2").arg(address, reason);
        return -1;
    }

    static const char request[] = "\\dump_state\n";
    int version = -1;
    if (::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) == ssize_t(sizeof request - 1)) {
        QByteArray line;
        char buf[256];
        while (!line.contains('\n') && line.size() < 64 && waitFor(fd, POLLIN, deadline)) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            line.append(buf, int(n));
        }
        if (line.contains('\n')) {
            bool ok = false;
            const int v = line.left(line.indexOf('\n')).trimmed().toInt(&ok);
            if (ok && v >= 0)
                version = v;
        }
    }
    ::close(fd);
    if (version < 0)
        *error = QStringLiteral("%1: no answer from rigctld").arg(address);
    return version;
}

int RigModeFromHamlib(quint64 m)
{
    switch (m) {
    case RIG_MODE_CW:
    case RIG_MODE_CWN:
        return RigModeCwU;
    case RIG_MODE_CWR:
        return RigModeCwL;
    case RIG_MODE_USB:
        return RigModeUsb;
    case RIG_MODE_LSB:
        return RigModeLsb;
    case RIG_MODE_PKTUSB:
    case RIG_MODE_RTTYR:
    case RIG_MODE_PSK:
    case RIG_MODE_PKTFM:
    case RIG_MODE_PKTFMN:
    case RIG_MODE_PKTAM:
        return RigModeDigU;
    case RIG_MODE_PKTLSB:
    case RIG_MODE_RTTY:
    case RIG_MODE_PSKR:
        return RigModeDigL;
    case RIG_MODE_AM:
    case RIG_MODE_AMN:
    case RIG_MODE_AMS:
    case RIG_MODE_SAM:
        return RigModeAm;
    case RIG_MODE_FM:
    case RIG_MODE_FMN:
    case RIG_MODE_WFM:
        return RigModeFm;
    default:
        return 0;
    }
}

HamlibRigServer::HamlibRigServer(const QString &address, int timeoutMs)
    : m_address(address), m_timeoutMs(timeoutMs > 0 ? timeoutMs : 2000)
{
    // Hamlib's network rig, while it reads rigctld's state, switches LC_NUMERIC
    // to "C" and back, restoring from the name that the switch itself frees
    // (and doing it from the worker thread). With LC_NUMERIC already "C" both
    // switches change nothing. This program formats numbers through Qt, which
    // does not read the C library's numeric locale. Done here because the link
    // creates its server on the caller's thread, before any worker runs Hamlib.
    const char *numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric || std::strcmp(numeric, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
}

HamlibRigServer::~HamlibRigServer()
{
    close();
}

static qint64 monotonicMs()
{
    static QElapsedTimer clock;
    static const bool started = (clock.start(), true);
    Q_UNUSED(started);
    return clock.elapsed();
}

bool HamlibRigServer::connectRig(QString *error)
{
    close();
    m_lastAttemptMs = monotonicMs();

    // Hamlib's own connect has no time limit: check first, with one, that
    // rigctld is there, and learn its protocol version on the way.
    const int protocol = RigctldProtocolVersion(m_address, m_timeoutMs, error);
    if (protocol < 0)
        return false;
    m_version = 0x100 + protocol;

    rig_set_debug(RIG_DEBUG_NONE);
    RIG *rig = rig_init(RIG_MODEL_NETRIGCTL);
    if (!rig) {
        *error = QStringLiteral("Hamlib cannot create its network rig");
        return false;
    }
    const QByteArray path = m_address.toLocal8Bit();
    const QByteArray timeout = QByteArray::number(m_timeoutMs);
    rig_set_conf(rig, rig_token_lookup(rig, "rig_pathname"), path.constData());
    rig_set_conf(rig, rig_token_lookup(rig, "timeout"), timeout.constData());
    rig_set_conf(rig, rig_token_lookup(rig, "retry"), "0");
    const int rc = rig_open(rig);
    if (rc != RIG_OK) {
        *error = QStringLiteral("%1: %2").arg(m_address, QString::fromLocal8Bit(rigerror(rc)).trimmed());
        rig_cleanup(rig);
        return false;
    }
    // Ask the radio every time: a cached answer would hide a radio that went away.
    rig_set_cache_timeout_ms(rig, HAMLIB_CACHE_ALL, 0);
    m_rig = rig;
    return true;
}

bool HamlibRigServer::open(QString *error)
{
    // A write to a rigctld that has gone away must fail with EPIPE rather than
    // end the program; the signal goes to the writing thread, which is this one.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    QString reason;
    const bool ok = connectRig(&reason);
    if (!ok && error)
        *error = reason;
    return ok;
}

RigReading HamlibRigServer::readRig(int rigNumber)
{
    RigReading r;
    if (rigNumber != 1)
        return r; // rigctld serves one radio

    r.status = RigStatusNotResponding;
    if (!m_rig) {
        // Lost earlier: try again now and then, not on every round.
        if (monotonicMs() - m_lastAttemptMs < 2000)
            return r;
        QString ignored;
        if (!connectRig(&ignored))
            return r;
    }

    freq_t freq = 0;
    rmode_t mode = RIG_MODE_NONE;
    pbwidth_t width = 0;
    int rc = rig_get_freq(m_rig, RIG_VFO_CURR, &freq);
    if (rc == RIG_OK)
        rc = rig_get_mode(m_rig, RIG_VFO_CURR, &mode, &width);
    if (rc != RIG_OK) {
        // rigctld answering with an error code means the radio behind it did
        // not answer; anything else means the connection itself is gone.
        if (rc != -RIG_ETIMEOUT && rc != -RIG_ERJCTED && rc != -RIG_ENAVAIL)
            close();
        return r;
    }
    r.status = RigStatusOnline;
    r.freqHz = std::llround(freq);
    r.mode = RigModeFromHamlib(mode);
    return r;
}

void HamlibRigServer::close()
{
    if (!m_rig)
        return;
    RIG *rig = m_rig;
    m_rig = nullptr;
    rig_close(rig);
    rig_cleanup(rig);
}
