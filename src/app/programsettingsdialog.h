#pragma once
#include <QDialog>

class LogSession;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Параметры программы": what holds for every log — the interface language,
// the encoding of ADIF exports, the automatic snapshots — and the country
// file in use, with the command that takes a newer one.
class ProgramSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ProgramSettingsDialog(LogSession *session, QWidget *parent);

    QComboBox *languageBox = nullptr;
    QRadioButton *cp1251Button = nullptr;
    QRadioButton *utf8Button = nullptr;
    QCheckBox *snapshotsBox = nullptr;
    QSpinBox *keepNewestBox = nullptr;
    QSpinBox *keepDailyBox = nullptr;
    QLabel *countryFileLabel = nullptr;
    QPushButton *loadCountryFileButton = nullptr;

    // Takes a newer cty.dat chosen on disk.
    void loadCountryFile();
    // Stores what the window shows.
    void save();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void load();
    void showCountryFile();

    LogSession *m_session;
};
