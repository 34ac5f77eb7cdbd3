#include "shell/main_window.h"

#include "search/message_service.h"
#include "search/pinyin_titles.h"
#include "search/program_folder.h"
#include "services/media_player_device.h"
#include "services/single_instance.h"
#include "services/site.h"
#include "services/update_check.h"
#include "services/user_settings.h"
#include "shell/about_dialog.h"
#include "shell/find_bar.h"
#include "shell/form_controls.h"
#include "shell/keyboard.h"
#include "shell/printing.h"
#include "shell/record_pane.h"
#include "shell/shell_services.h"

#include <drapix/application.h>
#include <drapix/command.h>
#include <drapix/lustrane.h>
#include <drapix/stored_form.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <functional>

namespace meridane {

namespace {

constexpr int kMusicWatchMs = 5000;

QString MainCaption() {
    return kProductCaption + QStringLiteral("   ") + SiteAddress();
}

void Place(QWidget* w, const TwipRect& r) {
    w->setGeometry(TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
                   TwipsToPixels(r.height));
}

// "宋体", with the library's Song-style stand-ins where it is missing.
QFont SongFont(qreal points) {
    return drapix::NamedFont(QStringLiteral("宋体"), points);
}

template <typename W, typename... Args>
W* Make(QWidget* parent, const char* name, const TwipRect& r, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    Place(w, r);
    return w;
}

// Shows the one window of its kind, making it first when there is none; modeless, in front.
template <typename W> void ShowSingle(QPointer<W>& window) {
    if (!window) {
        window = new W;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

// The result list. It tells which row the user chose: by a click, or by moving the selection
// with the keys or the mouse (pressing on one row and dragging to another). Reaching the list
// with Tab, or filling it, chooses nothing.
class ResultList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void(int row)> chosen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        following([&] { QListWidget::keyPressEvent(event); });
    }
    void mousePressEvent(QMouseEvent* event) override {
        pressRow_ = rowAt(event->position().toPoint());
        choseSincePress_ = false;
        following([&] { QListWidget::mousePressEvent(event); });
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        following([&] { QListWidget::mouseMoveEvent(event); });
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QListWidget::mouseReleaseEvent(event);
        // A click on the row that was already chosen shows it again.
        const int row = rowAt(event->position().toPoint());
        if (event->button() == Qt::LeftButton && !choseSincePress_ && row >= 0 &&
            row == pressRow_ && row == currentRow())
            choose(row);
        pressRow_ = -1;
    }
    void focusInEvent(QFocusEvent* event) override {
        const bool noneCurrent = !currentIndex().isValid();
        QListWidget::focusInEvent(event);
        // Focus alone makes no row current, so that the first arrow key chooses the first row.
        if (noneCurrent)
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }

private:
    int rowAt(QPoint viewportPos) const {
        const QModelIndex index = indexAt(viewportPos);
        return index.isValid() ? index.row() : -1;
    }
    // Runs the list's own handling of an input event; a row it newly selects is chosen.
    void following(const std::function<void()>& handle) {
        const int before = currentRow();
        handle();
        const int after = currentRow();
        if (after != before && after >= 0 && item(after)->isSelected())
            choose(after);
    }
    void choose(int row) {
        choseSincePress_ = true;
        if (chosen)
            chosen(row);
    }

    int pressRow_ = -1;
    bool choseSincePress_ = false;
};

} // namespace

QStringList FontSizes() {
    return {QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("12"), QStringLiteral("14"),
            QStringLiteral("16"), QStringLiteral("18"), QStringLiteral("20"), QStringLiteral("22"),
            QStringLiteral("24"), QStringLiteral("26"), QStringLiteral("28"), QStringLiteral("36")};
}

frmMain::frmMain(memory::Engine& engine, std::unique_ptr<MciDevice> device)
    : engine_(engine), device_(std::move(device)) {
    if (!device_)
        device_ = std::make_unique<MediaPlayerDevice>();
    music_ = std::make_unique<BackgroundMusic>(*device_, MusicTrackPath);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(MainCaption());
    setWindowIcon(ProgramIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    createControls();
    wireCommands();
    wireKeyboard();

    const StartupOutcome start = RunStartup([this] { Form_Load(); });
    // While the user types the first keywords, the knowledge tables are read into memory.
    engine_.warmUp();
    Text3->setText(start.installedStamp);
    Text4->setText(start.offeredStamp);
    if (!start.notice.isNull())
        RichTextBox1->showPlain(start.notice);
}

frmMain::~frmMain() = default;

void frmMain::createControls() {
    const QFont song = SongFont(9);
    setFont(song);
    const MainGeometry& g = geometry_;
    // The buttons come from the library, with the properties stored for this form.
    const drapix::StoredForm form = LoadFormData(objectName());
    const auto button = [&form](QWidget* parent, const char* name, const TwipRect& r) {
        Command* b = CreateCommand(form, QLatin1String(name), parent);
        Place(b, r);
        return b;
    };

    Option1 = Make<QRadioButton>(this, "Option1", {120, 75, 735, 180}, QStringLiteral("方剂"));
    Option2 = Make<QRadioButton>(this, "Option2", {840, 75, 735, 180}, QStringLiteral("中药"));
    Option3 = Make<QRadioButton>(this, "Option3", {1560, 75, 855, 180}, QStringLiteral("病理"));
    Option6 =
        Make<QRadioButton>(this, "Option6", {2280, 75, 1095, 180}, QStringLiteral("专家医案"));
    Option5 =
        Make<QRadioButton>(this, "Option5", {3360, 75, 1215, 180}, QStringLiteral("我的资料库"));
    Option4 = Make<QRadioButton>(this, "Option4", {5280, 1440, 735, 255}, QStringLiteral("联想"));
    Option4->hide();
    Option1->setChecked(true);

    Frame1 = Make<QGroupBox>(this, "Frame1", g.Frame1);
    Label1 = Make<QLabel>(Frame1, "Label1", {120, 240, 2880, 180},
                          QStringLiteral("请输入关键词，多个词用逗号隔开："));
    Text1[0] = Make<QLineEdit>(Frame1, "Text1_0", {120, 480, 3135, 315});
    keywordHistory = new QComboBox(Frame1);
    keywordHistory->setObjectName(QStringLiteral("keywordHistory"));
    keywordHistory->setGeometry(Text1[0]->geometry());
    keywordHistory->setEditable(true);
    keywordHistory->setLineEdit(Text1[0]);
    // Typing completes nothing by itself, and Enter adds no entry: the history does.
    keywordHistory->setCompleter(nullptr);
    keywordHistory->setInsertPolicy(QComboBox::NoInsert);
    keywordHistory->setMaxVisibleItems(20);
    List1 = Make<ResultList>(Frame1, "List1", g.List1);
    // A long list is laid out a batch at a time, the rows in view first: measuring every
    // title before the first paint took a quarter of a second for 35,000 titles.
    List1->setLayoutMode(QListView::Batched);
    List1->setBatchSize(500);
    variantsBox = new QCheckBox(QStringLiteral("繁简通查"), Frame1);
    variantsBox->setObjectName(QStringLiteral("variantsBox"));
    variantsBox->setToolTip(
        QStringLiteral("关键词同时查找其繁体、简体和异体字形，如人参、人參、人蔘"));
    Command1 = button(Frame1, "Command1", g.Command1);
    Command2 = button(Frame1, "Command2", g.Command2);

    // Working fields of the search, never shown.
    Text1[1] = Make<QLineEdit>(this, "Text1_1", {6240, 960, 735, 555}, QStringLiteral("Text1"));
    Text2 = Make<QPlainTextEdit>(this, "Text2", {4920, 960, 1095, 615});
    List2 = Make<QListWidget>(this, "List2", {7080, 960, 735, 240});
    Label3 = Make<QLabel>(this, "Label3", {8160, 480, 255, 255});
    Label4 = Make<QLabel>(this, "Label4", {8640, 1440, 975, 255}, QStringLiteral("播放音乐"));
    Text3 = Make<QLineEdit>(this, "Text3", {5160, 1800, 735, 270});
    Text4 = Make<QLineEdit>(this, "Text4", {6000, 1800, 735, 270});
    for (QWidget* w :
         std::initializer_list<QWidget*>{Text1[1], Text2, List2, Label3, Label4, Text3, Text4})
        w->hide();

    Label2 = Make<QLabel>(this, "Label2", {5040, 120, 1050, 180});
    Label5 = Make<QLabel>(this, "Label5", {8040, 120, 2535, 255},
                          QStringLiteral("请选择浏览和打印字体大小"));
    Label5->setFont(SongFont(10.5));
    // The design heights are those of the original system font; the stand-in needs more.
    for (QLabel* label : {Label1, Label2, Label5})
        FitLabelToText(*label);
    Combo1 = Make<QComboBox>(this, "Combo1", {10680, 120, 612, 300});
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("9"));

    RichTextBox1 = new RecordPane(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setFont(song);
    // The line above the pane: its label and the font-size list stand clear of its top border.
    for (QWidget* w : std::initializer_list<QWidget*>{Label5, Combo1})
        keepAbovePane(*w);

    Command4 = button(this, "Command4", g.Command4);
    Command5 = button(this, "Command5", g.Command5);
    Command6 = button(this, "Command6", g.Command6);
    Command9 = button(this, "Command9", g.Command9);
    Command10 = button(this, "Command10", g.Command10);
    Command7 = button(this, "Command7", g.Command7);
    Command8 = button(this, "Command8", g.Command8);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kMusicWatchMs);

    DL = new bkDLControl(this);
    DL->setObjectName(QStringLiteral("DL"));
    // A new knowledge database replaces the stored one only when it is whole and usable.
    DL->check = IsUsableKnowledgeDb;

    // The skin of the frame, with its stored properties; the window never calls it.
    QWidget* skin = form.createControl(QStringLiteral("Lustrane1"), this);
    Lustrane1 = qobject_cast<Lustrane*>(skin);
    if (!Lustrane1)
        delete skin;

    // Frame1 and the option buttons share the window's background.
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Option1, Option2, Option3, Option4,
                                                      Option5, Option6})
        w->setPalette(palette());
    placeControls();
}

