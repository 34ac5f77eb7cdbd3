#include "services/user_settings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace meridane {

namespace {

QString g_settingsFile;

const QString kWindowRect = QStringLiteral("window/rect");
const QString kWindowMaximized = QStringLiteral("window/maximized");
const QString kMusicOff = QStringLiteral("music/off");
const QString kVariants = QStringLiteral("search/variants");
const QString kTypeAhead = QStringLiteral("search/typeAhead");
const QString kExportFolder = QStringLiteral("export/folder");

QString HistoryKey(int category) {
    return QStringLiteral("history/category%1").arg(category);
}

std::unique_ptr<QSettings> Open() {
    return std::make_unique<QSettings>(UserSettingsFile(), QSettings::IniFormat);
}

} // namespace

QString UserSettingsFile() {
    if (!g_settingsFile.isEmpty())
        return g_settingsFile;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Meridane/settings.ini");
}

void SetUserSettingsFile(const QString& path) {
    g_settingsFile = path;
}

std::optional<WindowPlacement> LoadWindowPlacement() {
    const auto s = Open();
    const QRect rect = s->value(kWindowRect).toRect();
    if (!rect.isValid() || rect.width() <= 0 || rect.height() <= 0)
        return std::nullopt;
    return WindowPlacement{rect, s->value(kWindowMaximized).toBool()};
}

void SaveWindowPlacement(const WindowPlacement& placement) {
    const auto s = Open();
    s->setValue(kWindowRect, placement.rect);
    s->setValue(kWindowMaximized, placement.maximized);
}

bool MusicSwitchedOff() {
    return Open()->value(kMusicOff).toBool();
}

void SaveMusicSwitchedOff(bool off) {
    Open()->setValue(kMusicOff, off);
}

bool VariantsOn() {
    return Open()->value(kVariants).toBool();
}

void SaveVariantsOn(bool on) {
    Open()->setValue(kVariants, on);
}

bool TypeAheadOn() {
    return Open()->value(kTypeAhead).toBool();
}

void SaveTypeAheadOn(bool on) {
    Open()->setValue(kTypeAhead, on);
}

QString ExportFolder() {
    return Open()->value(kExportFolder).toString();
}

void SaveExportFolder(const QString& folder) {
    Open()->setValue(kExportFolder, folder);
}

QStringList KeywordHistory(int category) {
    QStringList kept = Open()->value(HistoryKey(category)).toStringList();
    kept.removeDuplicates();
    return kept.mid(0, kKeywordHistorySize);
}

void AddToKeywordHistory(int category, const QString& keywords) {
    QString bare = keywords;
    bare.remove(QRegularExpression(QStringLiteral("[\\s,\\x{FF0C}]")));
    if (bare.isEmpty())
        return;
    QStringList kept = KeywordHistory(category);
    kept.removeAll(keywords);
    kept.prepend(keywords);
    Open()->setValue(HistoryKey(category), kept.mid(0, kKeywordHistorySize));
}

void ClearKeywordHistory(int category) {
    Open()->remove(HistoryKey(category));
}

} // namespace meridane
