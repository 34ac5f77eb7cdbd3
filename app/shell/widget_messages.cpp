#include "shell/widget_messages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace meridane {

namespace {

// A caption holds the window's icon and up to three buttons beside the title, and window managers
// draw titles in a bold face of their own that may run wider than the program's.
constexpr int kCaptionControlsWidth = 140;
constexpr double kCaptionFontAllowance = 1.3;

} // namespace

int MessageBoxMinimumWidth(const QString& title, const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    return kCaptionControlsWidth +
           qCeil(QFontMetrics(bold).horizontalAdvance(title) * kCaptionFontAllowance);
}

bool LoadQtTranslations() {
    static QTranslator* translator = nullptr;
    if (translator)
        return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QStringLiteral("qtbase_zh_CN"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    return true;
}

WidgetMessages::WidgetMessages() {
    lastActive_ = owner();
    QObject::connect(qApp, &QApplication::focusChanged, &watch_, [this] {
        QWidget* active = QApplication::activeWindow();
        if (active && !qobject_cast<QMessageBox*>(active))
            lastActive_ = active;
    });
}

QWidget* WidgetMessages::owner() const {
    QWidget* active = QApplication::activeWindow();
    if (active && !qobject_cast<QMessageBox*>(active))
        return active;
    if (lastActive_ && lastActive_->isVisible())
        return lastActive_;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() == Qt::Window)
            return w;
    return nullptr;
}

int WidgetMessages::MsgBox(const QString& prompt, int flags, const QString& title) {
    QMessageBox box(owner());
    box.setWindowTitle(title);
    box.setText(prompt);
    // What a box says can be selected and copied, whatever the style's habit: an address to open
    // by hand, an error to pass on.
    box.setTextInteractionFlags(box.textInteractionFlags() | Qt::TextSelectableByMouse);
    const int buttons = flags & 0xF;
    const int icon = flags & 0xF0;
    box.setIcon(icon == 16   ? QMessageBox::Critical
                : icon == 32 ? QMessageBox::Question
                : icon == 48 ? QMessageBox::Warning
                : icon == 64 ? QMessageBox::Information
                             : QMessageBox::NoIcon);
    // The box is as wide as its content asks, but never so narrow that the caption cuts the
    // title. (Setting the icon or the text lays the box out anew: this comes after them.)
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(MessageBoxMinimumWidth(title, box.font()), 0,
                                      QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    if (buttons == MsgFlags::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    return MsgAnswer::Ok;
}

} // namespace meridane
