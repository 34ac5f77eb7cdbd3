// frmMain: the program's main window. It shows the search fields, runs the start-up and shutdown
// sequences, keeps the layout in step with its size and dispatches the command buttons.
#pragma once

#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/pinyin_titles.h"
#include "search/record_display.h"
#include "search/text_finder.h"
#include "services/download.h"
#include "services/favourites.h"
#include "services/lifecycle.h"
#include "services/main_layout.h"
#include "services/music.h"
#include "services/record_trail.h"
#include "services/update_check.h"
#include "shell/about_dialog.h"
#include "shell/keeping.h"
#include "shell/personal_editor.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class Command;
class Lustrane;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QTimer;

namespace meridane {

class FindBar;
class RecordPane;
class SingleInstance;

inline const QColor kWindowBackground(0xD5, 0xDE, 0xF2);

// "8" … "36": the font sizes of Combo1, in list order.
QStringList FontSizes();

class frmMain : public QWidget {
    Q_OBJECT
public:
    // Creates the window and runs the start-up sequence. engine: the in-memory search, which
    // outlives the window. device: the music player (a QMediaPlayer-based one when null).
    explicit frmMain(memory::Engine& engine, std::unique_ptr<MciDevice> device = {});
    ~frmMain() override;

    // Controls, named as on the form.
    QRadioButton *Option1, *Option2, *Option3, *Option4, *Option5, *Option6;
    QGroupBox* Frame1;
    QLabel* Label1;
    std::array<QLineEdit*, 2> Text1;
    QListWidget* List1;
    Command *Command1, *Command2;
    QPlainTextEdit* Text2;
    QListWidget* List2;
    QLabel *Label2, *Label3, *Label4, *Label5;
    QComboBox* Combo1;
    RecordPane* RichTextBox1;
    QLineEdit *Text3, *Text4;
    Command *Command4, *Command5, *Command6, *Command7, *Command8, *Command9, *Command10;
    QTimer* Timer1;
    // The skin of the window's frame; never called by the window's own code.
    Lustrane* Lustrane1 = nullptr;
    bkDLControl* DL;
    // Finding in the record shown (Ctrl+F), under the record pane while it is open.
    FindBar* findBar = nullptr;
    // The keyword box Text1(0) as the edit field of a drop-down of the keywords searched before
    // in the selected category, and "清除历史" last.
    QComboBox* keywordHistory = nullptr;
    // "繁简通查", beside the search buttons: keywords match their variant forms too.
    QCheckBox* variantsBox = nullptr;
    // "输入即查", in the keyword box's context menu: the result list follows the box as the user
    // types. The timer waits for a pause of the typing.
    QAction* typeAheadAction = nullptr;
    QTimer* typeAheadTimer = nullptr;
    // Keeping what was read: "加入收藏" (Ctrl+D), "收藏夹…" (Ctrl+Shift+D), "导出本条记录…"
    // (Ctrl+S) in the record pane's context menu, "导出结果列表…" (Ctrl+Shift+S) in the result
    // list's.
    QAction* addFavouriteAction = nullptr;
    QAction* showFavouritesAction = nullptr;
    QAction* exportRecordAction = nullptr;
    QAction* exportListAction = nullptr;

    // The program's hold on its working folder: a later start of the program brings this window
    // to the front, and the restart after an online update gives the folder up first.
    void setSingleInstance(SingleInstance* instance);

    const MainGeometry& layoutGeometry() const { return geometry_; }
    BackgroundMusic& music() { return *music_; }
    frmAbout* aboutDialog() const { return about_; }
    FavouritesDialog* favouritesDialog() const { return favouritesDialog_; }
    FavouriteStore& favourites() { return favourites_; }
    Form5* editor() const { return editor_; }

    // The handlers of the buttons' Click.
    void Command1Click();
    void Command2Click();
    void Command4Click();
    void Command5Click();
    void Command6Click();
    void Command7Click();
    void Command8Click();
    void Command9Click();
    void Command10Click();
    void List1Click(const QString& title);
    void Combo1Click();
    void Timer1Timer();
    void DLProgress(float fraction);
    void DLCompleted();
    // Esc while a download runs: asks, and ends the download as failed on Yes.
    void DLCancel();

    // Finding in the record shown: Ctrl+F opens the find bar, Esc closes it. F3 and Shift+F3
    // move to the next and previous place the bar found, or with the bar closed to the next and
    // previous keyword in red (the line above the pane says which of how many).
    void openFindBar();
    void closeFindBar();
    void findNext(bool forward);
    // Ctrl with the wheel, Ctrl+= and Ctrl+-: the record pane's next size of the size list.
    void stepFontSize(int step);
    // Alt+Left and Alt+Right, and the mouse's back and forward buttons: the record shown before
    // (after) in this run, with its category and keywords, its title chosen in the list where it
    // is listed.
    void goBack();
    void goForward();

