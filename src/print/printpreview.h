#pragma once
#include "print/printdoc.h"

#include <QDialog>
#include <QPrinter>
#include <functional>

class QAction;
class QLabel;
class QPrintPreviewWidget;

// Print preview of a laid-out report: zoom (whole page, 100 %, page width),
// first/previous/next/last page, printer set-up, print with a page range,
// save as PDF or CSV, close.
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    explicit ReportPreview(const PrintDocument &doc, QWidget *parent = nullptr);
    ~ReportPreview() override;

    const PrintDocument &document() const { return m_doc; }
    int currentPage() const;   // 1-based
    int pageCount() const { return m_doc.pageCount(); }
    QPrintPreviewWidget *view() const { return m_view; }

    // File names and error messages go through these, so the window layer can
    // route them through its own dialogs and tests can answer them. By default
    // a save dialog asks for the name and a message box shows the error.
    // `description` and `pattern` describe the file type ("PDF", "*.pdf").
    using AskFileName = std::function<QString(QWidget *parent, const QString &caption,
                                              const QString &description, const QString &pattern,
                                              const QString &suffix)>;
    using ShowError = std::function<void(QWidget *parent, const QString &message)>;
    static void setAskFileName(AskFileName f);
    static void setShowError(ShowError f);

    // Shows the preview of doc modally and returns when the user closes it.
    // With a test hook set, the hook gets the ready window instead and the
    // call returns when the hook does: no modal loop runs.
    static void showModal(const PrintDocument &doc, QWidget *parent);
    using ModalHook = std::function<void(ReportPreview &preview)>;
    static void setModalHookForTesting(ModalHook hook);

    bool savePdf(const QString &path);   // false: error shown
    bool saveCsv(const QString &path);

public slots:
    void zoomWholePage();
    void zoom100();
    void zoomPageWidth();
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void printerSetup();
    void print();
    void savePdfAs();
    void saveCsvAs();

private:
    QAction *addAction(const QString &objectName, const QString &text, const QString &shortcut);
    void updatePageLabel();
    void reportError(const QString &message);
    QString askName(const QString &caption, const QString &description, const QString &pattern,
                    const QString &suffix);

    PrintDocument m_doc;
    QPrinter m_printer;
    QPrintPreviewWidget *m_view = nullptr;
    QLabel *m_pageLabel = nullptr;
    class QToolBar *m_toolBar = nullptr;
};
