// Log browsing: the worked-before lookup, the fragment search, the
// worked-before grid's double click and the log grid's popup commands.
#include "app/mainwindow.h"

#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "logdb/tdm.h"

#include <QLineEdit>

void TForm1::Edit4Exit()
{
    guarded([this] {
        const QString call = Edit4->text();
        const Dataset::CallLookup found = DM->ADOQueryLog->lookupByCall(call);
        if (found.found) {
            if (!found.name.isNull())
                Edit5->setText(found.name.toString());
            if (!found.grid.isNull())
                Edit10->setText(found.grid.toString());
        }
        DM->ADOQueryB4->close();
        DM->ADOQueryB4->setParam(QStringLiteral("vcall"), call);
        DM->ADOQueryB4->open();
        if (!call.isEmpty())
            ShowCountry();
    });
}

void TForm1::Edit1KeyDown()
{
    guarded([this] {
        SearchMode = true;
        DM->ADOQueryB4->close();
        DM->ADOQueryB4->setParam(QStringLiteral("vcall"), QLatin1Char('%') + Edit1->text() + QLatin1Char('%'));
        DM->ADOQueryB4->open();
    });
}

void TForm1::DBGrid2DblClick()
{
    guarded([this] {
        Dataset *b4 = DM->ADOQueryB4;
        if (b4->isActive() && !b4->isEmpty() && !b4->eof()) {
            const qint64 id = b4->fieldByName(QStringLiteral("id")).asInteger();
            if (DM->ADOQueryLog->locate(id) && SearchMode)
                LoadQsoIntoForm();
        }
    });
    DBGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::QSLsentP1Click()
{
    guarded([this] {
        Dataset *q = DM->ADOQueryLog;
        if (q->isEmpty())
            return;
        q->edit();
        q->fieldByName(QStringLiteral("QSL_SENT")).setString(QStringLiteral("P"));
        q->post();
    });
}

void TForm1::p1Click()
{
    guarded([this] {
        Dataset *com = DM->ADOQueryCom;
        com->close();
        com->setSql({QStringLiteral("update log set QSL_SENT = \"Y\" where QSL_SENT = \"P\"")});
        com->execSql();
        DM->ADOQueryLog->close();
        DM->ADOQueryLog->open();
        DM->ADOQueryLog->last();
    });
}

void TForm1::N12Click()
{
    if (!Dialogs::confirm(this, QStringLiteral("Внимание!!!"),
                          QStringLiteral("Будет удалена текущая запись,продолжить?")))
        return;
    guarded([this] {
        DM->ADOQueryLog->remove();
        ResetEntryForm();
    });
}
