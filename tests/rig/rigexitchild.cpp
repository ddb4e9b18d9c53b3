// A program that ends while its rig worker may still be stuck in a server
// call. Run by tst_riglink, which checks how it ends.
//   rigexitchild fake <boundMs>            the fake server never answers a read
//   rigexitchild silent <boundMs> <hamlibTimeoutMs>
//                                          rigctld's port accepts and never answers
// Prints "finished" or "stuck" (what the wait at the end found) and exits 0.
#include "fakerigserver.h"
#include "rig/hamlibrigserver.h"
#include "rig/rigcontroller.h"
#include "rig/riglink.h"
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Destroyed after main() returns: should a worker still be waiting in the
// fake server then, the program tore itself down under a running worker.
struct ExitWatch {
    std::shared_ptr<FakeRigState> state;
    ~ExitWatch()
    {
        if (state && state->get(&FakeRigState::waitingAtGate)) {
            std::fprintf(stderr, "static objects destroyed under a stuck rig worker\n");
            std::abort();
        }
    }
};
ExitWatch watch;

bool runEventsUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A loopback port that takes connections and never says a word.
int silentListener(int *port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        return -1;
    *port = ntohs(a.sin_port);
    return fd;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const int boundMs = args[2].toInt();
    auto controller = std::make_unique<RigController>();
    controller->setPollInterval(20);
    int listener = -1;

    if (args[1] == QLatin1String("fake")) {
        watch.state = std::make_shared<FakeRigState>();
        controller->setServerFactory([s = watch.state] { return std::make_unique<FakeRigServer>(s); });
        bool linked = false;
        QObject::connect(controller.get(), &RigController::paramsChanged, [&linked] { linked = true; });
        controller->StartRigLink();
        if (!runEventsUntil([&] { return linked; }, 10000))
            return 3;
        watch.state->closeGates(false, true);
        if (!runEventsUntil([&] { return watch.state->get(&FakeRigState::waitingAtGate); }, 10000))
            return 4;
    } else if (args[1] == QLatin1String("silent") && args.size() >= 4) {
        int port = 0;
        listener = silentListener(&port);
        if (listener < 0)
            return 5;
        const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
        const int hamlibTimeout = args[3].toInt();
        controller->setServerFactory(
            [address, hamlibTimeout] { return std::make_unique<HamlibRigServer>(address, hamlibTimeout); });
        controller->StartRigLink();
        // The worker has connected once its connection is there to take.
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1)
            return 6;
        const int peer = ::accept(listener, nullptr, nullptr);
        Q_UNUSED(peer);   // held open, never answered
    } else {
        return 2;
    }

    // The window closes: the link goes, and the program ends.
    controller.reset();
    const bool finished = RigLink::waitForWorkers(boundMs);
    std::printf("%s\n", finished ? "finished" : "stuck");
    return RigLink::finishWorkersAtExit(0, 0);
}
