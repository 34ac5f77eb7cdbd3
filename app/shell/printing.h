// Printing the record pane through the print dialog.
#pragma once

#include "services/record_export.h"

#include <QString>

#include <memory>

class QFont;
class QIODevice;
class QPrintDialog;
class QPrinter;
class QTextEdit;
class QWidget;

namespace meridane {

namespace PrintFlags {
constexpr int Selection = 1;  // the selection choice preset
constexpr int NoPageNums = 8; // no page-range fields
constexpr int ReturnDc = 256; // the dialog hands back the chosen printer
} // namespace PrintFlags

constexpr int kPrintCancelled = 32755;

inline const QString kPrintErrorHead = QStringLiteral("Error printing file.");
inline const QString kPrintErrorTitle = QStringLiteral("Printing Error!");

class PrintDialogService {
public:
    virtual ~PrintDialogService() = default;
    // Shows the print dialog for printer with the given flags. Returns 0 when the user chose to
    // print, kPrintCancelled when the dialog was cancelled, or another error number with its
    // description.
    virtual int ShowPrinter(QPrinter& printer, int flags, QString& description,
                            QWidget* parent) = 0;
};

// Sets what the print dialog offers for the flags: no page ranges with NoPageNums, the choice of
// the selection (preset) with Selection.
void SetPrintDialogOptions(QPrintDialog& dialog, int flags);

// The font to print text set in font with: the same glyphs and metrics, in a face whose
// character map gives each ideograph's glyph to the ideograph alone. CJK fonts draw a radical
// (U+2E80..U+2FDF) or a stroke with the glyph of the ideograph it stands for, and a PDF's text
// layer names each glyph by the lowest code point that maps to it: printed in the face itself,
// "人参" would read back as "⼈参". font itself when its face shares no glyph that way.
QFont FontForPrinting(const QFont& font);

PrintDialogService& PrintDialog();
// Installs service (not owned); nullptr restores the on-screen dialog.
void SetPrintDialogService(PrintDialogService* service);

// "打印": asks for a printer and prints the pane's selection, or all of it, with its formatting
// and font. Cancel is silent; a dialog error beeps and shows the "Printing Error!" message.
void PrintRecordPane(QTextEdit& pane, QWidget* parent);

// The writers of every export format. PDF is laid out like the printout of the record pane: the
// title in bold, the header line, the text in font (made printable by FontForPrinting, so that
// the text layer reads back as the characters shown) with the keywords in red, on A4 pages; the
// records are laid out and painted a few at a time, as they come, each few starting a page of
// its own. The writers it makes may be used on another thread than the one that called it (the
// printable face is made by this call).
WriterFactory ExportWriters(const QFont& font);

} // namespace meridane
