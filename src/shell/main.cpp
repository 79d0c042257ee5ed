#include "shell/Main.h"
#include "app/PromptService.h"
#include "shell/DialogPrompts.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("matrix-tool"));
    QApplication::setApplicationDisplayName(QStringLiteral("Matrix tool"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Maintenance and control tool for an 8x8 HDMI/HDBaseT video matrix switch.\n"
                       "Settings are kept in Settings.ini beside the executable."));
    parser.addHelpOption();
    const QCommandLineOption service(
        QStringLiteral("service"),
        QStringLiteral("Service mode for technicians: shows every page and group the window "
                       "as delivered keeps hidden (Matrix control with presets, Input/Output "
                       "Setting with the port labels, Multi-view, Video-wall, Input/Output "
                       "Settings, IR/RS232 Settings, the older upgrade and merge pages, the "
                       "hidden groups of the General, EDID and Advanced pages and the routing "
                       "view's ports 5 to 8) and enables the board-information editor page."));
    parser.addOption(service);
    parser.process(app);

    PromptService prompts;
    DialogPrompts::install(prompts, nullptr);
    if (!TForm1::CheckAppFolder(QCoreApplication::applicationDirPath(), prompts))
        return 1;

    TForm1 window;
    window.setServiceMode(parser.isSet(service));
    window.show();
    return app.exec();
}
