#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace quillo {

/// Ends the program normally when it is asked to stop (SIGTERM, SIGINT, SIGHUP), so the
/// library is saved on the way out as with "Quit Quillo". The handler only writes to a
/// pipe; the event loop does the rest.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quillo
