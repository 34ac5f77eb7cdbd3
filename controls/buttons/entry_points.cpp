#include "buttons/entry_points.h"

#include "buttons/class_table.h"
#include "core/live_objects.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace drapix {

namespace {

int g_locks = 0;
QString g_store;

std::unique_ptr<QSettings> OpenStore() {
    if (!g_store.isEmpty())
        return std::make_unique<QSettings>(g_store, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Drapix"), QStringLiteral("registration"));
#endif
}

QString Braced(const QUuid& id) {
    return id.toString(QUuid::WithBraces).toUpper();
}

QString Version(const TypeLibrary& lib) {
    return QStringLiteral("%1.%2").arg(lib.major).arg(lib.minor);
}

// The keys that registration writes, each with its value ("Default" is a key's own value).
QList<std::pair<QString, QString>> Records() {
    const TypeLibrary& lib = DrapixTypeLibrary();
    const QString path = QDir::toNativeSeparators(LibraryFilePath());
    const QString libKey = QStringLiteral("TypeLib/%1/%2").arg(Braced(lib.id), Version(lib));
    QList<std::pair<QString, QString>> r = {
        {libKey + QStringLiteral("/Default"), lib.name},
        {libKey + QStringLiteral("/FLAGS/Default"), QStringLiteral("0")},
        {libKey + QStringLiteral("/HELPDIR/Default"),
         QDir::toNativeSeparators(QFileInfo(path).absolutePath())},
        {libKey + QStringLiteral("/%1/win32/Default").arg(lib.locale), path},
    };
    for (const ControlClass& c : ControlClasses()) {
        const QString key = QStringLiteral("CLSID/") + Braced(c.classId);
        r.append({key + QStringLiteral("/Default"), c.progId});
        r.append({key + QStringLiteral("/InprocServer32/Default"), path});
        r.append(
            {key + QStringLiteral("/InprocServer32/ThreadingModel"), QStringLiteral("Apartment")});
        r.append({key + QStringLiteral("/ProgID/Default"), c.progId});
        r.append({key + QStringLiteral("/ToolboxBitmap32/Default"),
                  QStringLiteral("%1, %2").arg(path).arg(c.toolboxResource)});
        r.append({key + QStringLiteral("/MiscStatus/Default"), QStringLiteral("0")});
        r.append({key + QStringLiteral("/MiscStatus/1/Default"), QString::number(c.miscStatus)});
        r.append({key + QStringLiteral("/TypeLib/Default"), Braced(lib.id)});
        r.append({key + QStringLiteral("/Version/Default"), Version(lib)});
        r.append({key + QStringLiteral("/Control/Default"), QString()});
        r.append({c.progId + QStringLiteral("/Default"), c.progId});
        r.append({c.progId + QStringLiteral("/CLSID/Default"), Braced(c.classId)});
        for (const auto& [iid, iname] : {std::pair{c.defaultInterfaceId, c.defaultInterface},
                                         std::pair{c.eventInterfaceId, c.eventInterface}}) {
            const QString ik = QStringLiteral("Interface/") + Braced(iid);
            r.append({ik + QStringLiteral("/Default"), iname});
            r.append({ik + QStringLiteral("/TypeLib/Default"), Braced(lib.id)});
            r.append({ik + QStringLiteral("/TypeLib/Version"), Version(lib)});
        }
    }
    return r;
}

// The groups that registration owns; unregistering removes exactly these.
QStringList OwnedGroups() {
    const TypeLibrary& lib = DrapixTypeLibrary();
    QStringList g = {QStringLiteral("TypeLib/%1/%2").arg(Braced(lib.id), Version(lib))};
    for (const ControlClass& c : ControlClasses()) {
        g << QStringLiteral("CLSID/") + Braced(c.classId) << c.progId
          << QStringLiteral("Interface/") + Braced(c.defaultInterfaceId)
          << QStringLiteral("Interface/") + Braced(c.eventInterfaceId);
    }
    return g;
}

} // namespace

QWidget* ClassFactory::CreateInstance(QWidget* parent) const {
    return cls_.create(parent);
}

void ClassFactory::LockServer(bool lock) {
    if (lock) {
        ++locks_;
        ++g_locks;
    } else if (locks_ > 0) {
        --locks_;
        --g_locks;
    }
}

ClassFactory::~ClassFactory() {
    g_locks -= locks_;
}

HResult DllRegisterServer() {
    auto store = OpenStore();
    for (const auto& [key, value] : Records())
        store->setValue(key, value);
    store->sync();
    return store->status() == QSettings::NoError ? S_OK_ : kRegisterFailed;
}

HResult DllUnregisterServer() {
    auto store = OpenStore();
    for (const QString& group : OwnedGroups())
        store->remove(group);
    // The type library's own key goes when no other version is left in it.
    const QString libKey = QStringLiteral("TypeLib/") + Braced(DrapixTypeLibrary().id);
    store->beginGroup(libKey);
    const bool empty = store->allKeys().isEmpty();
    store->endGroup();
    if (empty)
        store->remove(libKey);
    store->sync();
    return store->status() == QSettings::NoError ? S_OK_ : kRegisterFailed;
}

HResult DllGetClassObject(const QUuid& classId, const QUuid& interfaceId, ClassFactory** factory) {
    if (!factory)
        return kPointer;
    *factory = nullptr;
    const ControlClass* cls = FindClass(classId);
    if (!cls)
        return kClassNotAvailable;
    if (interfaceId != kIID_IClassFactory && interfaceId != kIID_IUnknown)
        return kNoInterface;
    *factory = new ClassFactory(*cls);
    return S_OK_;
}

HResult DllCanUnloadNow() {
    return LiveObjects() == 0 && g_locks == 0 ? S_OK_ : S_FALSE_;
}

void SetRegistrationStore(const QString& iniFile) {
    g_store = iniFile;
}

QString LibraryFilePath() {
#ifdef Q_OS_WIN
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryFilePath), &module);
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(module, buffer, DWORD(std::size(buffer)));
    return QString::fromWCharArray(buffer, int(n));
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFilePath), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return {};
#endif
}

} // namespace drapix
