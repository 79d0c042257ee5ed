#include "shell/Main.h"
#include "app/PromptService.h"
#include "link/FrameTrace.h"
#include "settings/SettingsLocation.h"
#include "shell/DialogPrompts.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

struct ToolOptions {
    QCommandLineOption service{QStringLiteral("service")};
    QCommandLineOption trace{QStringLiteral("trace")};
};

void nameTheProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("matrix-tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MATRIX_TOOL_VERSION));
}

void describeOptions(QCommandLineParser &parser, ToolOptions &o) {
    parser.setApplicationDescription(QStringLiteral(
        "Maintenance and control tool for an 8x8 HDMI/HDBaseT video matrix switch.\n"
        "Settings are kept in Settings.ini beside the executable when that folder holds one "
        "or can be written to, otherwise in $XDG_CONFIG_HOME/matrix-tool/ "
        "(~/.config/matrix-tool/)."));
    parser.addHelpOption();
    parser.addVersionOption();
    o.service.setDescription(
        QStringLiteral("Service mode for technicians: shows every page and group the window "
                       "as delivered keeps hidden (Matrix control with presets, Input/Output "
                       "Setting with the port labels, Multi-view, Video-wall, Input/Output "
                       "Settings, IR/RS232 Settings, the older upgrade and merge pages, the "
                       "hidden groups of the General, EDID and Advanced pages and the routing "
                       "view's ports 5 to 8), enables the board-information editor page and "
                       "shows the diagnostic log on a page of its own."));
    parser.addOption(o.service);
    o.trace.setValueName(QStringLiteral("file"));
    o.trace.setDescription(
        QStringLiteral("Write every frame and packet sent to and received from the unit, with a "
                       "time stamp, its direction and the command's name, to <file>."));
    parser.addOption(o.trace);
}

// --help and --version answer on the terminal, without a display.
bool answersWithoutWindow(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h" || a == "-?" || a == "--help-all" || a == "--version" ||
            a == "-v")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[]) {
    if (answersWithoutWindow(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameTheProgram();
        QCommandLineParser parser;
        ToolOptions options;
        describeOptions(parser, options);
        parser.process(app); // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    nameTheProgram();
    QApplication::setApplicationDisplayName(QStringLiteral("Matrix tool"));
    QApplication::setDesktopFileName(QStringLiteral("org.matrixtool.MatrixTool"));

    QCommandLineParser parser;
    ToolOptions options;
    describeOptions(parser, options);
    parser.process(app);
    const QCommandLineOption &service = options.service;
    const QCommandLineOption &trace = options.trace;

    PromptService prompts;
    DialogPrompts::install(prompts, nullptr);
    const SettingsLocation::Choice place =
        SettingsLocation::Resolve(QCoreApplication::applicationDirPath());
    if (!TForm1::CheckAppFolder(place.folder, prompts))
        return 1;

    TForm1 window(place.folder);
    if (parser.isSet(trace)) {
        QString error;
        if (!FrameTrace::Attach(*window.Engine(), parser.value(trace), &error)) {
            prompts.Error(error);
            return 1;
        }
    }
    window.setServiceMode(parser.isSet(service));
    window.show();
    return app.exec();
}
