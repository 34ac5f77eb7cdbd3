// Qt's own dialogs speak Chinese in any system language (run with LANG=C), and message boxes
// leave the window manager room for their whole title.
#include "shell/widget_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyle>
#include <QTimer>
#include <QtTest>

using namespace meridane;

namespace {

// The button texts of a dialog with their access keys ("打印(&P)") taken out.
QStringList ButtonTexts(const QWidget* dialog) {
    QStringList texts;
    for (const QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(dialog) && !b->text().isEmpty())
            texts << b->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
    return texts;
}

void VerifyChinese(const QStringList& texts) {
    QVERIFY(!texts.isEmpty());
    for (const QString& t : texts)
        QVERIFY2(!t.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
                 qPrintable(texts.join(QStringLiteral(" | "))));
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The point of the test: a system that is not set to Chinese.
        QVERIFY2(!QLocale::system().name().startsWith(QStringLiteral("zh")),
                 qPrintable(QLocale::system().name()));
        QVERIFY(LoadQtTranslations());
        QVERIFY(LoadQtTranslations()); // once is enough; again does no harm
    }

    void printDialogInChinese() {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QStringList texts = ButtonTexts(&dialog);
        VerifyChinese(texts);
        QVERIFY2(texts.contains(QStringLiteral("打印")) && texts.contains(QStringLiteral("取消")),
                 qPrintable(texts.join(QStringLiteral(" | "))));
        dialog.reject();
    }

    void messageBoxInChinese() {
        QMessageBox box;
        box.setText(QStringLiteral("内容"));
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes |
                               QMessageBox::No | QMessageBox::Close);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        VerifyChinese(ButtonTexts(&box));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    }

    // A box with a short text is still wide enough for the caption's icon and buttons beside
    // the whole title, in a bold face.
    void messageBoxWideEnoughForItsTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("flags");
        QTest::newRow("Meridane") << QStringLiteral("Meridane") << 0;
        QTest::newRow("注意！") << QStringLiteral("注意！") << 48;
        QTest::newRow("Printing Error!") << QStringLiteral("Printing Error!") << 48;
        QTest::newRow("Yes/No") << QStringLiteral("Meridane") << 4;
    }

    void messageBoxWideEnoughForItsTitle() {
        QFETCH(QString, title);
        QFETCH(int, flags);
        int width = 0;
        QString shownTitle;
        QFont font;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            width = box->width();
            shownTitle = box->windowTitle();
            font = box->font();
            box->done(0);
        });
        WidgetMessages messages;
        messages.MsgBox(QStringLiteral("好"), flags, title);
        QCOMPARE(shownTitle, title);
        font.setBold(true);
        const int needed = QFontMetrics(font).horizontalAdvance(title) + 140;
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
    }

    // A box's text can be selected with the mouse and copied, such as the guestbook's address,
    // in any style (some leave a box's text unselectable).
    void messageTextSelectable_data() {
        QTest::addColumn<QString>("style");
        QTest::newRow("Fusion") << QStringLiteral("Fusion");
        QTest::newRow("Windows") << QStringLiteral("Windows");
    }

    void messageTextSelectable() {
        QFETCH(QString, style);
        const QString before = QApplication::style()->name();
        QVERIFY(QApplication::setStyle(style));
        const auto restore = qScopeGuard([&] { QApplication::setStyle(before); });
        const QString address = QStringLiteral("http://127.0.0.1:9/gb_add.asp");
        QString selected;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            // A drag over the whole text of the label that shows it.
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (!label->text().contains(address))
                    continue;
                const QRect r = label->contentsRect();
                QTest::mousePress(label, Qt::LeftButton, {}, r.topLeft());
                QTest::mouseMove(label, r.bottomRight());
                QTest::mouseRelease(label, Qt::LeftButton, {}, r.bottomRight());
                selected = label->selectedText();
            }
            box->done(0);
        });
        WidgetMessages messages;
        messages.MsgBox(QStringLiteral("请将下面的网址复制到网页浏览器中打开：\r\n") + address, 48,
                        QStringLiteral("Meridane"));
        QVERIFY2(selected.contains(address), qPrintable(selected));
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
