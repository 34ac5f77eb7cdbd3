#include "shell/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace meridane {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), counter_(new QLabel(this)),
      close_(new QToolButton(this)) {
    setObjectName(QStringLiteral("findBar"));
    edit_->setObjectName(QStringLiteral("findText"));
    edit_->setPlaceholderText(QStringLiteral("在本条资料中查找"));
    counter_->setObjectName(QStringLiteral("findCounter"));
    counter_->setText(QStringLiteral("0 / 0"));
    close_->setObjectName(QStringLiteral("findClose"));
    close_->setText(QStringLiteral("×"));
    close_->setToolTip(QStringLiteral("关闭 (Esc)"));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::NoFocus);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 0);
    row->setSpacing(6);
    row->addWidget(edit_, 1);
    row->addWidget(counter_);
    row->addWidget(close_);

    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::textChanged, this, &FindBar::textChanged);
    connect(close_, &QToolButton::clicked, this, &FindBar::closeRequested);
}

QString FindBar::text() const {
    return edit_->text();
}

void FindBar::setCounter(const QString& counter) {
    counter_->setText(counter);
}

void FindBar::open() {
    show();
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit stepRequested(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit closeRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace meridane
