#include "buttons/about_dialog.h"

#include "core/ambient.h"
#include "core/pictures.h"
#include "core/twips.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QUrl>

#include <algorithm>

namespace drapix {

namespace {

class DesktopShell : public ShellService {
public:
    void OpenPage(const QString& address) override { QDesktopServices::openUrl(QUrl(address)); }
};

ShellService* g_shell = nullptr;
QPointer<dlgAbout> g_dialog;

QRect Pixels(QRect twips) {
    return {TwipsToPixels(twips.x()), TwipsToPixels(twips.y()), TwipsToPixels(twips.width()),
            TwipsToPixels(twips.height())};
}

const QRect kWarningTwips{2070, 1320, 3495, 1155}; // Label9

QLabel* MakeLabel(QWidget* parent, const char* name, QRect twips, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(Pixels(twips));
    return l;
}

QLabel* MakeImage(QWidget* parent, const char* name, QPoint at, const QString& picture) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    const QPixmap p = Picture(picture);
    l->setPixmap(p);
    l->setGeometry(QRect(at, p.size()));
    return l;
}

} // namespace

ShellService& Shell() {
    static DesktopShell desktop;
    return g_shell ? *g_shell : desktop;
}

void SetShell(ShellService* shell) {
    g_shell = shell;
}

AboutCloseState::Picture AboutCloseState::formMouseMove() {
    const Picture p = counter_ == 0 ? Picture::None : Picture::Unchanged;
    counter_ = counter_ + 1 > 200 ? 1 : counter_ + 1;
    pressed_ = false;
    return p;
}

AboutCloseState::Picture AboutCloseState::imageMouseDown() {
    pressed_ = true;
    return Picture::Pressed;
}

AboutCloseState::Picture AboutCloseState::imageMouseMove() {
    counter_ = 0;
    return pressed_ ? Picture::Unchanged : Picture::Hover;
}

WarningLayout LayOutWarning(const QRect& design, int limit, qreal pointSize,
                            const std::function<int(qreal, int)>& textHeight) {
    const int room = std::max(limit - design.y(), 0);
    qreal size = pointSize;
    int needed = textHeight(size, design.width());
    while (needed > room && size - 0.5 >= kWarningMinimumPointSize) {
        size -= 0.5;
        needed = textHeight(size, design.width());
    }
    const int height = std::clamp(needed, std::min(design.height(), room), room);
    return {QRect(design.x(), design.y(), design.width(), height), size};
}

dlgAbout::dlgAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      background_(Picture(QStringLiteral("dlgAboutBackground"))) {
    setObjectName(QStringLiteral("dlgAbout"));
    setWindowTitle(kAboutTitleDesign);
    setMouseTracking(true);
    const QFont song = NamedFont(QStringLiteral("宋体"), 9);
    setFont(song);

    Label1 = MakeLabel(this, "Label1", {480, 300, 3600, 300}, kAboutTitleDesign);
    Label2 = MakeLabel(this, "Label2", {2070, 900, 3495, 360}, kAboutProductDesign);
    Label9 = MakeLabel(this, "Label9", kWarningTwips);
    Label3 = MakeLabel(this, "Label3", {2070, 2520, 3495, 255}, kMakerAddress);
    Label4 =
        MakeLabel(this, "Label4", {2070, 1320, 3495, 255}, QStringLiteral("Drapix 控件库 1.0"));
    Label5 =
        MakeLabel(this, "Label5", {2070, 1620, 3495, 255}, QStringLiteral("制作：Drapix 工作室"));
    Label6 = MakeLabel(this, "Label6", {2070, 1920, 3495, 255},
                       QStringLiteral("联系：studio@drapix.example"));
    Image4 =
        MakeImage(this, "Image4", {300, TwipsToPixels(1200) + 0}, QStringLiteral("dlgAboutLogo"));
    Image4->move(20, 80);

    // The close image: over the background's close button, no picture at rest.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsToPixels(5160), 0, TwipsToPixels(420), TwipsToPixels(690));
    Image2 = MakeImage(this, "Image2", {-100, -100}, QStringLiteral("dlgAboutClosePressed"));
    Image3 = MakeImage(this, "Image3", {-100, -160}, QStringLiteral("dlgAboutCloseHover"));
    Picture1 = MakeImage(this, "Picture1", {-200, -300}, QStringLiteral("dlgAboutPicture1"));
    Picture2 = MakeImage(this, "Picture2", {-240, -300}, QStringLiteral("dlgAboutPicture2"));
    Picture3 = MakeImage(this, "Picture3", {-280, -300}, QStringLiteral("dlgAboutPicture3"));
    Picture4 = MakeImage(this, "Picture4", {-320, -300}, QStringLiteral("dlgAboutPicture4"));

    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    Label2->setFont(NamedFont(QStringLiteral("宋体"), 15, true));
    Label9->setWordWrap(true);
    Label9->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label9->setAutoFillBackground(true);
    Label9->hide();
    Label3->setCursor(Qt::PointingHandCursor);

    for (QLabel* l : findChildren<QLabel*>()) {
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }

    // Load: the size, and Label1's background colour.
    resize(TwipsToPixels(5730), TwipsToPixels(2955));
    setFixedSize(382, 197);
    QPalette title = Label1->palette();
    title.setColor(QPalette::Window, kWarningBackground);
    Label1->setPalette(title);
    setLinkColour(Qt::black);
}

