#include "shell/printing.h"

#include "search/message_service.h"
#include "shell/shell_services.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRawFont>
#include <QSet>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QtEndian>

#include <map>
#include <memory>
#include <vector>

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

// The characters before the ideographs that a CJK face may draw with an ideograph's own glyph:
// the radicals and Kangxi radicals, strokes, enclosed and compatibility forms.
constexpr char32_t kSharedFirst = 0x2E80;
constexpr char32_t kSharedLast = 0x33FF;

bool IsBmpIdeograph(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF);
}

// The tables of a face that a copy of it keeps as they are ("cmap" and "name" are made anew; a
// digital signature would no longer hold).
constexpr const char* kKeptTables[] = {
    "BASE", "CBDT", "CBLC", "CFF ", "CFF2", "COLR", "CPAL", "EBDT", "EBLC", "EBSC", "GDEF",
    "GPOS", "GSUB", "HVAR", "JSTF", "LTSH", "MATH", "MVAR", "OS/2", "STAT", "VDMX", "VORG",
    "VVAR", "avar", "cvt ", "fpgm", "fvar", "gasp", "glyf", "gvar", "hdmx", "head", "hhea",
    "hmtx", "kern", "loca", "maxp", "meta", "post", "prep", "sbix", "vhea", "vmtx"};

struct Mapping {
    char32_t code;
    quint32 glyph;
};

// Every character that face maps to a glyph, in code order.
std::vector<Mapping> CharacterMap(const QRawFont& face) {
    std::vector<char32_t> codes;
    codes.reserve(0x110000);
    QString text;
    text.reserve(2 * 0x110000);
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        codes.push_back(c);
        if (QChar::requiresSurrogates(c)) {
            text.append(QChar(QChar::highSurrogate(c)));
            text.append(QChar(QChar::lowSurrogate(c)));
        } else {
            text.append(QChar(char16_t(c)));
        }
    }
    // Room for one glyph per UTF-16 unit, as the call asks; a pair gives one glyph.
    std::vector<quint32> glyphs(size_t(text.size()));
    int count = int(glyphs.size());
    if (!face.glyphIndexesForChars(text.constData(), int(text.size()), glyphs.data(), &count) ||
        count != int(codes.size()))
        return {};
    std::vector<Mapping> map;
    for (size_t i = 0; i < codes.size(); ++i)
        if (glyphs[i] != 0)
            map.push_back({codes[i], glyphs[i]});
    return map;
}

void Put16(QByteArray& out, quint16 v) {
    char b[2];
    qToBigEndian(v, b);
    out.append(b, 2);
}

