#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

// The program's one serial line to the meter (MSComm1 of the main window, borrowed by the
// transfer window). What the program uses of it: settings taken at the next open, open/close,
// the count of waiting characters and its discard, the input length, send and read.
class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    void setPortName(const QString &device);  // a device path
    QString portName() const;
    void setSettings(const QString &settings);  // "9600,N,8,1": speed, parity letter, data bits, stop bits
    QString settings() const;
    void setHandshaking(int mode);               // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 RTS/CTS and XON/XOFF
    void setInBufferSize(int size);

    // Open with the current settings; false (and a reason) when the device is absent or busy.
    bool open(QString *error = nullptr);
    void close();
    bool isOpen() const;

    // Characters waiting in the receive buffer (what the event loop has taken from the device).
    int inBufferCount();
    // Discard whatever is waiting.
    void discardInput();
    // 0 = a read returns everything waiting; n = at most n characters.
    void setInputLen(int n);
    int inputLen() const;
    // Queue the whole text for sending; returns at once.
    void output(const QByteArray &text);
    // Up to inputLen characters from the receive buffer, removed from it; "" when none.
    QByteArray input();
    // Characters taken by input() since the link was made (a transfer's bytes per second).
    qint64 receivedCount() const;

    // The device went away while open (pulled adapter, closed pty). The link closes itself.
    // Stays true until the next open.
    bool lost() const;
    // Ask the device whether it is still there (hang-up, device node gone); true when lost.
    // Reads and the count of waiting characters ask it too.
    bool checkLost();

    // Someone is quietening the meter (N): nobody may start new serial work on this line until it
    // is done. Nested marks count.
    void markBusy(bool on);
    bool busy() const;

signals:
    void deviceLost();
    void busyChanged(bool busy);
    // New characters wait in the receive buffer (emitted from the event loop).
    void dataArrived();

private:
    bool hungUp() const;
    void markLost(bool insidePortCallback);
    void pull();

    struct Private;
    Private *d;
};
