#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a normal quit of the event loop, so Ctrl+C or a
// service manager closes the window and unloads the plugins like the close button.
class SignalQuit : public QObject
{
    Q_OBJECT
public:
    explicit SignalQuit(QObject* parent = nullptr);

private:
    static void onSignal(int);
    void slotActivated();

    QSocketNotifier* m_pNotifier = nullptr;
};
