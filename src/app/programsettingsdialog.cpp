#include "app/programsettingsdialog.h"

#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "country/countryfile.h"
#include "logdb/logsession.h"
#include "settings/programsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

ProgramSettingsDialog::ProgramSettingsDialog(LogSession *session, QWidget *parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("ProgramSettingsDialog"));
    setWindowTitle(tr("Параметры программы"));
    auto *layout = new QVBoxLayout(this);

    auto *language = new QGroupBox(tr("Язык интерфейса"), this);
    auto *languageLayout = new QVBoxLayout(language);
    languageBox = new QComboBox(language);
    languageBox->setObjectName(QStringLiteral("languageBox"));
    languageBox->addItems({tr("Автоматически"), QStringLiteral("Русский"), QStringLiteral("English")});
    languageBox->setAccessibleName(language->title());
    languageLayout->addWidget(languageBox);
    languageLayout->addWidget(new QLabel(tr("Действует после перезапуска программы."), language));
    layout->addWidget(language);

    auto *adif = new QGroupBox(tr("Экспорт ADIF"), this);
    auto *adifLayout = new QVBoxLayout(adif);
    cp1251Button = new QRadioButton(tr("Windows-1251, или UTF-8, если значение в неё не помещается"), adif);
    cp1251Button->setObjectName(QStringLiteral("cp1251Button"));
    utf8Button = new QRadioButton(tr("Всегда UTF-8"), adif);
    utf8Button->setObjectName(QStringLiteral("utf8Button"));
    adifLayout->addWidget(cp1251Button);
    adifLayout->addWidget(utf8Button);
    layout->addWidget(adif);

    auto *snapshots = new QGroupBox(tr("Снимки журнала"), this);
    auto *snapshotsLayout = new QFormLayout(snapshots);
    snapshotsBox = new QCheckBox(tr("Делать снимки журнала в папке backup рядом с ним"), snapshots);
    snapshotsBox->setObjectName(QStringLiteral("snapshotsBox"));
    keepNewestBox = new QSpinBox(snapshots);
    keepNewestBox->setObjectName(QStringLiteral("keepNewestBox"));
    keepNewestBox->setRange(1, 1000);
    keepDailyBox = new QSpinBox(snapshots);
    keepDailyBox->setObjectName(QStringLiteral("keepDailyBox"));
    keepDailyBox->setRange(0, 3650);
    snapshotsLayout->addRow(snapshotsBox);
    snapshotsLayout->addRow(tr("Хранить последних:"), keepNewestBox);
    snapshotsLayout->addRow(tr("И по одному в день, дней:"), keepDailyBox);
    connect(snapshotsBox, &QCheckBox::toggled, keepNewestBox, &QWidget::setEnabled);
    connect(snapshotsBox, &QCheckBox::toggled, keepDailyBox, &QWidget::setEnabled);
    layout->addWidget(snapshots);

    auto *country = new QGroupBox(tr("Файл стран cty.dat"), this);
    auto *countryLayout = new QVBoxLayout(country);
    countryFileLabel = new QLabel(country);
    countryFileLabel->setObjectName(QStringLiteral("countryFileLabel"));
    countryFileLabel->setWordWrap(true);
    countryFileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    loadCountryFileButton = new QPushButton(tr("Загрузить новый cty.dat..."), country);
    loadCountryFileButton->setObjectName(QStringLiteral("loadCountryFileButton"));
    loadCountryFileButton->setAutoDefault(false);
    connect(loadCountryFileButton, &QPushButton::clicked, this, &ProgramSettingsDialog::loadCountryFile);
    countryLayout->addWidget(countryFileLabel);
    countryLayout->addWidget(loadCountryFileButton, 0, Qt::AlignLeft);
    layout->addWidget(country);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        save();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void ProgramSettingsDialog::showEvent(QShowEvent *event)
{
    load();
    QDialog::showEvent(event);
}

void ProgramSettingsDialog::load()
{
    languageBox->setCurrentIndex(int(ProgramSettings::language()));
    const bool utf8 = ProgramSettings::adifExportEncoding() == ProgramSettings::AdifEncoding::Utf8;
    utf8Button->setChecked(utf8);
    cp1251Button->setChecked(!utf8);
    const ProgramSettings::SnapshotPolicy policy = ProgramSettings::snapshotPolicy();
    snapshotsBox->setChecked(policy.enabled);
    keepNewestBox->setValue(policy.keepNewest);
    keepDailyBox->setValue(policy.keepDailyDays);
    keepNewestBox->setEnabled(policy.enabled);
    keepDailyBox->setEnabled(policy.enabled);
    showCountryFile();
}

void ProgramSettingsDialog::save()
{
    ProgramSettings::setLanguage(ProgramSettings::Language(languageBox->currentIndex()));
    ProgramSettings::setAdifExportEncoding(utf8Button->isChecked() ? ProgramSettings::AdifEncoding::Utf8
                                                                   : ProgramSettings::AdifEncoding::Cp1251);
    const ProgramSettings::SnapshotPolicy policy{snapshotsBox->isChecked(), keepNewestBox->value(),
                                                 keepDailyBox->value()};
    ProgramSettings::setSnapshotPolicy(policy);
    m_session->setSnapshotPolicy({policy.enabled, policy.keepNewest, policy.keepDailyDays});
}

void ProgramSettingsDialog::showCountryFile()
{
    const CountryFile::InUse file = CountryFile::inUse();
    const QString version = file.versionName.isEmpty()
        ? tr("без записи VERSION")
        : tr("VERSION: %1 (%2)").arg(file.versionName, file.versionPrefix);
    countryFileLabel->setText(QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(file.path), version));
}

void ProgramSettingsDialog::loadCountryFile()
{
    const QString chosen = Dialogs::openFileName(this, QStringLiteral("CountryFileDialog"),
                                                 tr("Файл стран") + QStringLiteral("|*.dat"),
                                                 QDir::homePath());
    if (chosen.isEmpty())
        return;
    if (runGuarded(this, [&] { CountryFile::install(chosen); })) {
        showCountryFile();
        Dialogs::showNotice(this, tr("Файл стран загружен: %1").arg(countryFileLabel->text()));
    }
}
