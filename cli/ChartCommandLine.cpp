#include "cli/ChartCommandLine.h"

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace {

bool ParseSize(const QString &text, QSize &size, QString *reason)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    // A picture too small for the chart would be written blank.
    if (width < ChartMinWidth || height < ChartMinHeight) {
        if (reason)
            *reason = QStringLiteral("--size %1: слишком малый размер графика, наименьший %2x%3")
                          .arg(text)
                          .arg(ChartMinWidth)
                          .arg(ChartMinHeight);
        return false;
    }
    if (width > 20000 || height > 20000)
        return false;
    size = QSize(width, height);
    return true;
}

} // namespace

int ParseChartOption(int argc, char **argv, int &i, std::optional<TChartRequest> &request,
                     QString *reason)
{
    const char *name = argv[i];
    const bool known = !std::strcmp(name, "--chart") || !std::strcmp(name, "--size") ||
                       !std::strcmp(name, "--criterion") || !std::strcmp(name, "--level");
    if (!known)
        return 0;
    if (i + 1 >= argc)
        return -1;
    const QString value = QString::fromLocal8Bit(argv[++i]);
    if (!request)
        request.emplace();
    TChartOptions &options = request->options;
    if (!std::strcmp(name, "--chart")) {
        if (value.isEmpty())
            return -1;
        request->file = value;
    } else if (!std::strcmp(name, "--size")) {
        if (!ParseSize(value, request->size, reason))
            return -1;
    } else if (!std::strcmp(name, "--criterion")) {
        const QStringList items{QStringLiteral("two"), QStringLiteral("left"),
                                QStringLiteral("right")};
        if (!items.contains(value))
            return -1;
        options.kritIndex = int32_t(items.indexOf(value));
        options.krOblChecked = true;
    } else {
        const QStringList items{QStringLiteral("5"), QStringLiteral("1"), QStringLiteral("0.1")};
        if (!items.contains(value))
            return -1;
        options.znachIndex = int32_t(items.indexOf(value));
        options.krOblChecked = true;
    }
    return 1;
}

bool ChartRequestComplete(const std::optional<TChartRequest> &request)
{
    return !request || !request->file.isEmpty();
}

bool WriteRequestedChart(const TChartRequest &request, const TFisherDistribution &dist,
                         int32_t enteredA, const TCriticalBounds &bounds, QString *error)
{
    // Labels need a GUI application's fonts; a command line has no display.
    std::optional<QTemporaryDir> runtimeDir; // outlives the application
    std::unique_ptr<QGuiApplication> app;
    static int argc = 1;
    static char name[] = "velmar-report";
    static char *argv[] = {name, nullptr};
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (QCoreApplication::instance()) {
            if (error)
                *error = QStringLiteral("a non-GUI application is running");
            return false;
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
        // The offscreen platform reads font files from a folder, by default one
        // of Qt's own that an installation lacks: on Windows the system's fonts.
        if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
            qputenv("QT_QPA_FONTDIR", qgetenv("WINDIR") + "\\Fonts");
#endif
        // A GUI application's start-up looks into the user's runtime folder. A command
        // run outside a login session has none: Qt would warn about it on standard
        // error and make one in /tmp. A private empty folder serves the call instead.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtimeDir.emplace();
            if (runtimeDir->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const TChartData data{dist, enteredA, bounds, request.options};
    const bool written = WriteChartBmp(data, request.size, request.file, error);
    if (runtimeDir)
        qunsetenv("XDG_RUNTIME_DIR"); // the folder goes with this call
    return written;
}
