#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

// The toolkit's own options that take a value, and those that do not. They are accepted (hidden
// from --help) and handed on to the application object, which consumes them.
const char* const kToolkitValueOptions[] = {"platform",
                                            "platformpluginpath",
                                            "platformtheme",
                                            "plugin",
                                            "display",
                                            "geometry",
                                            "qwindowgeometry",
                                            "title",
                                            "qwindowtitle",
                                            "icon",
                                            "qwindowicon",
                                            "style",
                                            "stylesheet",
                                            "session",
                                            "name",
                                            "fontengine",
                                            "dialogs"};
const char* const kToolkitFlagOptions[] = {"reverse", "sync", "nograb", "dograb", "widgetcount"};

} // namespace

TCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-platform offscreen" is one option, as the toolkit spells its own.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription("Lark Pad: an editor for text pages written in caret-code "
                                     "markup.");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument("file",
                                 "The page to open (write -- before a name that starts "
                                 "with a dash).",
                                 "[--] [file]");
    QList<QCommandLineOption> toolkitValues, toolkitFlags;
    for (const char* name : kToolkitValueOptions) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), "value");
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        toolkitValues.append(o);
    }
    for (const char* name : kToolkitFlagOptions) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        toolkitFlags.append(o);
    }
    parser.addOptions(toolkitValues);
    parser.addOptions(toolkitFlags);

    TCommandLine result;
    const QString program =
        arguments.isEmpty() ? QStringLiteral("larkpad") : QFileInfo(arguments.first()).fileName();
    if (!parser.parse(arguments)) {
        result.action = TCommandLine::Action::Fail;
        result.output = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                            .arg(program, parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = TCommandLine::Action::ShowHelp;
        // helpText() names the program from the application object, which does not exist yet.
        QString text = parser.helpText();
        const int end = text.indexOf('\n');
        result.output = QStringLiteral("Usage: %1 [options] [--] [file]").arg(program) +
                        text.mid(end < 0 ? text.size() : end);
        return result;
    }
    if (parser.isSet(version)) {
        result.action = TCommandLine::Action::ShowVersion;
        result.output = QStringLiteral("Lark Pad %1\n").arg(QStringLiteral(LARKPAD_VERSION));
        return result;
    }
    for (const QCommandLineOption& o : toolkitValues)
        if (parser.isSet(o))
            for (const QString& value : parser.values(o))
                result.toolkitArgs << "-" + o.names().first() << value;
    for (const QCommandLineOption& o : toolkitFlags)
        if (parser.isSet(o))
            result.toolkitArgs << "-" + o.names().first();
    result.files = parser.positionalArguments();
    return result;
}

QString locateHelpFile(const QString& programDir) {
    const QDir dir(programDir);
    const QString beside = dir.filePath("Help.html");
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir::cleanPath(dir.filePath(QStringLiteral(LARKPAD_HELP_FROM_BIN "/Help.html")));
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}