// Every click of the window goes through here.
void frmMain::wireCommands() {
    const std::pair<Command*, void (frmMain::*)()> clicks[] = {
        {Command1, &frmMain::Command1Click},  {Command2, &frmMain::Command2Click},
        {Command4, &frmMain::Command4Click},  {Command5, &frmMain::Command5Click},
        {Command6, &frmMain::Command6Click},  {Command7, &frmMain::Command7Click},
        {Command8, &frmMain::Command8Click},  {Command9, &frmMain::Command9Click},
        {Command10, &frmMain::Command10Click}};
    for (const auto& [button, handler] : clicks)
        connect(button, &Command::Click, this, handler);

    // A click on a title, or the selection moved by the user.
    static_cast<ResultList*>(List1)->chosen = [this](int row) {
        List1Click(List1->item(row)->text());
    };
    connect(Combo1, &QComboBox::activated, this, &frmMain::Combo1Click);
    connect(keywordHistory, &QComboBox::activated, this, &frmMain::keywordHistoryChosen);
    connect(Text1[0], &QLineEdit::textEdited, this,
            [this](const QString& text) { typedBeforePick_ = text; });
    for (QRadioButton* option : {Option1, Option2, Option3, Option5, Option6})
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            fillKeywordHistory();
            // A preview follows the category.
            if (previewListed_)
                typeAheadTimer->start();
        });
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1Timer);
    connect(DL, &bkDLControl::progress, this, &frmMain::DLProgress);
    connect(DL, &bkDLControl::completed, this, &frmMain::DLCompleted);
    search_.focusKeywordBox = [this] { Text1[0]->setFocus(); };
    wireTypeAhead();
    wireKeeping();
}

