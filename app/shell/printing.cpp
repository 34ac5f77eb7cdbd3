#include "shell/printing.h"

#include "search/message_service.h"
#include "shell/shell_services.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace meridane {

namespace {

constexpr int kInvalidPrinter = 28660; // the error number of "no usable printer"

class OnScreenPrintDialog : public PrintDialogService {
public:
    int ShowPrinter(QPrinter& printer, int flags, QString& description, QWidget* parent) override {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(flags & PrintFlags::NoPageNums));
        dialog.setOption(QAbstractPrintDialog::PrintSelection, (flags & PrintFlags::Selection));
        if (flags & PrintFlags::Selection)
            dialog.setPrintRange(QAbstractPrintDialog::Selection);
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

} // namespace

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
        pane.document()->print(&printer);
        return;
    }
    QTextDocument part;
    part.setDefaultFont(pane.document()->defaultFont());
    QTextCursor(&part).insertFragment(selection.selection());
    part.print(&printer);
}

} // namespace meridane
