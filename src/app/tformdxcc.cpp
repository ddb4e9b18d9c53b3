#include "app/tformdxcc.h"

#include "logdb/dataset.h"
#include "app/ui/dbgrid.h"
#include "app/ui/guarded.h"
#include "logdb/dberror.h"
#include "country/dxcc.h"
#include "logdb/tdm.h"

#include <QHeaderView>
#include <QLabel>

TFormDXCC::TFormDXCC(TDM *dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("FormDXCC"));
    setWindowTitle(QStringLiteral(" DXCC"));
    // A fixed dialog frame with only the close button in its title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(167, 372);

    Label2 = new QLabel(tr("Всего стран:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 8, 70, 16);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(80, 8, 79, 16);

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(7, 32, 153, 281);
    DBGrid1->setDataSource(dm->DataSource5, {}, {64, 64});
    DBGrid1->setTitleRowVisible(false);
    DBGrid1->setEditable(false);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(7, 320, 153, 32);
    Label3->setWordWrap(true);

    // The data module's after-scroll event of the scratch query.
    connect(dm->ADOQueryCom, &Dataset::afterScroll, this, &TFormDXCC::ADOQueryComAfterScroll);
}

void TFormDXCC::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFormDXCC::FormShow()
{
    runGuarded(parentWidget(), [this] {
        const int count = OpenDxccStatistics(*m_dm->ADOQueryCom, m_dm->ADOQueryLog->sqlText());
        Label1->setText(QString::number(count));
        m_dm->DataSource5->setDataSet(m_dm->ADOQueryCom);
    });
}

void TFormDXCC::ADOQueryComAfterScroll()
{
    // Only a row with a country text names an entity; a row the query
    // cannot read leaves the name empty rather than an error box per move.
    try {
        Label3->setText(CountryNameOfCurrentRow(*m_dm->ADOQueryCom));
    } catch (const DbError &) {
        Label3->clear();
    }
}
