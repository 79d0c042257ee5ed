#include "cli/CliTrace.h"

#include "link/FrameTrace.h"

CliExit AttachFrameTrace(TTSCOMControl &engine, const QString &path, QTextStream &err) {
    if (path.isEmpty())
        return CliExit::Success;
    QString error;
    if (!FrameTrace::Attach(engine, path, &error)) {
        err << "matrix-cli: " << error << Qt::endl;
        return CliExit::BadInput;
    }
    return CliExit::Success;
}
