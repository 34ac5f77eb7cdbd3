#include "shell/printing.h"

#include "search/message_service.h"
#include "shell/shell_services.h"

#include <QAbstractTextDocumentLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <memory>

namespace meridane {

namespace {

constexpr int kInvalidPrinter = 28660; // the error number of "no usable printer"

class OnScreenPrintDialog : public PrintDialogService {
public:
    int ShowPrinter(QPrinter& printer, int flags, QString& description, QWidget* parent) override {
        QPrintDialog dialog(&printer, parent);
        SetPrintDialogOptions(dialog, flags);
        if (dialog.exec() != QDialog::Accepted)
            return kPrintCancelled;
        if (!printer.isValid()) {
            description = QStringLiteral("没有可用的打印机。");
            return kInvalidPrinter;
        }
        return 0;
    }
};

PrintDialogService* g_dialog = nullptr;

// Prints doc on printer page by page as it is laid out for the printer's page, with no page
// numbers or margins of the print's own: the printout holds what the pane holds.
void PrintAsShown(const QTextDocument& doc, QPrinter& printer) {
    std::unique_ptr<QTextDocument> copy(doc.clone());
    copy->documentLayout()->setPaintDevice(&printer);
    // The pane's font is set in points: laid out on the printer, it keeps its size on paper.
    copy->setDefaultFont(doc.defaultFont());
    copy->setPageSize(QSizeF(printer.width(), printer.height()));
    // A laid-out page size makes the document count as paginated: no page numbers are added.
    copy->print(&printer);
}

} // namespace

void SetPrintDialogOptions(QPrintDialog& dialog, int flags) {
    const bool selection = flags & PrintFlags::Selection;
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(flags & PrintFlags::NoPageNums));
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection
                                   : QAbstractPrintDialog::AllPages);
    // Qt's dialog keeps its "pages from" choice even without page ranges: without them, the
    // page-range controls go.
    if (!(flags & PrintFlags::NoPageNums))
        return;
    // (label_3 is the "to" between the two page numbers.)
    QWidget* range = dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange"));
    for (const char* name :
         {"printRange", "from", "label_3", "to", "pagesRadioButton", "pagesLineEdit"})
        for (QWidget* w : (range ? range : &dialog)->findChildren<QWidget*>(QLatin1String(name)))
            w->hide();
}

PrintDialogService& PrintDialog() {
    static OnScreenPrintDialog onScreen;
    return g_dialog ? *g_dialog : onScreen;
}

void SetPrintDialogService(PrintDialogService* service) {
    g_dialog = service;
}

void PrintRecordPane(QTextEdit& pane, QWidget* parent) {
    int flags = PrintFlags::ReturnDc + PrintFlags::NoPageNums;
    const QTextCursor selection = pane.textCursor();
    if (selection.hasSelection())
        flags += PrintFlags::Selection;

    QPrinter printer;
    QString description;
    const int error = PrintDialog().ShowPrinter(printer, flags, description, parent);
    if (error == kPrintCancelled)
        return;
    if (error != 0) {
        Shell().Beep();
        Messages().MsgBox(kPrintErrorHead + QStringLiteral("\r\n") + description,
                          MsgFlags::OkExclamation, kPrintErrorTitle);
        return;
    }
    if (!selection.hasSelection()) {
        PrintAsShown(*pane.document(), printer);
        return;
    }
    QTextDocument part;
    part.setDefaultFont(pane.document()->defaultFont());
    QTextCursor(&part).insertFragment(selection.selection());
    PrintAsShown(part, printer);
}

} // namespace meridane
