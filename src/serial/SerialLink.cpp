#include "serial/SerialLink.h"

#include <QFileInfo>
#include <QPointer>
#include <QSerialPort>
#include <optional>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// "9600,N,8,1": speed, parity letter, data bits, stop bits. Nothing when it cannot be used.
std::optional<LineSettings> parseSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return std::nullopt;
    s.dataBits = QSerialPort::DataBits(bits);
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

} // namespace

struct SerialLink::Private {
    QSerialPort *port = nullptr;
    QString device;
    QString settings = QStringLiteral("9600,N,8,1");
    int handshaking = 0;
    int inBufferSize = 10240;
    int inputLen = 0;
    bool lost = false;
    int busy = 0;
    qint64 received = 0;
};

SerialLink::SerialLink(QObject *parent) : QObject(parent), d(new Private)
{
    d->port = new QSerialPort(this);
    connect(d->port, &QSerialPort::readyRead, this, &SerialLink::dataArrived);
    connect(d->port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        switch (error) {
        case QSerialPort::ResourceError:
            // The device is gone; Qt stops reading but leaves the port open, so we close it.
            markLost(true);
            break;
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
            // A pty whose other end closed keeps reporting readable and fails every read: a hang-up.
            if (d->port->isOpen() && hungUp())
                markLost(true);
            break;
        default:
            // Settings calls on a pty may say "Invalid argument"; timeouts and framing are not ours.
            break;
        }
    });
}

SerialLink::~SerialLink()
{
    if (d->port->isOpen())
        d->port->close();
    delete d;
}

void SerialLink::setPortName(const QString &device) { d->device = device; }
QString SerialLink::portName() const { return d->device; }
void SerialLink::setSettings(const QString &settings) { d->settings = settings; }
QString SerialLink::settings() const { return d->settings; }
void SerialLink::setHandshaking(int mode) { d->handshaking = mode; }
void SerialLink::setInBufferSize(int size) { d->inBufferSize = size; }

bool SerialLink::open(QString *error)
{
    if (d->port->isOpen())
        d->port->close();
    d->lost = false;
    auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (d->device.isEmpty())
        return fail(QStringLiteral("no such device"));
    const auto line = parseSettings(d->settings);
    if (!line)
        return fail(QStringLiteral("invalid line settings \"%1\"").arg(d->settings));
    d->port->setPortName(d->device);
    d->port->setBaudRate(line->baud);
    d->port->setParity(line->parity);
    d->port->setDataBits(line->dataBits);
    d->port->setStopBits(line->stopBits);
    switch (d->handshaking) {
    case 1: d->port->setFlowControl(QSerialPort::SoftwareControl); break;
    // Qt offers RTS/CTS or XON/XOFF, not both at once: RTS/CTS is the one that keeps data safe.
    case 2:
    case 3: d->port->setFlowControl(QSerialPort::HardwareControl); break;
    default: d->port->setFlowControl(QSerialPort::NoFlowControl); break;
    }
    d->port->setReadBufferSize(d->inBufferSize > 0 ? d->inBufferSize : 0);
    if (!d->port->open(QIODevice::ReadWrite))
        return fail(d->port->errorString());
    d->port->clearError();
    d->inputLen = 0;
    return true;
}

void SerialLink::close()
{
    if (d->port->isOpen())
        d->port->close();
}

void SerialLink::markBusy(bool on)
{
    const bool before = d->busy > 0;
    d->busy = qMax(0, d->busy + (on ? 1 : -1));
    if (before != (d->busy > 0))
        emit busyChanged(d->busy > 0);
}

bool SerialLink::busy() const { return d->busy > 0; }

bool SerialLink::isOpen() const { return d->port->isOpen() && !d->lost; }

bool SerialLink::hungUp() const
{
    if (!d->port->isOpen())
        return false;
#ifdef Q_OS_UNIX
    pollfd pfd{int(d->port->handle()), 0, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return true;
    // A pulled USB adapter takes its device node with it.
    if (!QFileInfo::exists(d->device))
        return true;
#endif
    return false;
}

void SerialLink::markLost(bool insidePortCallback)
{
    if (d->lost)
        return;
    d->lost = true;
    if (insidePortCallback) {
        // Closing inside the port's own notification would pull its buffer away under it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (d->port->isOpen())
                    d->port->close();
                emit deviceLost();
            },
            Qt::QueuedConnection);
    } else {
        d->port->close();
        emit deviceLost();
    }
}

bool SerialLink::checkLost()
{
    if (!d->lost && hungUp())
        markLost(false);
    return d->lost;
}

void SerialLink::pull()
{
    // Take what the driver holds without waiting for the event loop, as the old control's
    // buffer count did. A hang-up shows here first.
    if (!isOpen())
        return;
#ifdef Q_OS_UNIX
    pollfd pfd{int(d->port->handle()), POLLIN, 0};
    if (::poll(&pfd, 1, 0) <= 0)
        return;
    if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        markLost(false);
        return;
    }
    if (pfd.revents & POLLIN)
        d->port->waitForReadyRead(0);
#endif
}

int SerialLink::inBufferCount()
{
    pull();
    if (!isOpen())
        return 0;
    return int(d->port->bytesAvailable());
}

void SerialLink::discardInput()
{
    if (!isOpen())
        return;
    d->port->clear(QSerialPort::Input);
    d->port->readAll();
}

void SerialLink::setInputLen(int n) { d->inputLen = qMax(0, n); }
int SerialLink::inputLen() const { return d->inputLen; }

void SerialLink::output(const QByteArray &text)
{
    if (!isOpen())
        return;
    d->port->write(text);
    // Hand it to the driver now: a close right after must not drop it.
    d->port->flush();
}

QByteArray SerialLink::input()
{
    pull();
    if (!isOpen())
        return {};
    const QByteArray text = d->inputLen == 0 ? d->port->readAll() : d->port->read(d->inputLen);
    d->received += text.size();
    return text;
}

qint64 SerialLink::receivedCount() const { return d->received; }

bool SerialLink::lost() const { return d->lost; }
