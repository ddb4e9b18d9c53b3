#include "settings/handoverinput.h"

namespace HandoverInput {

QString withoutControls(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const auto cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Separator_Line
            || cat == QChar::Separator_Paragraph)
            continue;
        out += c;
    }
    return out;
}

Entry fromQso(const Handover::Qso &qso)
{
    Entry e;
    e.call = withoutControls(qso.call);
    e.name = withoutControls(qso.name);
    e.rprtSent = withoutControls(qso.rprtSent);
    e.mode = withoutControls(qso.mode);
    if (e.name == QLatin1String("om"))
        e.name.clear();
    return e;
}

} // namespace HandoverInput
