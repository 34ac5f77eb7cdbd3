// What the tools that drive the main window share: choosing a category as a user does.
#pragma once

#include "shell/main_window.h"

#include <QRadioButton>
#include <QString>

#include <utility>

namespace meridane {

// Checks the option button of the category captioned caption; false when there is none.
inline bool ChooseCategory(frmMain& window, const QString& caption) {
    const std::pair<QRadioButton*, const char*> options[] = {{window.Option1, "方剂"},
                                                             {window.Option2, "中药"},
                                                             {window.Option3, "病理"},
                                                             {window.Option6, "专家医案"},
                                                             {window.Option5, "我的资料库"}};
    for (const auto& [button, name] : options) {
        if (caption == QString::fromUtf8(name)) {
            button->setChecked(true);
            return true;
        }
    }
    return false;
}

} // namespace meridane
