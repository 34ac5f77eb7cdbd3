#include "artwork/artwork_table.h"

namespace drapix {

namespace {

PictureInfo Face(const char* name, int w, int h, std::optional<QRgb> border,
                 std::optional<QRgb> ring, QRgb body, QRgb top, QRgb bottom) {
    return {QString::fromUtf8(name), w, h,
            PictureKind::ButtonFace, 0, FaceColours{border, ring, body, top, bottom}};
}

constexpr std::nullopt_t kNone = std::nullopt;

std::vector<PictureInfo> MakeTable() {
    std::vector<PictureInfo> t = {
        Face("XpBlue1", 80, 18, 0x003C74, kNone, 0xF4F4F0, 0xFFFFFF, 0xD6D0C5),
        Face("XpBlue2", 80, 18, 0x003C74, 0x9CBBEA, 0xF3F3EE, 0xCEE7FF, 0x6982EE),
        Face("XpBlue3", 80, 18, 0x003C74, 0xFBC761, 0xF3F3EE, 0xFFF0CF, 0xE59700),
        Face("XpBlue4", 80, 18, 0x003C74, kNone, 0xE2E1D9, 0xD1CCC1, 0xF2F1EE),
        Face("XpBlue5", 78, 21, 0xC9C7BA, kNone, 0xF5F4EA, 0xF5F4EA, 0xF5F4EA),
        Face("XpGreen1", 81, 19, 0x376206, kNone, 0xFBF9E7, 0xFFFFF6, 0xE3D1B8),
        Face("XpGreen2", 80, 18, 0x376206, 0x9DC464, 0xF9F6E4, 0xC2D18F, 0xA8A766),
        Face("XpGreen3", 80, 18, 0x376206, 0xE8AA76, 0xF8F5E4, 0xFCC595, 0xCF7225),
        Face("XpGreen4", 73, 21, 0x376206, kNone, 0xECE3CE, 0xDFCDB4, 0xF8F4E4),
        Face("XpGreen5", 73, 19, 0xCAC4B8, kNone, 0xF6F2E9, 0xF6F2E9, 0xF6F2E9),
        Face("XpArgent1", 80, 18, 0x003C74, kNone, 0xE5E4EE, 0xFFFFFF, 0xC6C5D7),
        Face("XpArgent2", 80, 18, 0x003C74, 0x9CBBEA, 0xE8E7F0, 0xCEE7FF, 0x6982EE),
        Face("XpArgent3", 80, 18, 0x003C74, 0xFBC761, 0xEBECF2, 0xFFF0CF, 0xE59700),
        Face("XpArgent4", 73, 21, 0x003C74, 0xFFFFFF, 0xD6D5E0, 0xFFFFFF, 0xFFFFFF),
        Face("XpArgent5", 73, 19, 0xC4C3BF, kNone, 0xF1F1ED, 0xF1F1ED, 0xF1F1ED),
        Face("Imgbut1", 94, 38, 0x5D696E, kNone, 0xE3E7F4, 0xFFFFFF, 0xCDDFF1),
        Face("Imgbut2", 94, 38, 0x5D696E, 0xC8F6B2, 0xF1FFDA, 0xCAF6BB, 0xB5F3A0),
        Face("imgbut3", 94, 38, 0x5D696E, 0x8BB08B, 0xC4F6B3, 0x7B8C8F, 0x91C489),
        Face("imgbut4", 82, 32, 0xB0B9C9, kNone, 0xD8E0F1, 0xE0E7F4, 0xD1DDF0),
        Face("QQ2005Blue1", 60, 21, 0x587A95, 0xC0F7FF, 0xBFE2FF, 0xFFFFFF, 0xBAF4FF),
        Face("QQ2005Blue2", 78, 21, 0x3169A6, 0xF3B22D, 0xBBE0FF, 0xFFE762, 0xE5E362),
        Face("QQ2005Blue3", 78, 21, 0x2360B1, 0xD1F9FF, 0xCFEAFF, 0xFFFFFF, 0xCEF7FF),
        Face("QQ2005Blue4", 78, 21, 0x2360B1, kNone, 0xBAE0FB, 0xCBF3FC, 0xD1F6FC),
        Face("QQ2005Blue5", 78, 21, 0x2360B1, 0xBFF7FF, 0xBBE0FF, 0xFFFFFF, 0xBAF4FF),
        Face("Menu1", 55, 21, kNone, kNone, 0xDCE2F3, 0xE6EAF7, 0xD3D9F0),
        Face("Menu2", 66, 17, 0x969DA2, kNone, 0xE4E8F4, 0xFDFDFE, 0xCCDFF1),
        Face("Menu3", 66, 17, 0x4A577E, 0x7481C2, 0x94A1D4, 0x7683C2, 0x7280C1),
        Face("Menu4", 68, 28, kNone, kNone, 0xD8E0F1, 0xE0E7F4, 0xD2DDF0),
        Face("CommandMenuPicture", 87, 23, kNone, kNone, 0xDCE2F3, 0xE6EBF7, 0xD2D9F0),
    };
    const auto add = [&t](const char* name, int w, int h, PictureKind kind, int flags = 0) {
        t.push_back({QString::fromUtf8(name), w, h, kind, flags, std::nullopt});
    };
    // The skin: caption strips, rims, caption buttons, menu picture, designer picture.
    add("Img_Lustrane_Top", 563, 46, PictureKind::CaptionStrip, HasMinimize | HasMaximize);
    add("Imgyesmin", 563, 46, PictureKind::CaptionStrip, HasMinimize | HasMaximize | Maximized);
    add("Imgnomin", 563, 46, PictureKind::CaptionStrip, HasMaximize | Maximized);
    add("nominbotton", 563, 46, PictureKind::CaptionStrip, HasMaximize);
    add("nomaxbotton", 563, 46, PictureKind::CaptionStrip, HasMinimize);
    add("nominmaxbutton", 563, 46, PictureKind::CaptionStrip, 0);
    add("ImgLustraneLeftRim", 15, 72, PictureKind::LeftRim);
    add("ImgLustraneRightRim", 8, 72, PictureKind::RightRim);
    add("ImgLustraneBottomRim", 155, 9, PictureKind::BottomRim);
    add("picMclose", 28, 46, PictureKind::CaptionButton, CloseButton | StateHover);
    add("picDclose", 28, 46, PictureKind::CaptionButton, CloseButton | StatePressed);
    add("ImgmouseMinMove", 25, 46, PictureKind::CaptionButton, MinimizeButton | StateHover);
    add("ImgmouseMinDown", 25, 46, PictureKind::CaptionButton, MinimizeButton | StatePressed);
    add("ImgmouseMaxMove", 25, 46, PictureKind::CaptionButton, MaximizeButton | StateHover);
    add("ImgmouseMaxDown", 25, 46, PictureKind::CaptionButton, MaximizeButton | StatePressed);
    add("Imgdeoxidize", 25, 46, PictureKind::CaptionButton, RestoreButton);
    add("ImgdeoxidizeMove", 25, 46, PictureKind::CaptionButton, RestoreButton | StateHover);
    add("imgdeoxidizeDown", 25, 46, PictureKind::CaptionButton, RestoreButton | StatePressed);
    add("ImgMenu", 87, 23, PictureKind::ButtonFace, 0);
    t.back().face = FaceColours{std::nullopt, std::nullopt, 0xDCE2F3, 0xE6EBF7, 0xD2D9F0};
    add("LustraneDesign", 180, 131, PictureKind::SkinDesign);
    // The tray control.
    add("SysTrayIcon", 48, 48, PictureKind::TrayIcon);
    add("SysTrayDesign", 200, 28, PictureKind::TrayDesign);
    // The about dialog.
    add("dlgAboutBackground", 382, 197, PictureKind::AboutBack);
    add("dlgAboutLogo", 104, 60, PictureKind::AboutLogo);
    add("dlgAboutClosePressed", 28, 46, PictureKind::CaptionButton, CloseButton | StatePressed);
    add("dlgAboutCloseHover", 28, 46, PictureKind::CaptionButton, CloseButton | StateHover);
    add("dlgAboutPicture1", 27, 122, PictureKind::MenuStrip);
    add("dlgAboutPicture2", 20, 40, PictureKind::MenuGlyphs, 0);
    add("dlgAboutPicture3", 20, 40, PictureKind::MenuGlyphs, StateHover);
    add("dlgAboutPicture4", 14, 36, PictureKind::MenuGlyphs, StatePressed);
    // The toolbox bitmaps, named by their resource numbers.
    add("toolbox30000", 16, 15, PictureKind::ToolboxBitmap, ForLustrane);
    add("toolbox30001", 16, 15, PictureKind::ToolboxBitmap, ForSysTray);
    add("toolbox30002", 16, 15, PictureKind::ToolboxBitmap, ForCommand);
    return t;
}

} // namespace

QString PictureInfo::fileName() const {
    return name +
           (kind == PictureKind::ToolboxBitmap ? QStringLiteral(".bmp") : QStringLiteral(".png"));
}

QString PictureInfo::resourcePath() const {
    return QStringLiteral(":/drapix/pictures/") + fileName();
}

const std::vector<PictureInfo>& Pictures() {
    static const std::vector<PictureInfo> table = MakeTable();
    return table;
}

const PictureInfo* FindPicture(const QString& name) {
    for (const PictureInfo& p : Pictures()) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

QString FacePictureName(int style, int state) {
    static const char* const names[6][5] = {
        {"XpBlue1", "XpBlue2", "XpBlue3", "XpBlue4", "XpBlue5"},
        {"XpGreen1", "XpGreen2", "XpGreen3", "XpGreen4", "XpGreen5"},
        {"XpArgent1", "XpArgent2", "XpArgent3", "XpArgent4", "XpArgent5"},
        {"Imgbut1", "Imgbut2", "Imgbut2", "imgbut3", "imgbut4"},
        {"QQ2005Blue1", "QQ2005Blue2", "QQ2005Blue3", "QQ2005Blue4", "QQ2005Blue5"},
        {"Menu1", "Menu2", "Menu2", "Menu3", "Menu4"},
    };
    if (style < 0 || style > 5 || state < 0 || state > 4)
        return {};
    return QString::fromLatin1(names[style][state]);
}

} // namespace drapix
