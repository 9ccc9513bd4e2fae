#pragma once

#include <QObject>
#include <QPointer>

#include <csignal>

class QSocketNotifier;
class QWidget;

// Ends the run on SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed
// terminal) by closing the main window, as the user would: its fields and
// placement are saved, the help pictures go with the window, and the program
// ends with status 0. The signal only wakes the event loop; everything else
// happens there. A signal the parent had the process ignore stays ignored.
// One instance at a time; the handlers it replaced come back when it goes,
// or at the first signal, so that a second one ends a run that hangs.
// Windows sends a window program no such signals: there the end of the
// user's session (logging off, shutting down) closes the main window instead.
class TOrderlyEnd : public QObject {
    Q_OBJECT
public:
    explicit TOrderlyEnd(QWidget *mainWindow, QObject *parent = nullptr);
    ~TOrderlyEnd() override;
    TOrderlyEnd(const TOrderlyEnd &) = delete;
    TOrderlyEnd &operator=(const TOrderlyEnd &) = delete;

    // False when the signals could not be caught (or another instance has them).
    bool isActive() const
    {
#ifdef _WIN32
        return m_active;
#else
        return m_notifier != nullptr;
#endif
    }

private:
    void signalled();
    void restoreHandlers();

    QPointer<QWidget> m_mainWindow;
    QSocketNotifier *m_notifier = nullptr;
#ifdef _WIN32
    bool m_active = false;
#else
    static constexpr int SignalCount = 3;
    struct sigaction m_previous[SignalCount] = {};
    bool m_installed[SignalCount] = {};
#endif
};
