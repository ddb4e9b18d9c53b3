#include "app/longwork.h"
#include "logdb/datasource.h"

#include <QProgressBar>

LongWork::LongWork(QProgressBar *bar, DataSource *logGridSource) : m_bar(bar), m_source(logGridSource)
{
    m_bar->setValue(0);
    m_bar->show();
    m_source->setEnabled(false);
}

LongWork::~LongWork()
{
    m_bar->setValue(0);
    m_bar->hide();
    m_source->setEnabled(true);
}

std::function<void(int)> LongWork::progress() const
{
    QProgressBar *bar = m_bar;
    return [bar](int position) {
        if (position != bar->value()) {
            bar->setValue(position);
            bar->repaint();   // the loop holds the thread
        }
    };
}
