#pragma once
#include "exchange/handover.h"

// The values the "QSO import" button puts into the entry panel, from the
// hand-over file of another program.
namespace HandoverInput {

struct Entry {
    QString call;
    QString name;
    QString rprtSent;
    QString mode;
};

// The file's values as the panel takes them: control characters, which no
// one can type into a field, are dropped, and the name "om" (exactly, in
// lower case: "old man", no name) becomes empty. Lengths are left alone:
// saving cuts them to the columns' widths as for typed text.
Entry fromQso(const Handover::Qso &qso);
QString withoutControls(const QString &text);

} // namespace HandoverInput