void frmMain::wireKeyboard() {
    // Enter in the keyword box searches, as "查询" does.
    connect(Text1[0], &QLineEdit::returnPressed, this, &frmMain::Command1Click);
    // Ctrl+L and Ctrl+K: to the keyword box from anywhere in the window.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::CTRL | Qt::Key_K)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &frmMain::focusKeywordBox);
    }
    // The text boxes would take those keys for editing of their own.
    for (QWidget* w : std::initializer_list<QWidget*>{Text1[0], Combo1->lineEdit(), RichTextBox1})
        LeaveKeysToWindow(*w,
                          {QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::CTRL | Qt::Key_K)});
    // Tab leaves the record pane as it leaves every other control.
    LeaveOnTab(*RichTextBox1);

    // Finding in the record, and the pane's size by keys and wheel.
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_F), [this] { openFindBar(); }},
        {QKeySequence(Qt::Key_F3), [this] { findNext(true); }},
        {QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findNext(false); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { stepFontSize(1); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { stepFontSize(1); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { stepFontSize(-1); }},
        {QKeySequence(Qt::ALT | Qt::Key_Left), [this] { goBack(); }},
        {QKeySequence(Qt::ALT | Qt::Key_Right), [this] { goForward(); }},
    };
    for (const auto& [sequence, run] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, run);
    }
    connect(RichTextBox1, &RecordPane::zoomStep, this, &frmMain::stepFontSize);
    qApp->installEventFilter(this);
    findBar = new FindBar(RichTextBox1->parentWidget());
    findBar->hide();
    connect(findBar, &FindBar::textChanged, this, &frmMain::refreshFound);
    connect(findBar, &FindBar::stepRequested, this, &frmMain::findNext);
    connect(findBar, &FindBar::closeRequested, this, &frmMain::closeFindBar);
    // Typing can start at once.
    Text1[0]->setFocus();
}

