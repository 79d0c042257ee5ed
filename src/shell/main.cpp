#include "shell/Main.h"
#include "app/PromptService.h"
#include "shell/DialogPrompts.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("matrix-tool"));
    QApplication::setApplicationDisplayName(QStringLiteral("Matrix tool"));

    PromptService prompts;
    DialogPrompts::install(prompts, nullptr);
    if (!TForm1::CheckAppFolder(QCoreApplication::applicationDirPath(), prompts))
        return 1;

    TForm1 window;
    window.show();
    return app.exec();
}