void Put32(QByteArray& out, quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

quint32 TableChecksum(const QByteArray& data) {
    quint32 sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4) {
        quint32 word = 0;
        for (qsizetype k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < data.size() ? quint8(data[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

// A character map of one format 12 table (all of Unicode, in runs of consecutive characters on
// consecutive glyphs), for the Unicode and the Windows full-repertoire encodings.
QByteArray CmapTable(const std::vector<Mapping>& map) {
    struct Run {
        char32_t first, last;
        quint32 glyph;
    };
    std::vector<Run> runs;
    for (const Mapping& m : map) {
        if (!runs.empty() && runs.back().last + 1 == m.code &&
            runs.back().glyph + (m.code - runs.back().first) == m.glyph)
            runs.back().last = m.code;
        else
            runs.push_back({m.code, m.code, m.glyph});
    }
    const quint32 subtableOffset = 4 + 2 * 8;
    QByteArray out;
    Put16(out, 0); // version
    Put16(out, 2); // encoding records
    Put16(out, 0); // Unicode
    Put16(out, 4); // full repertoire
    Put32(out, subtableOffset);
    Put16(out, 3);  // Windows
    Put16(out, 10); // full repertoire
    Put32(out, subtableOffset);
    Put16(out, 12); // format
    Put16(out, 0);
    Put32(out, quint32(16 + 12 * runs.size()));
    Put32(out, 0); // language
    Put32(out, quint32(runs.size()));
    for (const Run& r : runs) {
        Put32(out, r.first);
        Put32(out, r.last);
        Put32(out, r.glyph);
    }
    return out;
}

// A naming table with the family, style, full and PostScript names, in English for Windows.
QByteArray NameTable(const QString& family, const QString& style, const QString& postScript) {
    const std::pair<quint16, QString> names[] = {
        {1, family}, {2, style}, {4, family + u' ' + style}, {6, postScript}};
    QByteArray strings;
    QByteArray out;
    Put16(out, 0); // format
    Put16(out, quint16(std::size(names)));
    Put16(out, quint16(6 + 12 * std::size(names)));
    for (const auto& [id, text] : names) {
        QByteArray utf16;
        for (QChar ch : text)
            Put16(utf16, ch.unicode());
        Put16(out, 3);     // Windows
        Put16(out, 1);     // Unicode BMP
        Put16(out, 0x409); // English
        Put16(out, id);
        Put16(out, quint16(utf16.size()));
        Put16(out, quint16(strings.size()));
        strings += utf16;
    }
    return out + strings;
}

// An OpenType file of tables (by tag), with its directory and checksums.
QByteArray FontFile(std::map<QByteArray, QByteArray> tables) {
    const auto count = quint16(tables.size());
    quint16 selector = 0;
    while ((2u << selector) <= count)
        ++selector;
    const quint16 searchRange = quint16((1u << selector) * 16);
    QByteArray out;
    Put32(out, tables.count("CFF ") || tables.count("CFF2") ? 0x4F54544Fu : 0x00010000u);
    Put16(out, count);
    Put16(out, searchRange);
    Put16(out, selector);
    Put16(out, quint16(count * 16 - searchRange));
    QByteArray body;
    qsizetype headAt = -1;
    const qsizetype bodyAt = 12 + 16 * qsizetype(count);
    for (auto& [tag, data] : tables) {
        if (tag == "head")
            qToBigEndian<quint32>(0, data.data() + 8); // the adjustment counts as 0 here
        out += tag;
        Put32(out, TableChecksum(data));
        Put32(out, quint32(bodyAt + body.size()));
        Put32(out, quint32(data.size()));
        if (tag == "head")
            headAt = bodyAt + body.size();
        body += data;
        while (body.size() % 4)
            body += '\0';
    }
    out += body;
    if (headAt >= 0)
        qToBigEndian<quint32>(0xB1B0AFBAu - TableChecksum(out), out.data() + headAt + 8);
    return out;
}

// Registers a copy of face whose character map leaves out the characters before the ideographs
// that share an ideograph's glyph, and returns its family; empty when face shares none (or
// cannot be copied).
QString MakePrintFace(const QRawFont& face) {
    std::vector<Mapping> map = CharacterMap(face);
    QSet<quint32> ideographGlyphs;
    for (const Mapping& m : map)
        if (IsBmpIdeograph(m.code))
            ideographGlyphs.insert(m.glyph);
    const size_t all = map.size();
    std::erase_if(map, [&](const Mapping& m) {
        return m.code >= kSharedFirst && m.code <= kSharedLast && ideographGlyphs.contains(m.glyph);
    });
    if (map.size() == all)
        return {};

    std::map<QByteArray, QByteArray> tables;
    for (const char* tag : kKeptTables) {
        const QByteArray data = face.fontTable(tag);
        if (!data.isEmpty())
            tables[QByteArray(tag)] = data;
    }
    for (const char* needed : {"head", "hhea", "hmtx", "maxp"})
        if (!tables.count(needed))
            return {};
    if (tables["head"].size() < 12)
        return {};
    static int made = 0;
    ++made;
    const QString family = QStringLiteral("Meridane Print %1 %2").arg(made).arg(face.familyName());
    tables["cmap"] = CmapTable(map);
    tables["name"] =
        NameTable(family, face.styleName().isEmpty() ? QStringLiteral("Regular") : face.styleName(),
                  QStringLiteral("MeridanePrint%1-Face").arg(made));
    const int id = QFontDatabase::addApplicationFontFromData(FontFile(std::move(tables)));
    return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
}

// The family of face's copy for printing, made once per face; empty when face needs none.
QString PrintFamily(const QRawFont& face) {
    static QHash<QString, QString> families;
    const QString key = face.familyName() + u'\n' + face.styleName();
    const auto found = families.constFind(key);
    if (found != families.cend())
        return *found;
    const QString family = MakePrintFace(face);
    families.insert(key, family);
    return family;
}

// Prints doc on printer page by page as it is laid out for the printer's page, with no page
// numbers or margins of the print's own: the printout holds what the pane holds.
void PrintAsShown(const QTextDocument& doc, QPrinter& printer) {
    std::unique_ptr<QTextDocument> copy(doc.clone());
    copy->documentLayout()->setPaintDevice(&printer);
    // The pane's font is set in points: laid out on the printer, it keeps its size on paper.
    copy->setDefaultFont(FontForPrinting(doc.defaultFont()));
    copy->setPageSize(QSizeF(printer.width(), printer.height()));
    // A laid-out page size makes the document count as paginated: no page numbers are added.
    copy->print(&printer);
}

// Characters of text laid out before the records so far are painted.
constexpr qsizetype kPdfChunkChars = 12000;

class PdfWriter : public RecordWriter {
public:
    // font: as FontForPrinting gave it.
    PdfWriter(QIODevice& out, const QFont& font) : pdf_(&out), font_(font) {
        pdf_.setPageSize(QPageSize(QPageSize::A4));
        pdf_.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        pdf_.setTitle(kProgramTitle);
        pdf_.setCreator(kProgramTitle);
        title_.setFontWeight(QFont::Bold);
        title_.setFontPointSize(font_.pointSizeF() * 1.25);
        header_.setForeground(QColor(0x55, 0x55, 0x55));
        text_.setForeground(Qt::black);
        keyword_.setForeground(QColor(0xFF, 0x00, 0x00));
    }
    ~PdfWriter() override {
        // Without finish(): nothing more is painted, and the device is left as it is.
        if (painter_.isActive())
            painter_.end();
    }

    void add(const ExportedRecord& r) override {
        if (!doc_)
            startChunk();
        QTextCursor at(doc_.get());
        at.movePosition(QTextCursor::End);
        if (!doc_->isEmpty())
            at.insertBlock(QTextBlockFormat(), text_);
        QTextBlockFormat spaced;
        spaced.setTopMargin(doc_->isEmpty() ? 0 : font_.pointSizeF() * 1.5);
        at.setBlockFormat(spaced);
        at.insertText(r.title, title_);
        at.insertBlock(QTextBlockFormat(), header_);
        at.insertText(r.header, header_);
        at.insertBlock(QTextBlockFormat(), text_);
        // The ranges count in the body as it is: its line ends are changed piece by piece.
        qsizetype from = 0;
        const auto put = [&](qsizetype start, qsizetype end, const QTextCharFormat& format) {
            QString part = r.body.mid(start, end - start);
            part.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            part.replace(u'\r', u'\n');
            if (!part.isEmpty())
                at.insertText(part, format);
        };
        for (const TextRange& k : r.keywords) {
            if (k.start < from || k.start + k.length > r.body.size())
                continue;
            put(from, k.start, text_);
            put(k.start, k.start + k.length, keyword_);
            from = k.start + k.length;
        }
        put(from, r.body.size(), text_);
        chars_ += r.title.size() + r.header.size() + r.body.size();
        if (chars_ >= kPdfChunkChars)
            paintChunk();
    }

    bool finish() override {
        if (doc_)
            paintChunk();
        if (failed_)
            return false;
        if (!painter_.isActive() && !painter_.begin(&pdf_))
            return false; // an empty export is one empty page
        return painter_.end();
    }

private:
    void startChunk() {
        doc_ = std::make_unique<QTextDocument>();
        doc_->documentLayout()->setPaintDevice(&pdf_);
        doc_->setDefaultFont(font_);
        doc_->setPageSize(QSizeF(pdf_.width(), pdf_.height()));
        doc_->setDocumentMargin(0);
        chars_ = 0;
    }

    void paintChunk() {
        if (!painter_.isActive()) {
            if (!painter_.begin(&pdf_)) {
                doc_.reset();
                failed_ = true;
                return;
            }
        } else {
            pdf_.newPage();
        }
        const QSizeF page = doc_->pageSize();
        const int pages = doc_->pageCount();
        for (int p = 0; p < pages; ++p) {
            if (p > 0)
                pdf_.newPage();
            painter_.save();
            painter_.translate(0, -p * page.height());
            doc_->drawContents(&painter_, QRectF(QPointF(0, p * page.height()), page));
            painter_.restore();
        }
        doc_.reset();
    }

    QPdfWriter pdf_;
    QFont font_;
    QPainter painter_;
    std::unique_ptr<QTextDocument> doc_;
    qsizetype chars_ = 0;
    bool failed_ = false;
    QTextCharFormat title_, header_, text_, keyword_;
};

} // namespace

WriterFactory ExportWriters(const QFont& font) {
    // The printable face is made here, on the calling thread; the writers may work on another.
    const QFont printed = FontForPrinting(font);
    return [printed](ExportFormat format, QIODevice& out) -> std::unique_ptr<RecordWriter> {
        if (format == ExportFormat::Pdf)
            return std::make_unique<PdfWriter>(out, printed);
        return MakeTextOrHtmlWriter(format, out);
    };
}

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

QFont FontForPrinting(const QFont& font) {
    const QRawFont face = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
    if (!face.isValid())
        return font;
    const QString family = PrintFamily(face);
    if (family.isEmpty())
        return font;
    // The copy stands where its face stood: before it in the families, or last, where the
    // face was a fallback of the system's.
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    const qsizetype at = families.indexOf(face.familyName());
    families.insert(at >= 0 ? at : families.size(), family);
    QFont printed(font);
    printed.setFamilies(families);
    return printed;
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
