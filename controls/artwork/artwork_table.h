// Every picture of the library: its file name, its size and, for the button faces, the colours
// it must hold at five key spots. The drawing tool, the library and the tests read this table.
#pragma once

#include <QColor>
#include <QString>
#include <optional>
#include <vector>

namespace drapix {

// What a picture shows; the drawing tool draws each kind in its own way.
enum class PictureKind {
    ButtonFace,    // a push-button face with border, optional inner ring and shaded body
    CaptionStrip,  // the skin's 46-pixel caption strip (flags: which caption buttons)
    LeftRim,       // the skin's left rim
    RightRim,      // the skin's right rim
    BottomRim,     // the skin's bottom rim
    CaptionButton, // one caption button in one state (flags: which button, which state)
    SkinDesign,    // the skin control's picture in a form designer
    TrayIcon,      // the tray control's default icon (256 colours)
    TrayDesign,    // the tray control's picture in a form designer
    AboutBack,     // the about dialog's background
    AboutLogo,     // the about dialog's logo
    MenuStrip,     // the system menu's side strip
    MenuGlyphs,    // a sheet of system-menu glyphs
    ToolboxBitmap, // a 24-bit toolbox bitmap (flags: which control)
};

// The five key colours of a face: left edge (0, H/2), inner ring (1, H/2), body centre
// (W/2, H/2), second row from the top (W/2, 1), second row from the bottom (W/2, H - 2).
// A flat face has no border: its left edge shows the body colour.
struct FaceColours {
    std::optional<QRgb> border; // none: flat
    std::optional<QRgb> ring;
    QRgb body;
    QRgb top;
    QRgb bottom;
};

// Caption-strip and caption-button flags.
enum PictureFlag : int {
    HasMinimize = 1,
    HasMaximize = 2,
    Maximized = 4,
    CloseButton = 8,
    MinimizeButton = 16,
    MaximizeButton = 32,
    RestoreButton = 64,
    StateHover = 128,
    StatePressed = 256,
    ForCommand = 512,
    ForSysTray = 1024,
    ForLustrane = 2048,
};

struct PictureInfo {
    QString name; // the name the code uses; the file is name + suffix
    int width;
    int height;
    PictureKind kind;
    int flags = 0;
    std::optional<FaceColours> face;

    QString fileName() const;     // "XpBlue1.png", "toolbox30002.bmp"
    QString resourcePath() const; // ":/drapix/pictures/" + fileName()
};

const std::vector<PictureInfo>& Pictures();
const PictureInfo* FindPicture(const QString& name);

// The 28 faces, by style (0-5) and state (normal, focused, hover, pressed, disabled).
QString FacePictureName(int style, int state);

// The command button's built-in 87 x 23 picture.
inline const QString kBuiltInPicture = QStringLiteral("CommandMenuPicture");

} // namespace drapix
