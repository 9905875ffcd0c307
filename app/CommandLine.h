#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. It is read before the application object exists, so that
// --help, --version and a wrong option answer on the terminal without a display, a window or the
// settings being touched.
struct TCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Fail };
    Action action = Action::Run;
    QString output;    // the text to print for ShowHelp, ShowVersion (stdout) and Fail (stderr)
    QStringList files; // pages named on the command line, in order
    QStringList toolkitArgs; // the toolkit's own options (-platform, -display ...), with values
};

// Reads the arguments (the program's name first). Options of the toolkit are kept for it; after
// "--" everything is a file name, even one that starts with a dash.
TCommandLine parseCommandLine(const QStringList& arguments);

// The exit status for an option that is not known.
constexpr int kBadOptionStatus = 2;

// Where the help file is: beside the program (a build folder), else in the installed data folder
// found from the program's folder (bin/../share/larkpad). When neither has it, the path beside the
// program, so that the help window names a place when it reports the missing file.
QString locateHelpFile(const QString& programDir);
