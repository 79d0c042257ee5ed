#pragma once
// The real dialogs behind the prompt service: message boxes, questions, file
// dialogs and modal dialogs, parented to a window.

#include "app/PromptService.h"

#include <QPointer>
#include <QWidget>

class DialogPrompts {
public:
    // Installs the dialogs as `prompts`' presenter; `parent` may be null.
    static void install(PromptService &prompts, QWidget *parent);
    static PromptService::Answer present(QWidget *parent, const PromptService::Request &request);
};
