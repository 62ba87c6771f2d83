#pragma once
// SIGTERM and SIGHUP (the end of the desktop session) close the program's windows as the
// user would. The handler only writes a byte to a pipe; the closing happens in the event
// loop, where the pipe's notifier reads it.

#include <QObject>

class QSocketNotifier;

class TCloseOnSignals : public QObject {
    Q_OBJECT

public:
    // One instance per process: it owns the handlers of both signals while it lives.
    explicit TCloseOnSignals(QObject* parent = nullptr);
    ~TCloseOnSignals() override;
    TCloseOnSignals(const TCloseOnSignals&) = delete;
    TCloseOnSignals& operator=(const TCloseOnSignals&) = delete;

private:
    void ReadPipe();

    QSocketNotifier* FNotifier = nullptr;
};
