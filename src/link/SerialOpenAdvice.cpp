#include "link/SerialOpenAdvice.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

SerialOpenAdvice::Advice SerialOpenAdvice::ForError(int error, const QString &path,
                                                    const QString &deviceGroup) {
    Advice a;
    if (error != EACCES && error != EPERM)
        return a;
    // A device of root's own group cannot be opened up by a group; the
    // usual serial group is named then.
    const QString group = deviceGroup.isEmpty() || deviceGroup == QLatin1String("root")
                              ? QStringLiteral("dialout")
                              : deviceGroup;
    a.summary = QStringLiteral("no permission (group %1)").arg(group);
    a.fix = QStringLiteral("You may not use %1: it belongs to the group \"%2\". Add your user to "
                           "that group, e.g. with\n    sudo adduser $USER %2\nthen log out and in "
                           "again (or restart the computer), and connect once more.")
                .arg(path, group);
    return a;
}

SerialOpenAdvice::Advice SerialOpenAdvice::Probe(const QString &path) {
    const QByteArray native = path.toLocal8Bit();
    // As open() will: with the effective user, group and capabilities.
    if (::faccessat(AT_FDCWD, native.constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return Advice();
    const int error = errno;
    QString group;
    struct stat st = {};
    if (::stat(native.constData(), &st) == 0) {
        if (const struct group *g = ::getgrgid(st.st_gid))
            group = QString::fromLocal8Bit(g->gr_name);
    }
    return ForError(error, path, group);
}
