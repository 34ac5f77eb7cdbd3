// The property bag, the form-data file and the controls' stored properties.
#include "buttons/class_table.h"
#include "buttons/command.h"
#include "core/ambient.h"
#include "core/form_data.h"
#include "core/pictures.h"
#include "core/property_bag.h"
#include "skin/lustrane.h"

#include <QPainter>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace drapix;

namespace {

// What is written to standard error while it lives.
class StderrCapture {
public:
    StderrCapture() {
        file_.open();
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(file_.handle(), 2);
    }
    ~StderrCapture() { restore(); }
    QString text() {
        restore();
        file_.seek(0);
        return QString::fromUtf8(file_.readAll());
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    QTemporaryFile file_;
    int saved_ = -1;
};

} // namespace

class TestFormData : public QObject {
    Q_OBJECT
private slots:
    void bagRules();
    void valuesInTheFileNotation();
    void roundTripReproducesEveryProperty();
    void missingKeysGiveDefaults();
    void aBrokenControlTakesItsDefaults();
    void everyProblemIsReportedWithItsLine();
    void aVeryLongCaptionPaintsItsBeginning();
    void hostFormsLoadTheirButtons_data();
    void hostFormsLoadTheirButtons();
};

void TestFormData::bagRules() {
    PropertyBag bag;
    bag.WriteProperty("Caption", QStringLiteral("查询"), QStringLiteral("x"));
    bag.WriteProperty("Enabled", true, true); // equal to its default: not written
    bag.WriteProperty("按钮类型", 3);         // no default: always written
    bag.WriteProperty("FontColor", 255, 0);
    QCOMPARE(bag.entries().size(), 3);
    QCOMPARE(bag.entries()[0].key, QString("Caption"));
    QCOMPARE(bag.entries()[2].key, QString("FontColor"));
    QCOMPARE(bag.ReadProperty("caption", "x").toString(), QStringLiteral("查询"));
    QCOMPARE(bag.ReadProperty("CAPTION", "x").toString(), QStringLiteral("查询"));
    QCOMPARE(bag.ReadProperty("Enabled", true).toBool(), true);
    QCOMPARE(bag.ReadProperty("按钮热键", QString("d")).toString(), QString("d"));
    // Writing the default later drops the stored value; other keys keep their places.
    bag.WriteProperty("CAPTION", QStringLiteral("x"), QStringLiteral("x"));
    QCOMPARE(bag.entries().size(), 2);
    QCOMPARE(bag.entries()[0].key, QString("按钮类型"));
    // A value of the wrong type reads as the default and is recorded.
    bag.fileName = "f.form";
    QCOMPARE(bag.ReadProperty("FontColor", QString("no")).toString(), QString("no"));
    QCOMPARE(bag.problems().size(), 1);
    QVERIFY(bag.problems()[0].startsWith("f.form:0: "));
}

void TestFormData::valuesInTheFileNotation() {
    QImage img(3, 2, QImage::Format_ARGB32);
    img.fill(Qt::red);
    QFont bold = NamedFont(QStringLiteral("宋体"), 15, true);
    bold.setItalic(true);
    const QList<QVariant> values = {true,
                                    false,
                                    -7,
                                    int(0x80000012u),
                                    QStringLiteral("a \"b\" \\ 查询\n\t"),
                                    QVariant(),
                                    QVariant(bold),
                                    PictureValue(img),
                                    PictureValue(QImage())};
    for (const QVariant& v : values) {
        QVariant back;
        QString error;
        QVERIFY2(ParseValue(FormatValue(v), &back, &error), qPrintable(FormatValue(v) + error));
        QCOMPARE(back, v);
    }
    QVariant v;
    QString error;
    QVERIFY(ParseValue(" 0xFF ", &v, &error));
    QCOMPARE(v.toInt(), 255);
    for (const char* bad : {"", "\"open", "maybe", "font(\"x\")", "font(\"x\", 9, shiny)",
                            "picture(\"notpng\")", "3 4", "99999999999", "\"\\q\""}) {
        QVERIFY2(!ParseValue(QString::fromUtf8(bad), &v, &error), bad);
        QVERIFY(!error.isEmpty());
    }
}

void TestFormData::roundTripReproducesEveryProperty() {
    QWidget host;
    host.setFont(NamedFont(QStringLiteral("宋体"), 9));
    auto* c = static_cast<Command*>(NewCommand(&host));
    c->setObjectName("Command1");
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(2, 2, 12, 12, Qt::darkGreen);
    c->Set图标位置(2);
    c->SetCaption(QStringLiteral("在结果中查询 \"x\""));
    c->Set按钮上的图标(QPixmap::fromImage(icon));
    c->SetFont(NamedFont(QStringLiteral("MS Sans Serif"), 8.25));
    c->SetFontColor(0x0000C0);
    c->Set按钮类型(4);
    c->Set按钮热键(QStringLiteral("zq"));
    c->SetEnabled(false);

    FormData form;
    form.fileName = "memory.form";
    FormControl fc;
    fc.name = "Command1";
    fc.progId = "Drapix.Command";
    fc.bag.WriteProperty("_extentx", 1215);
    fc.bag.WriteProperty("_extenty", 375);
    c->WriteProperties(fc.bag);
    QStringList keys;
    for (const auto& e : fc.bag.entries())
        keys << e.key;
    QCOMPARE(keys, (QStringList{"_extentx", "_extenty", "图标位置", "Caption", "Enabled",
                                "按钮上的图标", "Font", "FontColor", "按钮类型", "按钮热键"}));
    form.controls << fc;
    const QByteArray text = form.ToText();
    QVERIFY(text.contains("caption = \"在结果中查询 \\\"x\\\"\""));

    const FormData back = FormData::Parse(text, "memory.form");
    QVERIFY(back.problems.isEmpty());
    QWidget host2;
    host2.setFont(host.font());
    std::unique_ptr<QWidget> w(CreateFormControl(back, "command1", &host2));
    auto* d = qobject_cast<Command*>(w.get());
    QVERIFY(d);
    QCOMPARE(d->objectName(), QString("Command1"));
    QCOMPARE(d->size(), QSize(81, 25));
    QCOMPARE(d->图标位置(), 2);
    QCOMPARE(d->Caption(), c->Caption());
    QCOMPARE(d->Enabled(), false);
    QCOMPARE(d->按钮上的图标().toImage().convertToFormat(QImage::Format_ARGB32), icon);
    QCOMPARE(d->Font(), c->Font());
    QCOMPARE(d->FontColor(), 0x0000C0u);
    QCOMPARE(d->按钮类型(), 4);
    QCOMPARE(d->按钮热键(), QString("zq"));
    // And written again, the same text.
    FormData again;
    FormControl fc2{"Command1", "Drapix.Command", 0, {}, false};
    fc2.bag.WriteProperty("_extentx", 1215);
    fc2.bag.WriteProperty("_extenty", 375);
    d->WriteProperties(fc2.bag);
    again.controls << fc2;
    QCOMPARE(again.ToText(), text);
}

void TestFormData::missingKeysGiveDefaults() {
    QWidget host;
    host.setFont(NamedFont(QStringLiteral("宋体"), 9));
    // Not even the style: style 3, and the access keys after it are still read.
    const FormData form =
        FormData::Parse("[Command1] Drapix.Command\n按钮热键 = \"k\"\n", "m.form");
    std::unique_ptr<QWidget> w(CreateFormControl(form, "Command1", &host));
    auto* c = qobject_cast<Command*>(w.get());
    QVERIFY(c);
    QCOMPARE(c->按钮类型(), 3);
    QCOMPARE(c->按钮热键(), QString("k"));
    QCOMPARE(c->Caption(), kProductFamilyText);
    QCOMPARE(c->图标位置(), 0);
    QVERIFY(c->Enabled());
    QCOMPARE(c->Font(), host.font());
    QCOMPARE(c->FontColor(), 0u);
    QCOMPARE(c->按钮上的图标().size(), QSize(87, 23)); // the built-in picture
    // A control with all defaults writes only its style.
    PropertyBag bag;
    c->Set按钮热键({});
    c->WriteProperties(bag);
    QCOMPARE(bag.entries().size(), 1);
    QCOMPARE(bag.entries()[0].key, QString("按钮类型"));
}

void TestFormData::aBrokenControlTakesItsDefaults() {
    const QByteArray text = "stray line\n"
                            "[Good] Drapix.Command\n"
                            "caption = \"好\"\n"
                            "按钮类型 = 0\n"
                            "[Bad] Drapix.Command\n"
                            "caption = \"坏\n"
                            "按钮类型 = 1\n"
                            "[Typed] Drapix.Command\n"
                            "caption = 12\n"
                            "按钮类型 = 2\n"
                            "[Unknown] Drapix.Nothing\n";
    const FormData form = FormData::Parse(text, "broken.form");
    QCOMPARE(form.problems, QStringList{"broken.form:1: a value outside any control"});
    QVERIFY(form.Control("Bad")->broken);
    QCOMPARE(form.Control("Bad")->bag.problems().size(), 1);
    QVERIFY(form.Control("Bad")->bag.problems()[0].startsWith("broken.form:6: "));
    QWidget host;
    std::unique_ptr<QWidget> good(CreateFormControl(form, "Good", &host));
    QCOMPARE(static_cast<Command*>(good.get())->Caption(), QStringLiteral("好"));
    QCOMPARE(static_cast<Command*>(good.get())->按钮类型(), 0);
    for (const char* name : {"Bad", "Typed"}) {
        std::unique_ptr<QWidget> w(CreateFormControl(form, name, &host));
        auto* c = qobject_cast<Command*>(w.get());
        QVERIFY(c);
        QCOMPARE(c->Caption(), kProductFamilyText);
        QCOMPARE(c->按钮类型(), 3);
    }
    QCOMPARE(CreateFormControl(form, "Unknown", &host), nullptr);
    QCOMPARE(CreateFormControl(form, "Missing", &host), nullptr);
    QCOMPARE(FormData::Load("/nonexistent/x.form").problems.size(), 1);
}

// Each thing wrong in a form file is written to standard error as FILE:LINE, and its control
// takes its defaults.
void TestFormData::everyProblemIsReportedWithItsLine() {
    const QByteArray text = "[Wide] Drapix.Command\n"
                            "_extentx = \"wide\"\n"
                            "caption = \"宽\"\n"
                            "[Bytes] Drapix.Command\n"
                            "caption = \"\xff\xfe\"\n"
                            "[Twice] Drapix.Command\n"
                            "caption = \"一\"\n"
                            "[twice] Drapix.Command\n"
                            "caption = \"二\"\n"
                            "[Long] Drapix.Command\n"
                            "caption = \"" +
                            QByteArray(70000, 'a') +
                            "\"\n"
                            "[Tray] Drapix.SysTray\n"
                            "_extenty = True\n"
                            "[Fine] Drapix.Command\n"
                            "caption = \"好\"\n";
    StderrCapture parsing;
    const FormData form = FormData::Parse(text, "f.form");
    const QStringList parsed = parsing.text().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(parsed.size(), 3);
    QCOMPARE(parsed[0], QStringLiteral("f.form:5: the line is not valid UTF-8"));
    QVERIFY2(
        parsed[1].startsWith("f.form:8: the control \"twice\" is given again (first on line 6)"),
        qPrintable(parsed[1]));
    QVERIFY2(parsed[2].startsWith("f.form:11: a text of 70000 characters"), qPrintable(parsed[2]));
    QCOMPARE(form.controls.size(), 6);

    QWidget host;
    for (const char* name : {"Wide", "Bytes", "Twice", "Long", "Tray", "Fine"}) {
        StderrCapture loading;
        std::unique_ptr<QWidget> w(CreateFormControl(form, name, &host));
        QVERIFY(w);
        const QString err = loading.text();
        if (QByteArray(name) == "Fine") {
            QCOMPARE(err, QString());
            QCOMPARE(static_cast<Command*>(w.get())->Caption(), QStringLiteral("好"));
            continue;
        }
        QVERIFY2(err.contains(QStringLiteral("f.form: %1 takes its default properties").arg(name)),
                 qPrintable(err));
        if (auto* c = qobject_cast<Command*>(w.get()))
            QCOMPARE(c->Caption(), kProductFamilyText);
        if (QByteArray(name) == "Wide")
            QVERIFY2(err.startsWith("f.form:2: \"_extentx\" needs a value of type int"),
                     qPrintable(err));
        if (QByteArray(name) == "Tray")
            QVERIFY2(err.startsWith("f.form:13: \"_extenty\" needs a value of type int"),
                     qPrintable(err));
    }
}

// However long a caption is set, the button measures and paints only its beginning.
void TestFormData::aVeryLongCaptionPaintsItsBeginning() {
    QWidget host;
    Command whole(&host), beginning(&host);
    for (Command* c : {&whole, &beginning})
        c->resize(120, 25);
    const QString text = QString(40, QChar(0x6C34)) + QString(200000, QLatin1Char('W'));
    whole.SetCaption(text);
    beginning.SetCaption(text.left(1024));
    QCOMPARE(whole.Caption(), text);
    QCOMPARE(whole.captionRect(), beginning.captionRect());
    QCOMPARE(whole.grab().toImage(), beginning.grab().toImage());
}

void TestFormData::hostFormsLoadTheirButtons_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("frmMain") << ":/forms/frmMain.form"
                             << QStringList{"Command1",  "Command2", "Command4",
                                            "Command5",  "Command6", "Command9",
                                            "Command10", "Command7", "Command8"}
                             << QStringList{"查询",     "在结果中查询", "资料输入",
                                            "关闭音乐", "系统信息",     "网上留言",
                                            "在线更新", "打印",         "退出"};
    QTest::newRow("Form5") << ":/forms/Form5.form"
                           << QStringList{"cmdSearch", "Command1",  "cmdAdd",    "cmdMove_0",
                                          "cmdMove_1", "cmdMove_2", "cmdMove_3", "cmdDelete",
                                          "Command2",  "cmdSave",   "Command7",  "cmdRefresh",
                                          "cmdExit",   "Command3"}
                           << QStringList{"按标题查询", "按内容查询", "添加", "||<<", "<<",
                                          ">>",         ">>||",       "删除", "备份", "保存",
                                          "查找字符",   "刷新",       "退出", "恢复"};
}