void frmMain::focusKeywordBox() {
    Text1[0]->setFocus(Qt::ShortcutFocusReason);
    Text1[0]->selectAll();
}

void frmMain::Form_Load() {
    // Music the user switched off stays off in later runs.
    if (MusicSwitchedOff()) {
        music_->command5Caption = kMusicOn;
        Command5->SetCaption(kMusicOn);
    } else {
        music_->playmusic();
    }
    Timer1->start();
    // The load size (or the one the user left the window at) is the outer size. The skin takes
    // the window manager's frame away and grows the window from it. Without the skin the frame
    // is not known before the window is shown: until then the inside takes the whole size (and
    // the layout, computed for the outer size, is the one of the load size either way).
    const QRect start = startPlacement();
    loadOuterSize_ = start.size();
    loadSizePending_ = !drapix::HasSkin(this);
    resize(start.size());
    move(start.topLeft());
    Combo1->addItems(FontSizes());
    Combo1->setEditText(QStringLiteral("9"));
    fillKeywordHistory();
    variantsBox->setChecked(VariantsOn());
    connect(variantsBox, &QCheckBox::toggled, this, [](bool on) { SaveVariantsOn(on); });
}

QRect frmMain::startPlacement() {
    const QSize load(TwipsToPixels(kLoadWidth), TwipsToPixels(kLoadHeight));
    const std::optional<WindowPlacement> remembered = LoadWindowPlacement();
    startMaximized_ = remembered && remembered->maximized;
    const QRect wanted = remembered ? remembered->rect : QRect(QPoint(0, 0), load);
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    // The skin's frame grows the window by a known amount; a window manager's is not known
    // before the window is shown, and is taken from the outer size then.
    const QSize frame = drapix::PlannedFrameGrowth(this, wanted.size());
    return FitIntoWorkArea(screen->availableGeometry(), wanted, frame);
}

void frmMain::rememberPlacement() {
    const bool maximized = drapix::IsZoomed(this) || isMaximized();
    const bool skinned = drapix::HasSkin(this);
    QRect normal = skinned ? drapix::RestoredGeometry(this) : normalGeometry();
    if (!normal.isValid())
        return;
    // As the window sets it at load: the outer size, without the skin's growth.
    const QMargins m = frameMargins();
    if (skinned)
        normal.setSize(normal.size() - drapix::FrameGrowth(this));
    else
        normal = QRect(normal.topLeft() - QPoint(m.left(), m.top()),
                       normal.size() + QSize(m.left() + m.right(), m.top() + m.bottom()));
    SaveWindowPlacement({normal, maximized});
}

