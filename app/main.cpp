#include "app/AppIdentity.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    // 1. The application object and its title.
    QApplication app(argc, argv);
    nameApplication();

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
    // command line opens as if chosen in the open dialog, unless a recovered text took its place.
    form1.recoverAtStart();
    if (const QStringList args = QApplication::arguments(); args.size() > 1)
        form1.openFromCommandLine(args.at(1));
    return app.exec();
}
