#include "settings/SettingsLocation.h"

#include "protocol/Commands.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString withSlash(const QString &folder) {
    QString f = QDir::fromNativeSeparators(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}
} // namespace

QString SettingsLocation::UserConfigFolder(const Facts &facts) {
    // A relative or empty XDG_CONFIG_HOME is invalid and ignored.
    const QString base = !facts.configHome.isEmpty() && QDir::isAbsolutePath(facts.configHome)
                             ? facts.configHome
                             : withSlash(facts.homeFolder) + QStringLiteral(".config");
    return withSlash(withSlash(base) + QLatin1String(ConfigSubfolder));
}

SettingsLocation::Choice SettingsLocation::Choose(const Facts &facts) {
    Choice c;
    if (facts.appHoldsFile || (facts.appWritable && !facts.appIsSystemFolder)) {
        c.place = Place::AppFolder;
        c.folder = withSlash(facts.appFolder);
    } else {
        c.place = Place::UserConfig;
        c.folder = UserConfigFolder(facts);
    }
    return c;
}

bool SettingsLocation::IsSystemFolder(const QString &folder) {
    const QString f = withSlash(QDir::cleanPath(QDir::fromNativeSeparators(folder)));
    for (const char *system : {"/usr/bin/", "/usr/sbin/", "/usr/local/bin/", "/usr/local/sbin/",
                               "/bin/", "/sbin/", "/usr/games/"})
        if (f == QLatin1String(system))
            return true;
    for (const char *tree : {"/opt/", "/usr/lib/", "/usr/libexec/"})
        if (f.startsWith(QLatin1String(tree)))
            return true;
    return false;
}

SettingsLocation::Facts SettingsLocation::Gather(const QString &appFolder) {
    Facts f;
    f.appFolder = appFolder;
    f.appHoldsFile = QFileInfo(QDir(appFolder).filePath(QLatin1String(FileName))).isFile();
    f.appIsSystemFolder = IsSystemFolder(appFolder);
    // Only asked when it matters: the check creates and removes a file.
    f.appWritable = !f.appHoldsFile && !f.appIsSystemFolder && FolderIsWritable(appFolder);
    f.configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    f.homeFolder = QDir::homePath();
    return f;
}

SettingsLocation::Choice SettingsLocation::Resolve(const QString &appFolder) {
    const Choice c = Choose(Gather(appFolder));
    if (c.place == Place::UserConfig)
        QDir().mkpath(c.folder);
    return c;
}
