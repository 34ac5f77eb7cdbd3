// Meridane5.0: the main window of the reference program.
#include "shell/main_window.h"
#include "shell/widget_messages.h"
#include "skin/window_system.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    drapix::SelectWindowSystem();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Meridane"));
    meridane::LoadQtTranslations();
    meridane::WidgetMessages messages;
    meridane::SetMessageService(&messages);

    auto* window = new meridane::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    const int rc = app.exec();
    meridane::SetMessageService(nullptr);
    return rc;
}
