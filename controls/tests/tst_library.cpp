// The library as a component: class table, entry points, registration store, pictures and the
// window outline.
#include "artwork/artwork_table.h"
#include "buttons/class_table.h"
#include "buttons/command.h"
#include "buttons/entry_points.h"
#include "core/cut_form.h"
#include "core/pictures.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace drapix;

namespace {

QMap<QString, QString> Snapshot(const QString& path) {
    QSettings s(path, QSettings::IniFormat);
    QMap<QString, QString> all;
    for (const QString& k : s.allKeys())
        all.insert(k, s.value(k).toString());
    return all;
}

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    void classTable();
    void registrationRoundTripLeavesTheStoreAsItWas();
    void classObjects();
    void canUnloadNow();
    void pictureSizes();
    void faceKeyColours();
    void toolboxBitmapsAre24Bit();
    void outlineEdgeCases();
    void outlineFollowsTheWindow();
};

void TestLibrary::classTable() {
    const TypeLibrary& lib = DrapixTypeLibrary();
    QCOMPARE(lib.name, QString("Drapix"));
    QCOMPARE(lib.major, 1);
    QCOMPARE(lib.minor, 0);
    QCOMPARE(lib.locale, 0);
    QVERIFY(!lib.id.isNull());
    const ControlClass* c = FindClass(QStringLiteral("Drapix.Command"));
    QVERIFY(c);
    QCOMPARE(c, FindClass(c->classId));
    QCOMPARE(c->name, QString("Command"));
    QCOMPARE(c->defaultInterface, QString("_Command"));
    QCOMPARE(c->eventInterface, QString("__Command"));
    QCOMPARE(c->miscStatus, 0x21191u);
    QCOMPARE(c->toolboxResource, 30002);
    QCOMPARE(c->classId, QUuid(QStringLiteral("{88E7203A-0CA1-4C90-85AD-AE6D6A9224A9}")));
    QVERIFY(FindClass(QStringLiteral("drapix.command")));
    QVERIFY(!FindClass(QStringLiteral("Drapix.Nothing")));
    // Every id is distinct.
    QSet<QUuid> ids{lib.id};
    for (const ControlClass& k : ControlClasses())
        ids << k.classId << k.defaultInterfaceId << k.eventInterfaceId;
    QCOMPARE(int(ids.size()), 1 + 3 * int(ControlClasses().size()));
}

void TestLibrary::registrationRoundTripLeavesTheStoreAsItWas() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.ini"));
    {
        // Somebody else's records, including a neighbour in the same branches.
        QSettings s(path, QSettings::IniFormat);
        s.setValue(QStringLiteral("CLSID/{00000000-1111-2222-3333-444444444444}/Default"),
                   QStringLiteral("Other.Control"));
        s.setValue(QStringLiteral("Other.Control/CLSID/Default"),
                   QStringLiteral("{00000000-1111-2222-3333-444444444444}"));
        s.setValue(QStringLiteral("TypeLib/%1/2.0/Default")
                       .arg(DrapixTypeLibrary().id.toString().toUpper()),
                   QStringLiteral("a later version"));
    }
    const auto before = Snapshot(path);
    SetRegistrationStore(path);
    QCOMPARE(DllRegisterServer(), S_OK_);
    {
        QSettings s(path, QSettings::IniFormat);
        const ControlClass& c = ControlClasses().front();
        const QString key = QStringLiteral("CLSID/") + c.classId.toString().toUpper();
        QCOMPARE(s.value(key + "/ProgID/Default").toString(), QString("Drapix.Command"));
        QCOMPARE(s.value(key + "/InprocServer32/Default").toString(), LibraryFilePath());
        QVERIFY(LibraryFilePath().contains(QStringLiteral("drapix")));
        QCOMPARE(s.value(key + "/MiscStatus/1/Default").toString(), QString("135569"));
        QCOMPARE(s.value(key + "/ToolboxBitmap32/Default").toString(),
                 LibraryFilePath() + QStringLiteral(", 30002"));
        QCOMPARE(s.value(key + "/TypeLib/Default").toString(),
                 DrapixTypeLibrary().id.toString().toUpper());
        QCOMPARE(s.value(key + "/Version/Default").toString(), QString("1.0"));
        QCOMPARE(s.value("Drapix.Command/CLSID/Default").toString(),
                 c.classId.toString().toUpper());
        QCOMPARE(s.value(QStringLiteral("TypeLib/%1/1.0/Default")
                             .arg(DrapixTypeLibrary().id.toString().toUpper()))
                     .toString(),
                 QString("Drapix"));
    }
    QCOMPARE(DllRegisterServer(), S_OK_); // twice is the same as once
    QCOMPARE(DllUnregisterServer(), S_OK_);
    QCOMPARE(Snapshot(path), before);
    // From an empty store back to an empty store.
    const QString empty = dir.filePath(QStringLiteral("empty.ini"));
    SetRegistrationStore(empty);
    QCOMPARE(DllRegisterServer(), S_OK_);
    QVERIFY(!Snapshot(empty).isEmpty());
    QCOMPARE(DllUnregisterServer(), S_OK_);
    QVERIFY(Snapshot(empty).isEmpty());
    SetRegistrationStore({});
}

