// The about box that every control shows, and the warning that a form holds a control twice,
// as the controls call them. The dialog itself (dlgAbout) is one of the library's own parts.
#pragma once

#include "drapix_global.h"

#include <QString>

class QWidget;

namespace drapix {

// The texts of the callers.
inline const QString kAboutTitleDesign = QStringLiteral("关于Lustrane窗体皮肤控件");
inline const QString kAboutProductDesign = QStringLiteral("Lustrane窗体皮肤控件");
inline const QString kWarningTitle = QStringLiteral("注意");
inline const QString kLustraneDuplicateWarning = QStringLiteral(
    "请不要在同一程序的同一窗体上,放上一个以上的Lustrane窗体控件,这样会造成控件功能失效,"
    "请删除多余的控件,确保同一程序的同一窗体上,有且只有一个Lustrane窗体控件");
inline const QString kSysTrayDuplicateWarning =
    QStringLiteral("请不要在同一程序的同一窗体上,放上一个以上的Lustrane窗体托盘控件,"
                   "请删除多余的控件,确保同一程序的同一窗体上,有且只有一个Lustrane窗体托盘控件");
inline const QString kSysTrayProduct = QStringLiteral("Lustrane窗体托盘控件");

// Whether the shared dialog exists, and whether it is loaded and on screen.
DRAPIX_EXPORT bool AboutDialogLoaded();
DRAPIX_EXPORT bool AboutDialogShown();

// What a control's ShowAboutBox does: both lines set, shown modally, then unloaded.
DRAPIX_EXPORT void ShowAboutBox(const QString& title, const QString& product,
                                QWidget* parent = nullptr);
// The duplicate warning, shown modally; the dialog stays loaded.
DRAPIX_EXPORT void ShowDuplicateWarning(const QString& product, const QString& warning,
                                        QWidget* parent = nullptr);

} // namespace drapix
