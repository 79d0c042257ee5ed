#pragma once
// The routing view's logic and the preset apply,
// without widgets. The model keeps what the view shows: the text of each
// output's number display (the view's only record of the routing) and which
// input button of each row is down. The page mirrors it and forwards clicks.
//
// Commands run through a runner (the window's RunCommand / RunPoweredCommand).
//
// Range rules beyond the Part (reply values and displays are not trusted):
// - a failed switch restores the display, and presses the button (o, c) only
//   when c is an input 1..8; otherwise that row's buttons are left alone;
// - "previous" from a display outside 1..8 gives 8, "next" gives 1.

#include "app/AppContext.h"
#include "protocol/Frames.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class RoutingModel {
public:
    static constexpr int Ports = 8;
    static constexpr int MenuAllOutputs = 8;
    static constexpr int MenuPortToPort = 100;

    // Runs one command; `powered`: through RunPoweredCommand, else RunCommand.
    using Runner = std::function<RunResult(const QString &caption, const Frame &request,
                                           TReplyRecord &reply, bool powered)>;
    // Label text by tag (1..8 inputs, 41..48 outputs); empty = unlabelled.
    using LabelLookup = std::function<QString(int tag)>;

    explicit RoutingModel(Runner runner);
    // Runner through the context's RunCommand / RunPoweredCommand.
    static Runner RunnerOf(AppContext *ctx);

    // Told after the display or the pressed button of an output changed (the
    // view repaints that row at once: the user sees it before the matrix answers).
    std::function<void(int output)> Changed;

    QString Display(int output) const;
    void SetDisplay(int output, const QString &text);
    // The display read back as a number (0 when it holds no number).
    int CurrentInput(int output) const;
    // The input whose button is down in the output's row (0: none).
    int Pressed(int output) const;
    // Presses button (output, input); an input outside 1..8 presses nothing.
    void Press(int output, int input);

    // Window-wide batch-abort flag: true at start, cleared by a batch, set
    // by a failing single switch.
    bool BatchAbort = true;

    static bool ValidPort(int n) { return n >= 1 && n <= Ports; }

    // work-mode check, optional set-matrix-mode, switch; true on success.
    bool SingleSwitch(int output, int input);
    // For a previous/next button with tag t (2k-1 previous, 2k next).
    static int OutputOfStepTag(int tag) { return (tag + 1) / 2; }
    static int StepInput(int current, bool previous);
    bool Step(int tag);
    // the (output, input) pairs a menu item switches, in order.
    static QList<QPair<int, int>> MultiTargets(int menuTag, int output, int input);
    // Runs them, stopping at the first failure. Returns the number switched.
    int MultiSwitch(int menuTag, int output, int input);
    // reads outputs 1..8, stopping at the first failure.
    // Returns the number of outputs read.
    int ReadRouting();

    // The preset apply. `columns` are the preset's eight sub-items.
    enum class PresetOutcome { Applied, Aborted, Malformed };
    struct PresetResult {
        PresetOutcome outcome = PresetOutcome::Applied;
        int output = 0; // where it stopped (Aborted, Malformed)
    };
    PresetResult ApplyPreset(const QStringList &columns);
    // A preset sub-item as an input number, 0 when it is none of 1..8.
    static int PresetInput(const QString &column);

    // the description of output N fed by input M.
    static QString Describe(int output, int input, const LabelLookup &label);
    // the sixteen pop-up lines; *anyLabel tells whether a port has a label.
    static QStringList PopupLines(const LabelLookup &label, bool *anyLabel);

private:
    void changed(int output);

    Runner FRun;
    std::array<QString, Ports> FDisplay;
    std::array<int, Ports> FPressed{};
};