QMargins frmMain::frameMargins() const {
    const QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

QSize frmMain::outerSize() const {
    // The skinned window: the window manager's frame goes, and the layout keeps every control
    // where it is at the size before the skin grew the window.
    return drapix::LayoutSize(this);
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (std::exchange(startMaximized_, false)) {
        // Left maximized: maximized again once the frame is the window's own.
        drapix::WhenFrameKnown(this, [this](bool) { drapix::ShowMaximized(this); });
    }
    if (!loadSizePending_ || std::exchange(frameWatched_, true))
        return;
    // A window manager reports its frame some time after the window is mapped; without one
    // there is no frame and nothing to wait for, and the watch ends by itself.
    drapix::WhenFrameKnown(this, [this](bool) {
        fitLoadSizeToFrame();
        loadSizePending_ = false;
    });
}

bool frmMain::fitLoadSizeToFrame() {
    if (!loadSizePending_)
        return true;
    const QMargins m = frameMargins();
    if (m.isNull())
        return false;
    loadSizePending_ = false;
    const QSize inside = loadOuterSize_ - QSize(m.left() + m.right(), m.top() + m.bottom());
    if (size() != inside)
        resize(inside);
    return true;
}

void frmMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Reparenting into the window manager's frame moves the window.
    fitLoadSizeToFrame();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize() {
    const QSize outer = outerSize();
    ApplyResizeRules(geometry_, float(outer.height() * kTwipsPerPixel),
                     float(outer.width() * kTwipsPerPixel));
    placeControls();
}

void frmMain::placeControls() {
    const MainGeometry& g = geometry_;
    Place(Frame1, g.Frame1);
    Place(List1, g.List1);
    Place(Command1, g.Command1);
    Place(Command2, g.Command2);
    // Left of the search buttons, on their line.
    variantsBox->setGeometry(TwipsToPixels(60), Command1->y(), Command1->x() - TwipsToPixels(60),
                             Command1->height());
    Place(RichTextBox1, g.RichTextBox1);
    if (findBar && findBar->isVisibleTo(this)) {
        // The bar takes the bottom of the pane's place.
        const QRect pane = RichTextBox1->geometry();
        const int h = findBar->sizeHint().height();
        RichTextBox1->setGeometry(pane.adjusted(0, 0, 0, -h));
        if (findBar->parentWidget() != RichTextBox1->parentWidget()) {
            findBar->setParent(RichTextBox1->parentWidget());
            findBar->show();
        }
        findBar->setGeometry(pane.left(), pane.bottom() + 1 - h, pane.width(), h);
    }
    Place(Command4, g.Command4);
    Place(Command5, g.Command5);
    Place(Command6, g.Command6);
    Place(Command9, g.Command9);
    Place(Command10, g.Command10);
    Place(Command7, g.Command7);
    Place(Command8, g.Command8);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A list export under way runs in a loop of its own inside this window's call: it is
    // cancelled first, and the window closes once it has returned.
    if (exporting_) {
        closeWhenExported_ = true;
        if (auto* progress = findChild<QProgressDialog*>(QStringLiteral("exportProgress")))
            progress->cancel();
        event->ignore();
        return;
    }
    if (!shutDown_) {
        shutDown_ = true;
        rememberPlacement();
        // Gone from the screen before anything else is done.
        hide();
        Timer1->stop();
        device_->command(QStringLiteral("close"));
        // The writes the searches left pending would be overwritten with the working copy.
        engine_.abandonPendingWrites();
        RunShutdown();
    }
    event->accept();
}

// The category of the checked option button; none for the hidden Option4 ("联想").
std::optional<Category> frmMain::selectedCategory() const {
    const std::pair<QRadioButton*, Category> options[] = {{Option1, Category::Formulas},
                                                          {Option2, Category::Herbs},
                                                          {Option3, Category::Pathology},
                                                          {Option5, Category::MyLibrary},
                                                          {Option6, Category::ExpertCases}};
    for (const auto& [button, category] : options)
        if (button->isChecked())
            return category;
    return std::nullopt;
}

void frmMain::readFields() {
    fields_.keywordBox = Text1[0]->text();
    fields_.variants = variantsBox->isChecked();
    fields_.selected = selectedCategory();
}

void frmMain::keepAbovePane(QWidget& w) const {
    const int paneTop = TwipsToPixels(geometry_.RichTextBox1.top);
    if (w.geometry().bottom() >= paneTop)
        w.move(w.x(), std::max(0, paneTop - w.height()));
}

void frmMain::showFields() {
    Text1[1]->setText(fields_.currentKeyword);
    List2->clear();
    List2->addItems(fields_.keywordList);
    Text2->setPlainText(RecordTextToShow(fields_.recordBody).text);
    Label3->setText(fields_.hitCounter);
    Label2->setText(fields_.statusLine);
    keywordHits_.setHits({});
    // The header outgrows the label's design width; it may grow up to the next label.
    Label2->resize(std::min(Label2->sizeHint().width(), TwipsToPixels(8040 - 5040)),
                   Label2->height());
    FitLabelToText(*Label2);
    keepAbovePane(*Label2);
}

void frmMain::runSearch(void (KeywordSearch::*search)()) {
    typeAheadTimer->stop();
    previewListed_ = false;
    readFields();
    (search_.*search)();
    AddToKeywordHistory(CategoryKey(fields_.selected), fields_.keywordBox);
    fillKeywordHistory();
    // Filling the list chooses no row.
    List1->clear();
    List1->addItems(fields_.resultList);
    showFields();
    pinyinListed_ = false;
    if (search == static_cast<void (KeywordSearch::*)()>(&KeywordSearch::NewSearch) &&
        fields_.resultList.isEmpty())
        listByPinyin();
}

// "查询": a new search of the selected category for the keywords in the box.
void frmMain::Command1Click() {
    runSearch(&KeywordSearch::NewSearch);
}

// "在结果中查询": searches the selected category's last list again with the keywords in the box.
void frmMain::Command2Click() {
    searchPreviewed();
    runSearch(&KeywordSearch::SearchWithinResults);
}

// A title in the result list: shows that record, its keywords coloured, and its header line.
void frmMain::List1Click(const QString& title) {
    if (previewListed_) {
        searchPreviewed();
        const QList<QListWidgetItem*> listed = List1->findItems(title, Qt::MatchExactly);
        if (!listed.isEmpty()) {
            const QSignalBlocker quiet(List1);
            List1->setCurrentItem(listed.first());
        }
    }
    readFields();
    // A title found by pinyin, or one gone back to, need not be in the result table.
    std::optional<bool> found;
    if (pinyinListed_ || retracing_)
        found = showByTitle(title);
    else if (display_.ListClick(title))
        found = display_.found();
    if (!found)
        return;
    // A record too long to show whole shows its first part and says so.
    const RecordPaneText shown = RecordTextToShow(fields_.recordBody);
    const std::vector<TextRange> coloured = fields_.keywordBox.isEmpty()
                                                ? std::vector<TextRange>()
                                                : display_.keywordRanges(shown.shownBody);
    if (fields_.keywordBox.isEmpty()) {
        RichTextBox1->showPlain(shown.text);
    } else {
        RichTextBox1->showColoured(shown.text, coloured);
        QTextCursor caret = RichTextBox1->textCursor();
        caret.setPosition(0);
        RichTextBox1->setTextCursor(caret);
    }
    showFields();
    // What a favourite or an export takes: never a title with another record's text.
    shown_.reset();
    if (fields_.selected && *found)
        shown_ = ShownEntry{{*fields_.selected, title},
                            fields_.statusLine,
                            fields_.recordBody,
                            fields_.keywordBox,
                            fields_.variants};
    if (!fields_.keywordBox.isEmpty())
        keywordHits_.setHits(coloured);
    if (!retracing_)
        trail_.visit({CategoryKey(fields_.selected), fields_.keywordBox, title});
    if (findBar->isVisible())
        refreshFound();
}

// The size list: sets the point size of the record pane's text.
void frmMain::Combo1Click() {
    bool ok = false;
    const double points = Combo1->currentText().toDouble(&ok);
    if (ok && points > 0)
        applyFontSize(points);
    // A size typed into the list counts when the focus leaves it too; the focus then stays
    // where the user moved it.
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == Combo1 || Combo1->isAncestorOf(focus))
        RichTextBox1->setFocus();
}