    // Favourites and export (main_window_keeping.cpp).
    void addFavourite();
    void showFavourites();
    // Shows the favourite's record as a click on its title does; a record no longer there is
    // reported, and removed from the favourites when the user agrees. False when not shown.
    bool openFavourite(const Favourite& favourite);
    void exportRecord();
    void exportList();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void wireCommands();
    void Form_Load();
    void Form_Resize();
    void placeControls();
    // The window manager's frame around the window (none without one or before it is known),
    // and the window's size with it; for the skinned window, its size before the skin grew it.
    QMargins frameMargins() const;
    QSize outerSize() const;
    // Once the frame is known, gives the inside what the frame leaves of the load size. True
    // when nothing is left to do.
    bool fitLoadSizeToFrame();
    std::optional<Category> selectedCategory() const;
    void readFields();
    void showFields();
    void runSearch(void (KeywordSearch::*search)());
    // A new search that found nothing for Latin letters lists the titles they spell in pinyin.
    void listByPinyin();
    // A title of that list: the record of the category's table with that title.
    // Whether the record was there; no value when it could not be read (said to the user).
    std::optional<bool> showByTitle(const QString& title);
    // The record of category titled title, from memory while the writes behind the lists are
    // pending, else from the file once its writes are done; no value when there is none.
    // Throws DbError.
    std::optional<TitledRecord> readRecordByTitle(const KnowledgeCategory& category,
                                                  const QString& title);
    void wireKeyboard();
    // Moves a control of the line above the record pane up until it clears the pane's top.
    void keepAbovePane(QWidget& w) const;
    void focusKeywordBox();
    // The find bar's places in the record shown, marked in the pane from the caret on.
    void refreshFound();
    void showFoundCount();
    void applyFontSize(double points);
    void fillKeywordHistory();
    void keywordHistoryChosen(int index);
    void retrace(const std::optional<VisitedRecord>& record);
    // Search as you type: the keyword box's context menu with "输入即查", the list of what "查询"
    // would list for the text typed so far, and the real search before a preview is used.
    void wireTypeAhead();
    void wireKeeping();
    void resultListMenu(const QPoint& pos);
    void keywordBoxMenu(const QPoint& pos);
    void showPreview();
    void searchPreviewed();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void bringToFront();
    // The place and size the window starts with (remembered or the load size), within the
    // screen's work area.
    QRect startPlacement();
    void rememberPlacement();

    MainGeometry geometry_;
    memory::Engine& engine_;
    SearchFields fields_;
    KeywordSearch search_{fields_, &engine_};
    RecordDisplay display_{fields_, &engine_};
    std::unique_ptr<MciDevice> device_;
    std::unique_ptr<BackgroundMusic> music_;
    QPointer<frmAbout> about_;
    QPointer<Form5> editor_;
    QPointer<FavouritesDialog> favouritesDialog_;
    FavouriteStore favourites_;
    // The record the pane shows, as it was shown (none before the first): what 加入收藏 keeps
    // and 导出本条记录 saves.
    struct ShownEntry {
        Favourite favourite;
        QString header;
        QString body;
        QString keywordBox;
        bool variants = false;
    };
    std::optional<ShownEntry> shown_;
    bool frameWatched_ = false;
    bool loadSizePending_ = false;
    QSize loadOuterSize_;
    bool startMaximized_ = false;
    // A cancel asked for while the question is open; a completion meanwhile waits for it.
    bool askingToCancel_ = false;
    bool completionWaiting_ = false;
    bool cancelRequested_ = false;
    SingleInstance* instance_ = nullptr;
    bool shutDown_ = false;
    // A list export runs in a loop of its own; a close meanwhile cancels it and waits for it.
    bool exporting_ = false;
    bool closeWhenExported_ = false;
    // What the check of the downloaded knowledge database found, once it ran; the caption the
    // window had before the transfer.
    std::optional<KnowledgeDbVerdict> downloadVerdict_;
    QString captionBeforeDownload_;
    HitStepper found_;
    HitStepper keywordHits_;
    RecordTrail trail_;
    bool retracing_ = false;
    // The list shows titles found by pinyin rather than the result table.
    bool pinyinListed_ = false;
    // The list shows a preview of a new search, not yet made.
    bool previewListed_ = false;
    // The keyword box's text before a pick from its drop-down.
    QString typedBeforePick_;
};

} // namespace meridane
