#include "mainwin/FormVelmar.h"
#include "mainwin/InputTable.h"
#include "mainwin/OrderlyEnd.h"
#include "mainwin/VelmarWindows.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#ifdef _WIN32
#include "platform/WindowsConsole.h"
#endif

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace {

const char Usage[] =
    "Использование:\n"
    "  velmar [ПАРАМЕТРЫ Qt]\n"
    "  velmar --help | --version\n"
    "Калькулятор точного критерия Фишера для таблицы 2x2.\n"
    "  -h, --help     эта справка\n"
    "  -V, --version  версия программы\n"
    "Параметры Qt (например, -platform ИМЯ, -display ДИСПЛЕЙ) принимаются, как в любой\n"
    "программе на Qt.\n"
    "Клавиша Shift, нажатая при запуске, открывает окна без сохраненных настроек.\n";

bool IsOption(const char *arg, const char *shortName, const char *longName)
{
    return std::strcmp(arg, shortName) == 0 || std::strcmp(arg, longName) == 0;
}

// The answer to --help or --version; a standard output that cannot take it
// (a full disk, a closed pipe) is told on standard error with status 1.
int PrintAnswer(const char *text)
{
#ifdef _WIN32
    AttachParentConsole();
#endif
    errno = 0;
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0)
        return 0;
    const int error = errno;
    std::fprintf(stderr, "velmar: не могу записать стандартный вывод: %s\n",
                 error != 0 ? std::strerror(error) : "ошибка записи");
    return 1;
}

void ShowError(const QString &text)
{
    TQtErrorBox().ShowError(nullptr, text);
}

// An error that escapes an event handler is shown in the error box and the
// program goes on; Qt itself must never see the exception.
class TVelmarApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            ShowError(QString::fromUtf8(error.what()));
        } catch (...) {
            ShowError(QString());
        }
        return false;
    }
};

int RunProgram(QApplication &app)
{
    const TQtWindowPorts qtPorts;
    const TWindowPorts &ports = qtPorts.Ports();
    TSettingsStore store{DefaultSettingsKey()};
    store.SavePositions = PlatformReportsWindowPositions(QGuiApplication::platformName());

    // The process-wide table, busy flag and distribution are handed to the
    // windows here and named nowhere else.
    TVelmarWindows windows(store, ports, InputTable, EditBusy, FisherDistribution);
    TFormVelmar &formVelmar = windows.velmar();

    // Closing the main window ends the program, whatever other window is open.
    // exit() rather than quit(): quit() would close the other windows first,
    // and the chart window writes its settings only when the user closes it.
    app.setQuitOnLastWindowClosed(false);
    QObject::connect(
        &formVelmar, &TFormVelmar::closed, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    // A logout's SIGTERM, Ctrl+C or a closed terminal close the main window the same way.
    const TOrderlyEnd orderlyEnd(&formVelmar);

    formVelmar.show();
    app.exec();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before any window or display is needed.
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], "-h", "--help"))
            return PrintAnswer(Usage);
        if (IsOption(argv[i], "-V", "--version"))
            return PrintAnswer("velmar " VELMAR_VERSION "\n");
    }
    SettingsKeyPath = QStringLiteral("\\Software\\VLM-2010-v2");
    TVelmarApplication app(argc, argv);
    // Qt has taken its own options out of argv; the program takes no others.
    if (argc > 1) {
        std::fprintf(stderr, "velmar: неизвестный параметр \"%s\"\nСправка: velmar --help\n",
                     argv[1]);
        return 1;
    }
    // The whole program speaks Russian, so Qt's own dialogs and menus do too,
    // whatever the locale; without the file they stay as Qt wrote them.
    QTranslator qtWords;
    if (qtWords.load(QStringLiteral("qtbase_ru"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtWords);
    try {
        return RunProgram(app);
    } catch (const std::exception &error) {
        ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowError(QString());
    }
    return 0;
}