// The music timer: starts the next track when one has ended.
void frmMain::Timer1Timer() {
    music_->Timer1Tick();
}

// Opens the editor of the user's own notes (one window at a time).
void frmMain::Command4Click() {
    ShowSingle(editor_);
}

// Switches the background music on or off, and remembers the choice.
void frmMain::Command5Click() {
    music_->Command5Click();
    Command5->SetCaption(music_->command5Caption);
    SaveMusicSwitchedOff(music_->command5Caption == kMusicOn);
}

// Opens the about window.
void frmMain::Command6Click() {
    ShowSingle(about_);
}

// Prints the record pane.
void frmMain::Command7Click() {
    PrintRecordPane(*RichTextBox1, this);
}

// Closes the program.
void frmMain::Command8Click() {
    close();
}

// Opens the guestbook page in the browser, or says where it is when that fails.
void frmMain::Command9Click() {
    const QString address = GuestbookAddress();
    Shell().OpenUrl(address, [address] {
        Messages().MsgBox(kGuestbookNotOpened + address, MsgFlags::OkExclamation, kProgramTitle);
    });
}

// Asks, then downloads a newer knowledge database and puts it in place of the stored one.
void frmMain::Command10Click() {
    if (Messages().MsgBox(kAskDownload, MsgFlags::YesNo, kProgramTitle) != MsgAnswer::Yes)
        return;
    DL->SourceAddress = KnowledgeDbAddress();
    DL->TargetFolder = ProgramFolder() + QStringLiteral("/sound");
    // Bounded in size and time, signed when the program has a vendor key, and copied into a
    // file of our own before it replaces the stored database.
    DL->options = KnowledgeDbTransfer();
    if (DL->running())
        return;
    downloadVerdict_.reset();
    captionBeforeDownload_ = windowTitle();
    // Runs beside the window; its verdict is read once the transfer has reported its end.
    DL->check = [this](const QString& file, std::stop_token stop) {
        downloadVerdict_ = TakeKnowledgeDb(file, StoredKnowledgePath(), stop);
        return downloadVerdict_ == KnowledgeDbVerdict::Accepted;
    };
    if (!findChild<QShortcut*>(QStringLiteral("DLCancel"))) {
        auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        esc->setObjectName(QStringLiteral("DLCancel"));
        connect(esc, &QShortcut::activated, this, &frmMain::DLCancel);
    }
    DL->Start();
}

