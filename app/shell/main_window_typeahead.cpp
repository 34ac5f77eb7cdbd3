// The main window's search as you type: with "输入即查" on (in the keyword box's context menu),
// the result list shows, after each pause of the typing, what "查询" would list for the text so
// far. The preview is read from memory and changes no file; the search itself is made when the
// user presses Enter or "查询", or before a previewed title or "在结果中查询" is used.
#include "services/user_settings.h"
#include "shell/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

namespace meridane {

namespace {

const QString kTypeAhead = QStringLiteral("输入即查");
// The pause of the typing after which the list follows, restarted by every key.
constexpr int kTypingPauseMs = 40;

} // namespace

void frmMain::wireTypeAhead() {
    typeAheadAction = new QAction(kTypeAhead, this);
    typeAheadAction->setObjectName(QStringLiteral("typeAheadAction"));
    typeAheadAction->setCheckable(true);
    typeAheadAction->setChecked(TypeAheadOn());
    connect(typeAheadAction, &QAction::toggled, this, [this](bool on) {
        SaveTypeAheadOn(on);
        if (!on)
            typeAheadTimer->stop();
    });
    typeAheadTimer = new QTimer(this);
    typeAheadTimer->setObjectName(QStringLiteral("typeAheadTimer"));
    typeAheadTimer->setSingleShot(true);
    typeAheadTimer->setInterval(kTypingPauseMs);
    connect(typeAheadTimer, &QTimer::timeout, this, &frmMain::showPreview);
    connect(Text1[0], &QLineEdit::textEdited, this, [this] {
        if (typeAheadAction->isChecked())
            typeAheadTimer->start();
    });
    Text1[0]->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Text1[0], &QWidget::customContextMenuRequested, this, &frmMain::keywordBoxMenu);
}

// The box's own entries (undo, cut, copy, paste, …), then "输入即查".
void frmMain::keywordBoxMenu(const QPoint& pos) {
    QMenu* menu = Text1[0]->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    menu->addAction(typeAheadAction);
    menu->popup(Text1[0]->mapToGlobal(pos));
}

void frmMain::showPreview() {
    if (!typeAheadAction->isChecked())
        return;
    const QString typed = Text1[0]->text();
    if (typed.isEmpty()) {
        // Nothing to look for: no message, just no list.
        List1->clear();
        previewListed_ = false;
        pinyinListed_ = false;
        return;
    }
    const std::optional<Category> selected = selectedCategory();
    // A search of variant forms reads the file: it waits for Enter or "查询".
    if (!selected || variantsBox->isChecked())
        return;
    const std::optional<QStringList> titles =
        engine_.previewNewSearch(*CategoryFor(*selected), SplitKeywords(typed));
    if (!titles)
        return; // the list stays
    List1->clear();
    List1->addItems(*titles);
    previewListed_ = true;
    pinyinListed_ = false;
    Label3->setText(QString::number(titles->size()));
    Label2->setText(ResultCountLine(titles->size()));
    Label2->resize(std::min(Label2->sizeHint().width(), TwipsToPixels(8040 - 5040)),
                   Label2->height());
    FitLabelToText(*Label2);
    keepAbovePane(*Label2);
}

// The list shows a preview: the new search for the text in the box is made first, as "查询"
// makes it, so that what follows reads what a search left.
void frmMain::searchPreviewed() {
    if (previewListed_)
        Command1Click();
}

} // namespace meridane
