#pragma once
// The answers matrix-cli gives to what the workflows would ask a person.
// Nothing waits for standard input: a script called for the action, so a
// Yes/No question is answered Yes; file dialogs are cancelled (every file
// comes from the command line) and modal dialogs rejected. Messages and the
// answers given go to standard error.

#include "app/PromptService.h"

#include <QTextStream>

class CliPrompts {
public:
    static PromptService::Responder Responder(QTextStream &err);
    // The same rules in words, for --help.
    static QString Usage();
};
