// dlgAbout: the library's one dialog, the about box of every control and the carrier of the
// warning that a form holds a control twice.
#pragma once

#include "core/about_box.h"
#include "core/ambient.h"
#include "core/cut_form.h"
#include "drapix_global.h"

#include <QDialog>
#include <QPixmap>
#include <functional>
#include <memory>

class QLabel;

namespace drapix {

// Opens web pages; tests install one that records instead.
class DRAPIX_EXPORT ShellService {
public:
    virtual ~ShellService() = default;
    virtual void OpenPage(const QString& address) = 0;
};
DRAPIX_EXPORT ShellService& Shell();
// Replaces the shell (nullptr: the desktop's own); the caller keeps ownership.
DRAPIX_EXPORT void SetShell(ShellService* shell);

// The maker's web address, shown in Label3 and opened by the link and the close image.
inline const QString kMakerAddress = QStringLiteral("http://www.drapix.example");

inline const QColor kWarningBackground = kSkinFace;

// The hover state of the close image: a pressed flag and a counter (0-200).
class DRAPIX_EXPORT AboutCloseState {
public:
    enum class Picture { None, Hover, Pressed, Unchanged };
    // Each returns what the close image shows from then on.
    Picture formMouseMove();  // the mouse moves over the form itself
    Picture imageMouseDown(); // on the close image
    Picture imageMouseMove(); // over the close image
    void imageMouseUp() { pressed_ = false; }
    bool pressed() const { return pressed_; }
    int counter() const { return counter_; }

private:
    bool pressed_ = false;
    int counter_ = 0;
};

// Where the duplicate warning goes: the label keeps its design place and grows downwards as far
// as its wrapped text needs, but never reaches limit (the first row it may not cover: the link
// line less a gap). A text that would not fit at the design size is set in the largest smaller
// size, in half points down to kWarningMinimumPointSize, that fits. textHeight gives the height
// the text needs at a point size when wrapped to a width.
struct WarningLayout {
    QRect geometry;
    qreal pointSize = 0;
};
constexpr qreal kWarningMinimumPointSize = 6;
constexpr int kWarningGap = 2; // pixels between the warning and the link line
DRAPIX_EXPORT WarningLayout LayOutWarning(const QRect& design, int limit, qreal pointSize,
                                          const std::function<int(qreal, int)>& textHeight);

class DRAPIX_EXPORT dlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit dlgAbout(QWidget* parent = nullptr);
    ~dlgAbout() override;

    QLabel* Label1; // title line
    QLabel* Label2; // product line
    QLabel* Label9; // warning, hidden unless a caller shows it
    QLabel* Label3; // the maker's web address
    QLabel* Label4; // maker lines
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Image4;   // logo
    QLabel* Image1;   // close image; no picture at rest
    QLabel* Image2;   // its pressed picture, outside the visible area
    QLabel* Image3;   // its hover picture, outside the visible area
    QLabel* Picture1; // the system menu's side strip
    QLabel* Picture2; // glyphs of normal items
    QLabel* Picture3; // glyphs of the highlighted item
    QLabel* Picture4; // the "about" item's frames

    const AboutCloseState& closeState() const { return state_; }
    // Sets both lines and hides the warning (every about box does this before showing).
    void PrepareAbout(const QString& title, const QString& product);
    // The duplicate warning: title "注意", the product line, the warning on #D5DEF2.
    void PrepareWarning(const QString& product, const QString& warning);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showClosePicture(AboutCloseState::Picture p);
    void closeImageClicked();
    void setLinkColour(const QColor& c);

    AboutCloseState state_;
    std::unique_ptr<CutForm> cutForm_;
    QPixmap background_;
    bool imageDown_ = false;
};

// The shared instance: created on first use, kept until released.
DRAPIX_EXPORT dlgAbout* AboutDialog();
DRAPIX_EXPORT void ReleaseAboutDialog();

} // namespace drapix