void TestFormData::hostFormsLoadTheirButtons() {
    QFETCH(QString, file);
    QFETCH(QStringList, names);
    QFETCH(QStringList, captions);
    const FormData form = FormData::Load(file);
    QVERIFY(form.problems.isEmpty());
    QWidget host;
    // The buttons, and on the main window its skin Lustrane1.
    qsizetype commands = 0;
    for (const FormControl& c : form.controls) {
        if (c.progId == QStringLiteral("Drapix.Command")) {
            ++commands;
            continue;
        }
        QCOMPARE(file, QStringLiteral(":/forms/frmMain.form"));
        QCOMPARE(c.name, QStringLiteral("Lustrane1"));
        QCOMPARE(c.progId, QStringLiteral("Drapix.Lustrane"));
        std::unique_ptr<QWidget> skin(CreateFormControl(form, c.name, &host));
        QVERIFY(qobject_cast<Lustrane*>(skin.get()));
        QCOMPARE(skin->size(), QSize(180, 131));
    }
    QCOMPARE(commands, names.size());
    QCOMPARE(form.controls.size(), names.size() + (file.contains("frmMain") ? 1 : 0));
    for (int i = 0; i < names.size(); ++i) {
        std::unique_ptr<QWidget> w(CreateFormControl(form, names[i], &host));
        auto* c = qobject_cast<Command*>(w.get());
        QVERIFY(c);
        QCOMPARE(c->Caption(), captions[i]);
        QCOMPARE(c->按钮类型(), 3);
        QCOMPARE(c->Font().family(), QString("MS Sans Serif"));
        QCOMPARE(c->Font().pointSizeF(), 8.25);
        QVERIFY(c->按钮上的图标().isNull());
        QCOMPARE(c->height(), 25);
    }
}

QTEST_MAIN(TestFormData)
#include "tst_form_data.moc"