void TestLibrary::classObjects() {
    ClassFactory* factory = nullptr;
    QCOMPARE(DllGetClassObject(QUuid::createUuid(), kIID_IClassFactory, &factory),
             kClassNotAvailable);
    QCOMPARE(factory, nullptr);
    QCOMPARE(kClassNotAvailable, HResult(0x80040111u));
    const QUuid command = FindClass(QStringLiteral("Command"))->classId;
    QCOMPARE(DllGetClassObject(command, QUuid::createUuid(), &factory), kNoInterface);
    QCOMPARE(DllGetClassObject(command, kIID_IClassFactory, nullptr), kPointer);
    QCOMPARE(DllGetClassObject(command, kIID_IClassFactory, &factory), S_OK_);
    QVERIFY(factory);
    std::unique_ptr<QWidget> w(factory->CreateInstance(nullptr));
    auto* c = qobject_cast<Command*>(w.get());
    QVERIFY(c);
    QCOMPARE(c->按钮类型(), 3); // a new control's initialisation
    QVERIFY(c->Enabled());
    QCOMPARE(c->Caption(), kCommandDesignCaption);
    delete factory;
}

void TestLibrary::canUnloadNow() {
    QCOMPARE(DllCanUnloadNow(), S_OK_);
    {
        Command live;
        QCOMPARE(DllCanUnloadNow(), S_FALSE_);
    }
    QCOMPARE(DllCanUnloadNow(), S_OK_);
    ClassFactory* factory = nullptr;
    QCOMPARE(DllGetClassObject(ControlClasses().front().classId, kIID_IUnknown, &factory), S_OK_);
    QCOMPARE(DllCanUnloadNow(), S_OK_); // a factory alone holds no lock
    factory->LockServer(true);
    QCOMPARE(DllCanUnloadNow(), S_FALSE_);
    factory->LockServer(false);
    QCOMPARE(DllCanUnloadNow(), S_OK_);
    factory->LockServer(true);
    delete factory; // a factory's locks end with it
    QCOMPARE(DllCanUnloadNow(), S_OK_);
}

void TestLibrary::pictureSizes() {
    QCOMPARE(int(Pictures().size()), 29 + 20 + 2 + 8 + 3);
    for (const PictureInfo& p : Pictures()) {
        const QImage img = PictureImage(p.name);
        QVERIFY2(!img.isNull(), qPrintable(p.name));
        QCOMPARE(img.size(), QSize(p.width, p.height));
    }
    const auto size = [](const char* name) {
        const PictureInfo* p = FindPicture(QString::fromLatin1(name));
        return p ? QSize(p->width, p->height) : QSize();
    };
    QCOMPARE(size("Imgbut1"), QSize(94, 38));
    QCOMPARE(size("XpGreen1"), QSize(81, 19));
    QCOMPARE(size("CommandMenuPicture"), QSize(87, 23));
    QCOMPARE(size("Img_Lustrane_Top"), QSize(563, 46));
    QCOMPARE(size("ImgLustraneBottomRim"), QSize(155, 9));
    QCOMPARE(size("SysTrayIcon"), QSize(48, 48));
    QCOMPARE(size("SysTrayDesign"), QSize(200, 28));
    QCOMPARE(size("LustraneDesign"), QSize(180, 131));
    QCOMPARE(size("dlgAboutBackground"), QSize(382, 197));
    QCOMPARE(size("dlgAboutLogo"), QSize(104, 60));
    QCOMPARE(size("dlgAboutPicture1"), QSize(27, 122));
    QCOMPARE(size("dlgAboutPicture4"), QSize(14, 36));
    QVERIFY(PictureImage(QStringLiteral("SysTrayIcon")).colorCount() <= 256);
    QVERIFY(PictureImage(QStringLiteral("SysTrayIcon")).colorCount() > 0);
}

