#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace cli {

// Ctrl-C (SIGINT) and SIGTERM, taken in the event loop instead of killing the program: the
// signal handler only writes a byte to a pipe, and a notifier on the pipe's other end calls
// onInterrupt, also inside the waits of an exchange. A second signal is not acted on again: the
// first one's ending (stopping the meter, writing the file) is short and bounded.
class Interrupts : public QObject {
    Q_OBJECT
public:
    explicit Interrupts(std::function<void()> onInterrupt, QObject *parent = nullptr);
    ~Interrupts() override;

    bool happened() const { return m_happened; }

private:
    void onReadable();

    std::function<void()> m_onInterrupt;
    QSocketNotifier *m_notifier = nullptr;
    bool m_happened = false;
};

} // namespace cli
