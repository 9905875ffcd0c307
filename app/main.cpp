#include "app/AppIdentity.h"
#include "app/CommandLine.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[]) {
    // A file-size limit reached while saving ends the write with an error that the save reports,
    // instead of killing the program with the author's text in it.
    std::signal(SIGXFSZ, SIG_IGN);

    // 0. The command line, read before anything needs a display or the settings.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = parseCommandLine(arguments);
    switch (line.action) {
    case TCommandLine::Action::ShowHelp:
    case TCommandLine::Action::ShowVersion:
        std::fputs(line.output.toLocal8Bit().constData(), stdout);
        return 0;
    case TCommandLine::Action::Fail:
        std::fputs(line.output.toLocal8Bit().constData(), stderr);
        return kBadOptionStatus;
    case TCommandLine::Action::Run:
        break;
    }

    // The application object sees the program's name and the toolkit's own options only, so that
    // a page named after "--" is never read as one of them.
    std::vector<QByteArray> kept{QByteArray(argv[0])};
    for (const QString& a : line.toolkitArgs)
        kept.push_back(a.toLocal8Bit());
    std::vector<char*> appArgv;
    for (QByteArray& a : kept)
        appArgv.push_back(a.data());
    appArgv.push_back(nullptr);
    int appArgc = static_cast<int>(kept.size());

    // 1. The application object and its title.
    QApplication app(appArgc, appArgv.data());
    nameApplication();
    QIcon icon;
    icon.addFile(":/app-icon/larkpad-16.svg", QSize(16, 16));
    icon.addFile(":/app-icon/larkpad.svg", QSize(32, 32));
    QApplication::setWindowIcon(icon);

    // The toolkit's own texts (file dialogs, standard buttons) speak French.
    QTranslator toolkitFrench;
    if (toolkitFrench.load(QLocale(QLocale::French), "qtbase", "_",
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitFrench);

    // 2. The main window; its creation handler runs as part of the creation, and the window then
    //    makes its about box, hidden.
    TForm1 form1;

    // 3. The message loop: the main window is shown and events are dispatched until it closes.
    form1.show();
    // Unsaved changes that an earlier run left behind are offered first. A page named on the
    // command line opens as if chosen in the open dialog, unless a recovered text took its place;
    // only one page is open at a time, so of several names the first is taken.
    form1.recoverAtStart();
    if (!line.files.isEmpty())
        form1.openFromCommandLine(line.files.first());
    return app.exec();
}
