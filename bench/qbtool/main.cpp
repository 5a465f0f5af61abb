// qbtool: makes and prints question bases for benchmarks and checks.
//   qbtool generate --questions N [--pictures DIR] [--password P] [--fifteen-words] FILE
//   qbtool import --source FILE [--password P] FILE
//   qbtool dump [--password P] FILE

#include "bench/qbtool/generator.h"
#include "bench/qbtool/importer.h"
#include "questionbase/error.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("generate, import or dump"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the base"));
    parser.addOption({QStringLiteral("questions"), QStringLiteral("number of questions"),
                      QStringLiteral("N"), QStringLiteral("10")});
    parser.addOption(
        {QStringLiteral("pictures"), QStringLiteral("folder for pictures"), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("source"),
                      QStringLiteral("readable source of a base (JSON lines)"),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("password"), QStringLiteral("password"), QStringLiteral("P")});
    parser.addOption({QStringLiteral("fifteen-words"),
                      QStringLiteral("questions of 15 words instead of the Russian dictionary's")});
    parser.addHelpOption();
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fputs(
            "usage: qbtool generate --questions N [--pictures DIR] [--password P] "
            "[--fifteen-words] FILE\n"
            "       qbtool import --source FILE [--password P] FILE\n"
            "       qbtool dump [--password P] FILE\n",
            stderr);
        return 2;
    }
    std::optional<QString> password;
    if (parser.isSet(QStringLiteral("password")))
        password = parser.value(QStringLiteral("password"));
    try {
        if (args[0] == QLatin1String("generate")) {
            qbtool::GenerateOptions options;
            options.questions = parser.value(QStringLiteral("questions")).toInt();
            options.picturesFolder = parser.value(QStringLiteral("pictures"));
            options.password = password;
            options.dictionaryWords = !parser.isSet(QStringLiteral("fifteen-words"));
            qbtool::generateBase(args[1], options);
        } else if (args[0] == QLatin1String("import")) {
            if (!parser.isSet(QStringLiteral("source"))) {
                std::fputs("qbtool import: --source FILE is required\n", stderr);
                return 2;
            }
            qbtool::importBase(parser.value(QStringLiteral("source")), args[1], {password});
        } else if (args[0] == QLatin1String("dump")) {
            std::fputs(qbtool::dumpBase(args[1], password).toUtf8().constData(), stdout);
        } else {
            std::fprintf(stderr, "unknown command %s\n", qPrintable(args[0]));
            return 2;
        }
    } catch (const qb::Error& error) {
        std::fprintf(stderr, "qbtool: %s (0x%08X)\n", error.what(), error.code());
        return 1;
    } catch (const qbtool::ImportError& error) {
        std::fprintf(stderr, "qbtool: %s\n", error.what());
        return 1;
    }
    return 0;
}