dlgAbout::~dlgAbout() = default;

void dlgAbout::setLinkColour(const QColor& c) {
    QPalette p = Label3->palette();
    p.setColor(QPalette::WindowText, c);
    Label3->setPalette(p);
}

void dlgAbout::PrepareAbout(const QString& title, const QString& product) {
    Label1->setText(title);
    Label2->setText(product);
    Label9->hide();
    Label4->show();
    Label5->show();
    Label6->show();
}

void dlgAbout::PrepareWarning(const QString& product, const QString& warning) {
    Label1->setText(kWarningTitle);
    Label2->setText(product);
    Label9->setText(warning);
    // The long warning needs more lines than the label's design height holds at the CJK
    // stand-in font's line spacing: the label grows downwards, but stops above the link line.
    const QFont design = font();
    const int flags = int(Label9->alignment()) | Qt::TextWordWrap;
    const WarningLayout layout = LayOutWarning(
        Pixels(kWarningTwips), Label3->geometry().top() - kWarningGap, design.pointSizeF(),
        [&](qreal pointSize, int width) {
            QFont f = design;
            f.setPointSizeF(pointSize);
            return QFontMetrics(f).boundingRect(QRect(0, 0, width, 10000), flags, warning).height();
        });
    QFont f = design;
    f.setPointSizeF(layout.pointSize);
    Label9->setFont(f);
    Label9->setGeometry(layout.geometry);
    QPalette p = Label9->palette();
    p.setColor(QPalette::Window, kWarningBackground);
    Label9->setPalette(p);
    // The warning covers the maker lines.
    Label4->hide();
    Label5->hide();
    Label6->hide();
    Label9->show();
    Label9->raise();
}

void dlgAbout::showClosePicture(AboutCloseState::Picture p) {
    switch (p) {
    case AboutCloseState::Picture::None:
        Image1->setPixmap(QPixmap());
        break;
    case AboutCloseState::Picture::Hover:
        Image1->setPixmap(Image3->pixmap());
        break;
    case AboutCloseState::Picture::Pressed:
        Image1->setPixmap(Image2->pixmap());
        break;
    case AboutCloseState::Picture::Unchanged:
        break;
    }
}

void dlgAbout::mouseMoveEvent(QMouseEvent*) {
    showClosePicture(state_.formMouseMove());
    setLinkColour(Qt::black);
}

void dlgAbout::resizeEvent(QResizeEvent*) {
    if (!cutForm_)
        cutForm_ = std::make_unique<CutForm>();
    cutForm_->ShapeWindow(this);
}

void dlgAbout::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
}

void dlgAbout::closeImageClicked() {
    cutForm_.reset();
    accept();
    Shell().OpenPage(kMakerAddress);
}

bool dlgAbout::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseMove && t != QEvent::MouseButtonPress &&
        t != QEvent::MouseButtonRelease && t != QEvent::MouseButtonDblClick)
        return QDialog::eventFilter(watched, event);
    auto* me = static_cast<QMouseEvent*>(event);
    if (watched == Image1) {
        if (t == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
            imageDown_ = true;
            showClosePicture(state_.imageMouseDown());
        } else if (t == QEvent::MouseMove) {
            showClosePicture(state_.imageMouseMove());
        } else if (t == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton) {
            state_.imageMouseUp();
            const bool click = imageDown_ && Image1->rect().contains(me->position().toPoint());
            imageDown_ = false;
            if (click)
                closeImageClicked();
        }
        return true;
    }
    if (watched == Label3) {
        if (t == QEvent::MouseMove)
            setLinkColour(Qt::red);
        else if (t == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton &&
                 Label3->rect().contains(me->position().toPoint()))
            Shell().OpenPage(kMakerAddress);
        return true;
    }
    // Other labels and pictures keep the mouse to themselves: moving onto them does not
    // count as moving over the form.
    return true;
}

dlgAbout* AboutDialog() {
    if (!g_dialog)
        g_dialog = new dlgAbout();
    return g_dialog;
}

void ReleaseAboutDialog() {
    delete g_dialog.data();
}

bool AboutDialogLoaded() {
    return !g_dialog.isNull();
}

bool AboutDialogShown() {
    return AboutDialogLoaded() && AboutDialog()->isVisible();
}

void ShowAboutBox(const QString& title, const QString& product, QWidget* parent) {
    dlgAbout* d = AboutDialog();
    if (parent)
        d->setParent(parent->window(), d->windowFlags());
    d->PrepareAbout(title, product);
    d->exec();
    ReleaseAboutDialog();
}

void ShowDuplicateWarning(const QString& product, const QString& warning, QWidget* parent) {
    dlgAbout* d = AboutDialog();
    if (parent)
        d->setParent(parent->window(), d->windowFlags());
    d->PrepareWarning(product, warning);
    d->exec();
}

} // namespace drapix
