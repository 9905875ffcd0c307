#include "settings/LpBrowseDlg.h"

#include "settings/LpBrowseWindow.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QScreen>
#include <QStandardPaths>

namespace {

QString existingOr(const QString& path, const QString& fallback) {
    return !path.isEmpty() && QDir(path).exists() ? path : fallback;
}

QString standardPath(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
}

QWidget* applicationMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w))
            return w;
    return nullptr;
}

} // namespace

QString browseRootPath(TBrowseFolder folder) {
    const QString all = QDir::rootPath();
    const QString home = QDir::homePath();
    auto homeSub = [&](const QString& name) { return existingOr(home + '/' + name, all); };
    switch (folder) {
    case bfoPersonal:
        return existingOr(standardPath(QStandardPaths::DocumentsLocation), home);
    case bfoDesktopDirectory:
        return existingOr(standardPath(QStandardPaths::DesktopLocation), home);
    case bfoPrograms:
    case bfoStartMenu:
        return existingOr(standardPath(QStandardPaths::ApplicationsLocation), all);
    case bfoCommonPrograms:
    case bfoCommonStartMenu:
        return existingOr("/usr/share/applications", all);
    case bfoStartup:
        return existingOr(standardPath(QStandardPaths::GenericConfigLocation) + "/autostart", all);
    case bfoCommonStartup:
        return existingOr("/etc/xdg/autostart", all);
    case bfoFonts:
        return existingOr(standardPath(QStandardPaths::FontsLocation), all);
    case bfoAppData:
        return existingOr(standardPath(QStandardPaths::GenericDataLocation), all);
    case bfoRecycleBin:
        return existingOr(standardPath(QStandardPaths::GenericDataLocation) + "/Trash", all);
    case bfoTemplates:
        return homeSub("Templates");
    default:
        // The whole namespace, and the shell's virtual folders, which have no folder here.
        return all;
    }
}

TLpBrowseDlg::TLpBrowseDlg(QObject* owner) : QObject(owner) {}

TLpBrowseDlg::~TLpBrowseDlg() = default;

void TLpBrowseDlg::SetSelectedFolder(const QString& path) {
    selectedFolder_ = path;
    if (window_ && !path.isEmpty())
        window_->selectFolder(path);
}

void TLpBrowseDlg::SetStatusText(const QString& text) {
    statusText_ = text;
    if (window_)
        window_->setStatus(text);
}

QRect TLpBrowseDlg::referenceRect() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 640, 480);
    QWidget* owner = qobject_cast<QWidget*>(parent());
    QWidget* mainWindow = owner ? owner->window() : applicationMainWindow();
    switch (RelatePos) {
    case brScreen:
        return screenRect;
    case brScreenWorkArea:
        return screen ? screen->availableGeometry() : screenRect;
    case brMainForm:
        return mainWindow ? mainWindow->frameGeometry() : screenRect;
    case brActiveWindow:
        if (QWidget* active = QApplication::activeWindow())
            return active->frameGeometry();
        return mainWindow ? mainWindow->frameGeometry() : screenRect;
    }
    return screenRect;
}

bool TLpBrowseDlg::Execute() {
    QWidget* owner = qobject_cast<QWidget*>(parent());
    TLpBrowseWindow w(*this, owner ? owner->window() : applicationMainWindow());
    window_ = &w;
    w.initialise();
    const int result = runner ? runner(w) : w.exec();
    window_ = nullptr;
    if (result != QDialog::Accepted || w.chosenFolder().isEmpty())
        return false;
    selectedFolder_ = w.chosenFolder();
    return true;
}