void frmMain::DLCancel() {
    if (!DL->running() || askingToCancel_)
        return;
    askingToCancel_ = true;
    const bool yes =
        Messages().MsgBox(kAskCancelDownload, MsgFlags::YesNo, kProgramTitle) == MsgAnswer::Yes;
    askingToCancel_ = false;
    // The transfer ended while the question was open: its outcome stands, told now.
    if (std::exchange(completionWaiting_, false)) {
        DLCompleted();
        return;
    }
    if (yes && DL->running()) {
        cancelRequested_ = true;
        DL->Cancel(); // the completion event follows, as for any failed transfer
    }
}

void frmMain::DLProgress(float fraction) {
    setWindowTitle(DownloadCaptionPrefix() + FormatPercent(fraction));
}

void frmMain::DLCompleted() {
    if (askingToCancel_) {
        completionWaiting_ = true;
        return;
    }
    const bool cancelled = std::exchange(cancelRequested_, false);
    // The caption tells whether the whole file came; the control tells whether it was usable
    // and now stands in place of the old one.
    const bool ok =
        windowTitle() == DownloadCaptionPrefix() + QStringLiteral("100%") && DL->succeeded();
    if (cancelled && !DL->succeeded()) {
        // The user's cancel: the stored data stays, and so does the program.
        setWindowTitle(MainCaption());
        Messages().MsgBox(kDownloadCancelled, MsgFlags::OkOnly, kProgramTitle);
        return;
    }
    if (!ok && downloadVerdict_ == KnowledgeDbVerdict::Older) {
        // The whole file came, and the data in use is newer: nothing changed, nothing to end.
        setWindowTitle(captionBeforeDownload_);
        Messages().MsgBox(kDownloadOlder, MsgFlags::OkOnly, kProgramTitle);
        return;
    }
    if (!ok) {
        Messages().MsgBox(kDownloadFailed, MsgFlags::OkOnly, kProgramTitle);
        close();
        return;
    }
    Messages().MsgBox(kDownloadDone, MsgFlags::OkOnly, kProgramTitle);
    close();
    // The new program takes the working folder over.
    if (instance_)
        instance_->release();
    Shell().StartProgram(QCoreApplication::applicationFilePath(), {});
}

void frmMain::setSingleInstance(SingleInstance* instance) {
    instance_ = instance;
    if (instance_)
        connect(instance_, &SingleInstance::activationRequested, this, &frmMain::bringToFront);
}

void frmMain::bringToFront() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

} // namespace meridane
