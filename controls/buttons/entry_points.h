// The library's four entry points, as plain functions, and the class factories.
//
// Registration goes to a per-user store: the registry (HKEY_CURRENT_USER\Software\Classes)
// on Windows, elsewhere the QSettings file "Drapix/registration.ini" in the user's
// configuration folder. SetRegistrationStore points it at another file (tests).
#pragma once

#include "core/live_objects.h"
#include "drapix_global.h"

#include <QString>
#include <QUuid>

class QWidget;

namespace drapix {

struct ControlClass;

using HResult = qint32;
constexpr HResult S_OK_ = 0;
constexpr HResult S_FALSE_ = 1;
constexpr HResult kClassNotAvailable = HResult(0x80040111u); // CLASS_E_CLASSNOTAVAILABLE
constexpr HResult kNoInterface = HResult(0x80004002u);       // E_NOINTERFACE
constexpr HResult kPointer = HResult(0x80004003u);           // E_POINTER
constexpr HResult kRegisterFailed = HResult(0x80040201u);    // SELFREG_E_CLASS

// IClassFactory and IUnknown.
inline const QUuid kIID_IClassFactory{0x00000001, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
inline const QUuid kIID_IUnknown{0x00000000, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

// The factory of one class. Its controls count as live objects of the library until they are
// destroyed; a lock keeps the library loaded.
class DRAPIX_EXPORT ClassFactory {
public:
    explicit ClassFactory(const ControlClass& cls) : cls_(cls) {}
    const ControlClass& controlClass() const { return cls_; }
    QWidget* CreateInstance(QWidget* parent) const;
    void LockServer(bool lock);
    ~ClassFactory();

private:
    const ControlClass& cls_;
    int locks_ = 0;
};

DRAPIX_EXPORT HResult DllRegisterServer();
DRAPIX_EXPORT HResult DllUnregisterServer();
// A factory for the class id (interface IClassFactory or IUnknown); the caller owns it.
DRAPIX_EXPORT HResult DllGetClassObject(const QUuid& classId, const QUuid& interfaceId,
                                        ClassFactory** factory);
DRAPIX_EXPORT HResult DllCanUnloadNow();

// Another registration store (an INI file); empty: the user's own.
DRAPIX_EXPORT void SetRegistrationStore(const QString& iniFile);
// The library's own file, as registered.
DRAPIX_EXPORT QString LibraryFilePath();

} // namespace drapix
