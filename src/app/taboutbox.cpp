#include "app/taboutbox.h"
#include "country/countryfile.h"

#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "settings/programfiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace {

// A lattice mast with a yagi on top, waves leaving it.
QPixmap mastPicture()
{
    QPixmap pm(105, 153);
    pm.fill(QColor(236, 240, 248));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(0, 118, 105, 35, QColor(120, 160, 90));
    QPen steel(QColor(70, 70, 90), 1.5);
    p.setPen(steel);
    const QPointF top(52, 36), leftFoot(40, 130), rightFoot(64, 130);
    p.drawLine(top, leftFoot);
    p.drawLine(top, rightFoot);
    for (int i = 1; i < 8; ++i) {
        const qreal t = i / 8.0;
        const QPointF l = top + (leftFoot - top) * t, r = top + (rightFoot - top) * t;
        const QPointF l2 = top + (leftFoot - top) * (t + 0.125), r2 = top + (rightFoot - top) * (t + 0.125);
        p.drawLine(l, r);
        p.drawLine(l, r2);
        p.drawLine(r, l2);
    }
    // Boom and elements.
    p.setPen(QPen(QColor(40, 40, 60), 2));
    p.drawLine(QPointF(22, 32), QPointF(82, 32));
    for (int x : {26, 42, 60, 78})
        p.drawLine(QPointF(x, 20 + (x == 26 ? -4 : 0)), QPointF(x, 44 + (x == 26 ? 4 : 0)));
    p.drawLine(QPointF(52, 32), top);
    // Waves.
    p.setPen(QPen(QColor(200, 60, 40), 1.5));
    for (int r = 10; r <= 26; r += 8) {
        p.drawArc(QRectF(84 - r, 32 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
    p.setPen(QColor(40, 40, 60));
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 134, 105, 16), Qt::AlignCenter, QStringLiteral("QRV"));
    return pm;
}

// A small transceiver: dial, S-meter and a straight key beside it.
QPixmap rigPicture()
{
    QPixmap pm(177, 105);
    pm.fill(QColor(236, 240, 248));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 40), 1.5));
    p.setBrush(QColor(60, 64, 72));
    p.drawRoundedRect(QRectF(8, 14, 120, 64), 5, 5);
    // Display.
    p.setBrush(QColor(250, 200, 90));
    p.drawRect(QRectF(16, 22, 62, 18));
    p.setPen(QColor(30, 30, 30));
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(16, 22, 62, 18), Qt::AlignCenter, QStringLiteral("14.060"));
    // S-meter.
    p.setPen(QPen(QColor(220, 220, 220), 1));
    p.setBrush(QColor(230, 232, 220));
    p.drawRect(QRectF(84, 22, 36, 18));
    p.setPen(QPen(QColor(180, 30, 30), 1.5));
    p.drawLine(QPointF(88, 38), QPointF(110, 26));
    // Dial and knobs.
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(160, 164, 170));
    p.drawEllipse(QPointF(46, 60), 14, 14);
    p.setBrush(QColor(110, 114, 120));
    p.drawEllipse(QPointF(90, 60), 7, 7);
    p.drawEllipse(QPointF(112, 60), 7, 7);
    // The key: base, lever and knob.
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(134, 80, 38, 8));
    p.setPen(QPen(QColor(190, 160, 60), 3));
    p.drawLine(QPointF(138, 76), QPointF(168, 70));
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QPointF(166, 68), 5, 3);
    // Cable from key to rig.
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable(QPointF(128, 70));
    cable.cubicTo(QPointF(132, 95), QPointF(140, 96), QPointF(146, 84));
    p.drawPath(cable);
    return pm;
}

QLabel *panelText(QWidget *panel, const QString &text, int x, int y, int pointSize, bool bold)
{
    auto *l = new QLabel(text, panel);
    QFont f = panel->font();
    f.setPointSize(pointSize);
    f.setBold(bold);
    l->setFont(f);
    l->adjustSize();
    l->move(x, y);
    return l;
}

} // namespace

TAboutBox::TAboutBox(TDM *dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("О программе"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(531, 413);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    // Raised inside, lowered outside.
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(8, 8, 513, 201);
    auto *inner = new QFrame(Panel1);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    inner->setGeometry(1, 1, 511, 199);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 105, 153);
    Image1->setPixmap(mastPicture());
    Image2 = new QLabel(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(320, 8, 177, 105);
    Image2->setPixmap(rigPicture());

    panelText(Panel1, tr("Программа"), 168, 8, 12, true)->setObjectName(QStringLiteral("ProductName"));
    panelText(Panel1, tr("Tarnix - Аппаратный журнал"), 136, 32, 8, true);
    panelText(Panel1,
              tr("Version %1").arg(QStringLiteral("1.3")) + QString(12, QLatin1Char(' '))
                  + QStringLiteral("18.05.2008"),
              144, 56, 8, false)
        ->setObjectName(QStringLiteral("Version"));
    panelText(Panel1, tr("Простой, компактный,", "first of two lines"), 128, 80, 8, false);
    panelText(Panel1, tr("QRP совместимый...", "second of two lines"), 128, 96, 8, false);
    panelText(Panel1, QStringLiteral("tarnix.example.org"), 376, 112, 8, false)->setObjectName(QStringLiteral("WebAddress"));
    panelText(Panel1, QStringLiteral("73,72! from Orvel"), 328, 152, 12, true);
    panelText(Panel1,
              tr("Автор: %1, e-mail: %2").arg(QStringLiteral("Orvel"), QStringLiteral("orvel@tarnix.example.org")),
              8, 176, 8, false)
        ->setObjectName(QStringLiteral("Author"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 216, 513, 153);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Button1 = new QPushButton(tr("Текст лицензионного соглашения"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 378, 201, 25);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    OKButton = new QPushButton(tr("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(446, 378, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    CountryFile = new QLabel(this);
    CountryFile->setObjectName(QStringLiteral("CountryFile"));
    CountryFile->setGeometry(216, 374, 222, 34);
    CountryFile->setWordWrap(true);

    // The window sees keys before its controls: Esc closes from any of them.
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);

    FormCreate();
}

void TAboutBox::showEvent(QShowEvent *event)
{
    // Named at each showing: a newer country file may have been loaded.
    const CountryFile::InUse file = CountryFile::inUse();
    const QString name = QFileInfo(file.path).fileName();
    CountryFile->setText(file.versionName.isEmpty()
                             ? tr("Файл стран: %1").arg(name)
                             : tr("Файл стран: %1, VERSION: %2 (%3)").arg(name, file.versionName, file.versionPrefix));
    CountryFile->setToolTip(QDir::toNativeSeparators(file.path));
    QDialog::showEvent(event);
}

QString TAboutBox::licenceFileName()
{
    return QStringLiteral("Лицензия.txt");
}

void TAboutBox::FormCreate()
{
    Memo1->clear();
    runGuarded(parentWidget(), [this] {
        const QStringList lines = ProgramFiles::readLines(ProgramFiles::locate(QStringLiteral("readme.txt")));
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));
        Memo1->moveCursor(QTextCursor::Start);
    });
}

void TAboutBox::Button1Click()
{
    // The desktop's viewer for text files; when there is no file or no
    // viewer nothing is said and the window stays as it is.
    const QString path = ProgramFiles::locate(licenceFileName());
    if (ProgramFiles::exists(licenceFileName()))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            if (event->type() == QEvent::KeyPress)
                reject();
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
