#include "ProgramCommandLine.h"

#include <QCommandLineParser>

namespace {

// Qt's own options taking a value; the application object reads them later.
constexpr const char *qtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
    "qwindowgeometry", "qwindowtitle", "qwindowicon", "display", "session", "geometry",
};
// And those that are a plain switch.
constexpr const char *qtSwitches[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

std::optional<int> ProgramCommandLine::handle(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Quellar withdrawal requests: a hospital department's requests for stock items.\n"
        "The program opens with its log-in window; it takes no arguments."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOption(help);
    parser.addOption(version);
    for (const char *name : qtValueOptions) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : qtSwitches) {
        QCommandLineOption option{QLatin1String(name)};
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    // The parser names the program as it was called (a path, perhaps); the usage names it plainly.
    QString helpText = parser.helpText();
    helpText.replace(0, helpText.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: quellar [options]"));

    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        out << helpText;
        out.flush();
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        out << "quellar " << QStringLiteral(QUELLAR_VERSION) << "\n";
        out.flush();
        return 0;
    }
    if (!parsed || !parser.positionalArguments().isEmpty()) {
        err << "quellar: "
            << (parsed ? QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first())
                       : parser.errorText())
            << "\n"
            << helpText;
        err.flush();
        return 2;
    }
    return std::nullopt;
}
