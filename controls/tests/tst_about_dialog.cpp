// dlgAbout: its parts, its callers' texts, the close image, the link and the shell.
#include "buttons/about_dialog.h"
#include "buttons/command.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace drapix;

namespace {

class RecordingShell : public ShellService {
public:
    QStringList opened;
    void OpenPage(const QString& address) override { opened << address; }
};

void Move(QWidget* w, QPoint at) {
    QMouseEvent e(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Runs f once the modal dialog is showing.
void WhenShown(std::function<void(dlgAbout*)> f) {
    QTimer::singleShot(0, [f] {
        QTRY_VERIFY(AboutDialogLoaded() && AboutDialog()->isVisible());
        f(AboutDialog());
    });
}

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT
private slots:
    void init() { SetShell(&shell); }
    void cleanup() {
        SetShell(nullptr);
        ReleaseAboutDialog();
        shell.opened.clear();
    }
    void parts();
    void closeStateMachine();
    void closeImageHoverStaysUntilTheFormItself();
    void linkIsRedUnderTheMouseAndOpensThePage();
    void closeImageClosesThenOpensThePage();
    void escClosesWithoutOpeningThePage();
    void twoAboutBoxesNeverMix();
    void duplicateWarning();
    void warningLayout();

private:
    RecordingShell shell;
};

void TestAboutDialog::parts() {
    dlgAbout* d = AboutDialog();
    QCOMPARE(d->size(), QSize(382, 197));
    QCOMPARE(d->Label9->geometry(), QRect(138, 88, 233, 77));
    QVERIFY(d->Label9->isHidden());
    QCOMPARE(d->Image1->geometry(), QRect(344, 0, 28, 46));
    QVERIFY(d->Image1->pixmap().isNull());
    QCOMPARE(d->Image2->pixmap().size(), QSize(28, 46));
    QCOMPARE(d->Image3->pixmap().size(), QSize(28, 46));
    QCOMPARE(d->Image4->pixmap().size(), QSize(104, 60));
    QCOMPARE(d->Picture1->pixmap().size(), QSize(27, 122));
    QCOMPARE(d->Picture2->pixmap().size(), QSize(20, 40));
    QCOMPARE(d->Picture3->pixmap().size(), QSize(20, 40));
    QCOMPARE(d->Picture4->pixmap().size(), QSize(14, 36));
    for (QLabel* hidden : {d->Image2, d->Image3, d->Picture1, d->Picture2})
        QVERIFY(!d->rect().intersects(hidden->geometry()));
    QCOMPARE(d->Label1->palette().color(QPalette::Window), QColor(0xD5, 0xDE, 0xF2));
    QCOMPARE(d->Label1->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(d->Label2->font().bold());
    QCOMPARE(d->Label2->font().pointSizeF(), 15.0);
    QCOMPARE(d->Label2->font().families().first(), QStringLiteral("宋体"));
    QVERIFY(d->Label2->font().families().contains("Noto Serif CJK SC"));
    QCOMPARE(d->Label3->text(), kMakerAddress);
    // The outline of the skin, applied on resize.
    d->show();
    QCOMPARE(d->mask(), QRegion(CutForm::OutlinePoints(382, 197), Qt::WindingFill));
}

void TestAboutDialog::closeStateMachine() {
    AboutCloseState s;
    using P = AboutCloseState::Picture;
    QCOMPARE(s.formMouseMove(), P::None); // counter 0: picture removed
    QCOMPARE(s.counter(), 1);
    QCOMPARE(s.formMouseMove(), P::Unchanged);
    QCOMPARE(s.imageMouseMove(), P::Hover);
    QCOMPARE(s.counter(), 0);
    QCOMPARE(s.imageMouseDown(), P::Pressed);
    QCOMPARE(s.imageMouseMove(), P::Unchanged); // held: stays pressed
    s.imageMouseUp();
    QVERIFY(!s.pressed());
    for (int i = 0; i < 200; ++i)
        s.formMouseMove();
    QCOMPARE(s.counter(), 200);
    s.formMouseMove();
    QCOMPARE(s.counter(), 1); // wraps above 200
}

void TestAboutDialog::closeImageHoverStaysUntilTheFormItself() {
    dlgAbout* d = AboutDialog();
    d->show();
    Move(d->Image1, QPoint(10, 10));
    QCOMPARE(d->Image1->pixmap().toImage(), d->Image3->pixmap().toImage());
    Move(d->Label2, QPoint(5, 5)); // another label: the hover picture stays
    Move(d->Image4, QPoint(5, 5));
    QCOMPARE(d->Image1->pixmap().toImage(), d->Image3->pixmap().toImage());
    Move(d, QPoint(200, 185)); // the form itself
    QVERIFY(d->Image1->pixmap().isNull());
    QTest::mousePress(d->Image1, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(d->Image1->pixmap().toImage(), d->Image2->pixmap().toImage());
    QVERIFY(shell.opened.isEmpty());
}

void TestAboutDialog::linkIsRedUnderTheMouseAndOpensThePage() {
    dlgAbout* d = AboutDialog();
    d->show();
    Move(d->Label3, QPoint(3, 3));
    QCOMPARE(d->Label3->palette().color(QPalette::WindowText), QColor(Qt::red));
    Move(d, QPoint(200, 185));
    QCOMPARE(d->Label3->palette().color(QPalette::WindowText), QColor(Qt::black));
    QTest::mouseClick(d->Label3, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(shell.opened, QStringList{kMakerAddress});
    QVERIFY(d->isVisible()); // the dialog stays
}

void TestAboutDialog::closeImageClosesThenOpensThePage() {
    bool closedFirst = false;
    WhenShown([&](dlgAbout* d) {
        QTest::mousePress(d->Image1, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(shell.opened.isEmpty());
        QTest::mouseRelease(d->Image1, Qt::LeftButton, {}, QPoint(10, 10));
        closedFirst = !d->isVisible();
    });
    Command c;
    c.ShowAboutBox();
    QCOMPARE(shell.opened, QStringList{kMakerAddress});
    QVERIFY(closedFirst);
    QVERIFY(!AboutDialogLoaded()); // unloaded after use
}

void TestAboutDialog::escClosesWithoutOpeningThePage() {
    WhenShown([](dlgAbout* d) { QTest::keyClick(d, Qt::Key_Escape); });
    Command c;
    c.ShowAboutBox();
    QVERIFY(shell.opened.isEmpty());
    QVERIFY(!AboutDialogLoaded());
}

void TestAboutDialog::twoAboutBoxesNeverMix() {
    QStringList seen;
    const auto look = [&seen](dlgAbout* d) {
        seen << d->Label1->text() + "|" + d->Label2->text() + "|" +
                    (d->Label9->isVisible() ? "warning" : "-");
        d->reject();
    };
    WhenShown(look);
    ShowDuplicateWarning(kSysTrayProduct, kSysTrayDuplicateWarning);
    QVERIFY(AboutDialogLoaded()); // the warning leaves it loaded
    WhenShown(look);
    Command().ShowAboutBox();
    WhenShown(look);
    ShowAboutBox(kAboutTitleDesign, kAboutProductDesign);
    QCOMPARE(seen, (QStringList{"注意|Lustrane窗体托盘控件|warning",
                                "关于Lustrane窗体按钮控件|Lustrane窗体按钮控件|-",
                                "关于Lustrane窗体皮肤控件|Lustrane窗体皮肤控件|-"}));
}

void TestAboutDialog::duplicateWarning() {
    dlgAbout* d = AboutDialog();
    d->PrepareWarning(QStringLiteral("Lustrane窗体控件"), kLustraneDuplicateWarning);
    QCOMPARE(d->Label1->text(), QStringLiteral("注意"));
    QVERIFY(!d->Label9->isHidden());
    QCOMPARE(d->Label9->text(), kLustraneDuplicateWarning);
    QCOMPARE(d->Label9->palette().color(QPalette::Window), QColor(0xD5, 0xDE, 0xF2));
    for (const QString& warning : {kLustraneDuplicateWarning, kSysTrayDuplicateWarning}) {
        d->PrepareWarning(QStringLiteral("Lustrane窗体控件"), warning);
        d->show();
        // Every line of the warning is readable: its wrapped text fits the label, which stays
        // on the dialog.
        const QRect needed = d->Label9->fontMetrics().boundingRect(
            QRect(0, 0, d->Label9->width(), 10000), int(d->Label9->alignment()) | Qt::TextWordWrap,
            d->Label9->text());
        QVERIFY2(
            needed.height() <= d->Label9->height(),
            qPrintable(
                QStringLiteral("needs %1, has %2").arg(needed.height()).arg(d->Label9->height())));
        QVERIFY(d->Label9->geometry().bottom() < d->height());
        QCOMPARE(d->Label9->geometry().topLeft(), QPoint(138, 88));
        // Nothing overlaps: the warning ends above the link line, which stays readable.
        QList<QLabel*> shown;
        for (QLabel* l : d->findChildren<QLabel*>()) {
            if (l->isVisible() && d->rect().intersects(l->geometry()))
                shown << l;
        }
        QVERIFY(shown.contains(d->Label3) && shown.contains(d->Label9));
        for (qsizetype i = 0; i < shown.size(); ++i) {
            for (qsizetype j = i + 1; j < shown.size(); ++j)
                QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                         qPrintable(shown[i]->objectName() + " / " + shown[j]->objectName()));
        }
        d->hide();
    }
    // A shorter text afterwards: the design size again.
    d->PrepareWarning(QStringLiteral("Lustrane窗体控件"), QStringLiteral("请删除多余的控件"));
    QCOMPARE(d->Label9->font().pointSizeF(), d->font().pointSizeF());
    QCOMPARE(d->Label9->geometry(), QRect(138, 88, 233, 77));
}

void TestAboutDialog::warningLayout() {
    // A stand-in measure: characters 4/3 of the point size wide, lines twice it high.
    int chars = 60;
    const auto height = [&chars](qreal size, int width) {
        const int perLine = int(width / (size * 4 / 3));
        return (chars + perLine - 1) / perLine * int(2 * size);
    };
    const QRect design(138, 88, 233, 77);
    // Fits at the design size (4 lines of 18): the design place and size.
    WarningLayout l = LayOutWarning(design, 166, 9, height);
    QCOMPARE(l.pointSize, 9.0);
    QCOMPARE(l.geometry, design);
    // A longer text needs 5 lines, 90 pixels, where 78 are left above the link line: the
    // largest smaller size that fits.
    chars = 80;
    QCOMPARE(height(9, 233), 90);
    l = LayOutWarning(design, 166, 9, height);
    QCOMPARE(l.pointSize, 8.5);
    QCOMPARE(l.geometry, design);
    // With room below, the label grows as far as the text needs.
    l = LayOutWarning(design, 200, 12, height);
    QCOMPARE(l.pointSize, 10.5);
    QCOMPARE(l.geometry, QRect(138, 88, 233, 105));
    // Never past the limit, even when no size fits.
    l = LayOutWarning(design, 100, 9, height);
    QCOMPARE(l.pointSize, kWarningMinimumPointSize);
    QCOMPARE(l.geometry, QRect(138, 88, 233, 12));
}

QTEST_MAIN(TestAboutDialog)
#include "tst_about_dialog.moc"
