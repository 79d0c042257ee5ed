#include "NetnsPair.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char *const ThreadNetns = "/proc/thread-self/ns/net";

unsigned long inodeOf(const char *path) {
    struct stat st {};
    return ::stat(path, &st) == 0 ? static_cast<unsigned long>(st.st_ino) : 0;
}

unsigned long inodeOfFd(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<unsigned long>(st.st_ino) : 0;
}

QString errnoText(const char *what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

bool NetnsPair::setUp(const Options &options, QString *why) {
    tearDown();
    FOptions = options;
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        tearDown();
        return false;
    };
    FIp = QStandardPaths::findExecutable(QStringLiteral("ip"),
                                         {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                          QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    if (FIp.isEmpty())
        return fail(QStringLiteral("the ip program is not installed"));
    FHostFd = ::open(ThreadNetns, O_RDONLY | O_CLOEXEC);
    if (FHostFd < 0)
        return fail(errnoText("open own network namespace"));
    FHostInode = inodeOfFd(FHostFd);

    for (int side = 0; side < 2; ++side) {
        if (::unshare(CLONE_NEWNET) != 0)
            return fail(errnoText("unshare(CLONE_NEWNET)"));
        FFd[side] = ::open(ThreadNetns, O_RDONLY | O_CLOEXEC);
        const int saved = errno;
        if (::setns(FHostFd, CLONE_NEWNET) != 0)
            ::abort(); // never go on in a namespace that is not the host's nor ours
        errno = saved;
        if (FFd[side] < 0)
            return fail(errnoText("open new network namespace"));
        FInode[side] = inodeOfFd(FFd[side]);
    }
    if (FInode[Tool] == FHostInode || FInode[Devices] == FHostInode)
        return fail(QStringLiteral("new network namespaces look like the host's"));

    const QString prefix = QStringLiteral("/%1").arg(options.prefixLength);
    const QString devicesPath = QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(FFd[Devices]);
    if (!runOrFail(Tool,
                   {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                    QStringLiteral("up")},
                   why) ||
        !runOrFail(Devices,
                   {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                    QStringLiteral("up")},
                   why) ||
        !runOrFail(Tool,
                   {QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("vtool"),
                    QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"),
                    QStringLiteral("name"), QStringLiteral("vdev"), QStringLiteral("netns"),
                    devicesPath},
                   why) ||
        !runOrFail(Tool,
                   {QStringLiteral("addr"), QStringLiteral("add"), options.toolAddress + prefix,
                    QStringLiteral("dev"), QStringLiteral("vtool")},
                   why) ||
        !runOrFail(Tool,
                   {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("vtool"),
                    QStringLiteral("up")},
                   why))
        return fail(why ? *why : QString());
    for (const QString &a : options.deviceAddresses) {
        if (!runOrFail(Devices,
                       {QStringLiteral("addr"), QStringLiteral("add"), a + prefix,
                        QStringLiteral("dev"), QStringLiteral("vdev")},
                       why))
            return fail(why ? *why : QString());
    }
    if (!runOrFail(Devices,
                   {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("vdev"),
                    QStringLiteral("up")},
                   why))
        return fail(why ? *why : QString());
    if (options.defaultRoute &&
        !runOrFail(Tool,
                   {QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("default"),
                    QStringLiteral("dev"), QStringLiteral("vtool")},
                   why))
        return fail(why ? *why : QString());
    if (!options.toolPingGroupRange.isEmpty() &&
        !setPingGroupRange(Tool, options.toolPingGroupRange))
        return fail(QStringLiteral("cannot set net.ipv4.ping_group_range"));
    return true;
}

void NetnsPair::tearDown() {
    for (int &fd : FFd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    if (FHostFd >= 0)
        ::close(FHostFd);
    FHostFd = -1;
}

bool NetnsPair::callerInside(Side side) const {
    return FInode[side] != 0 && inodeOf(ThreadNetns) == FInode[side];
}

bool NetnsPair::callerInHost() const {
    return FHostInode != 0 && inodeOf(ThreadNetns) == FHostInode;
}

NetnsPair::Scope::Scope(const NetnsPair &pair, Side side) {
    if (pair.FFd[side] < 0)
        return;
    FPrevious = ::open(ThreadNetns, O_RDONLY | O_CLOEXEC);
    if (FPrevious < 0)
        return;
    FOk = ::setns(pair.FFd[side], CLONE_NEWNET) == 0 && pair.callerInside(side);
}

NetnsPair::Scope::~Scope() {
    if (FPrevious < 0)
        return;
    if (::setns(FPrevious, CLONE_NEWNET) != 0)
        ::abort(); // a test thread must never stay in the wrong namespace
    ::close(FPrevious);
}

int NetnsPair::run(Side side, const QStringList &argv, QString *output) const {
    Scope scope(*this, side);
    if (!scope.ok() || argv.isEmpty())
        return -1;
    std::vector<QByteArray> args;
    for (const QString &a : argv)
        args.push_back(a.toLocal8Bit());
    std::vector<char *> cargs;
    for (QByteArray &a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    // The child is forked from this thread and so starts in its namespace.
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return -1;
    }
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::execv(cargs[0], cargs.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    QByteArray out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n > 0)
            out.append(buf, static_cast<int>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (output)
        *output = QString::fromLocal8Bit(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool NetnsPair::runOrFail(Side side, const QStringList &argv, QString *why) const {
    QString output;
    const int rc = run(side, QStringList{FIp} + argv, &output);
    if (rc == 0)
        return true;
    if (why)
        *why = QStringLiteral("ip %1 failed (%2): %3")
                   .arg(argv.join(QLatin1Char(' ')))
                   .arg(rc)
                   .arg(output.trimmed());
    return false;
}

bool NetnsPair::setPingGroupRange(Side side, const QString &range) const {
    Scope scope(*this, side);
    if (!scope.ok())
        return false;
    {
        QFile f(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(range.toLatin1() + '\n');
    }
    return pingGroupRange(side).simplified() == range.simplified();
}

QString NetnsPair::pingGroupRange(Side side) const {
    Scope scope(*this, side);
    if (!scope.ok())
        return QString();
    QFile f(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll()).simplified();
}
