#pragma once
// The decoded view of an EDID as the page, the comparison and matrix-cli
// show it: groups of short lines, one fact a line. The preferred mode and a
// summary of what decides an EDID choice (native mode, 4:2:0 modes, HDR,
// TMDS and FRL limits) come first, the conformance findings last.

#include "control/EdidDecoder.h"

#include <QList>
#include <QString>
#include <QStringList>

struct EdidViewSection {
    QString key;   // stable name of the group ("summary", "display", "timings" ...)
    QString title; // heading as shown; may carry a value or a count
    QStringList lines;
};

QList<EdidViewSection> EdidViewSections(const EdidInfo &info);

// The view as text: each heading, then its lines indented by two spaces.
QString FormatEdidInfo(const EdidInfo &info);

// One line of a timing: "3840x2160 @ 60 Hz", "1920x1080i @ 50 Hz".
QString EdidTimingText(const EdidTiming &t);

// Two views side by side. A line differs when the other EDID's group of the
// same key does not hold the same line (as often); a heading differs when
// the other has no such group or another heading.
struct EdidViewComparison {
    struct Row {
        QString text;
        bool heading = false;
        bool differs = false;
    };
    QList<Row> left;
    QList<Row> right;
    int differences = 0; // rows marked on both sides together
};

EdidViewComparison CompareEdidViews(const EdidInfo &left, const EdidInfo &right);