void TestLibrary::faceKeyColours() {
    int faces = 0;
    for (const PictureInfo& p : Pictures()) {
        if (!p.face)
            continue;
        ++faces;
        const QImage img = PictureImage(p.name);
        const int w = p.width, h = p.height;
        const auto at = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
        const FaceColours& f = *p.face;
        const QString n = p.name;
        QVERIFY2(at(0, h / 2) == (f.border ? *f.border : f.body), qPrintable(n + " border"));
        if (f.ring)
            QVERIFY2(at(1, h / 2) == *f.ring, qPrintable(n + " ring"));
        QVERIFY2(at(w / 2, h / 2) == f.body, qPrintable(n + " body"));
        QVERIFY2(at(w / 2, 1) == f.top, qPrintable(n + " top row"));
        QVERIFY2(at(w / 2, h - 2) == f.bottom, qPrintable(n + " bottom row"));
    }
    QCOMPARE(faces, 30); // 28 faces, the built-in picture and the skin's menu picture
    // Spot checks against the values as written down for the artist.
    QCOMPARE(PictureImage("Imgbut2").pixel(1, 19) & 0xFFFFFF, 0xC8F6B2u);
    QCOMPARE(PictureImage("Menu3").pixel(0, 8) & 0xFFFFFF, 0x4A577Eu);
    QCOMPARE(PictureImage("CommandMenuPicture").pixel(43, 21) & 0xFFFFFF, 0xD2D9F0u);
}

void TestLibrary::toolboxBitmapsAre24Bit() {
    for (int id : {30000, 30001, 30002}) {
        QFile f(QStringLiteral(":/drapix/pictures/toolbox%1.bmp").arg(id));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bmp = f.readAll();
        QVERIFY(bmp.startsWith("BM"));
        const auto u16 = [&](int at) { return quint8(bmp[at]) | quint8(bmp[at + 1]) << 8; };
        QCOMPARE(u16(18), 16); // width
        QCOMPARE(u16(22), 15); // height
        QCOMPARE(u16(28), 24); // bits per pixel
    }
    QVERIFY(!Picture(ControlClasses().front().toolboxPicture).isNull());
}

void TestLibrary::outlineEdgeCases() {
    // The skin control's own size: the tab from x 51 to 180 above y 13, the body below.
    const QPolygon small = CutForm::OutlinePoints(180, 131);
    QCOMPARE(small.size(), 40);
    QCOMPARE(small[0], QPoint(166, 13));
    QCOMPARE(small[28], QPoint(79, 0));
    QCOMPARE(small[38], QPoint(51, 13));
    QCOMPARE(small[19], QPoint(180, 131));
    const QRegion r(small, Qt::WindingFill);
    QVERIFY(!r.contains(QPoint(40, 5)));  // left of the tab, above y 13
    QVERIFY(r.contains(QPoint(150, 8)));  // inside the tab
    QVERIFY(r.contains(QPoint(90, 60)));  // the body
    QVERIFY(!r.contains(QPoint(1, 128))); // the cut lower-left corner
    const QPolygon big = CutForm::OutlinePoints(800, 600);
    QCOMPARE(big[28], QPoint(699, 0));
    QCOMPARE(big[29], QPoint(700, 0));
    QCOMPARE(big[19], QPoint(800, 600));
    // The table, point by point, for 800 x 600.
    const QPolygon expected({{166, 13},  {7, 13},    {3, 15},    {2, 16},    {0, 19},    {0, 18},
                             {0, 19},    {0, 582},   {7, 589},   {7, 593},   {7, 594},   {13, 600},
                             {13, 599},  {790, 600}, {792, 599}, {796, 596}, {798, 594}, {799, 594},
                             {799, 591}, {800, 600}, {800, 8},   {799, 7},   {798, 5},   {797, 3},
                             {794, 1},   {792, 1},   {791, 0},   {789, 0},   {699, 0},   {700, 0},
                             {694, 2},   {692, 4},   {690, 6},   {688, 7},   {684, 11},  {681, 11},
                             {679, 11},  {676, 12},  {671, 13},  {170, 13}});
    QCOMPARE(big, expected);
}

void TestLibrary::outlineFollowsTheWindow() {
    QWidget w(nullptr, Qt::FramelessWindowHint);
    w.resize(300, 200);
    CutForm().ShapeWindow(&w);
    QCOMPARE(w.mask(), QRegion(CutForm::OutlinePoints(300, 200), Qt::WindingFill));
    w.resize(420, 260);
    CutForm().ShapeWindow(&w);
    QCOMPARE(w.mask(), QRegion(CutForm::OutlinePoints(420, 260), Qt::WindingFill));
}

QTEST_MAIN(TestLibrary)
#include "tst_library.moc"
