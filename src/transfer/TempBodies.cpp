// Temporary bodies until the serial layer and the CSV writers land. Deleted before merging.
#include "transfer/TempBodies.h"
#include "serial/Exchanges.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"

bool SerialLink::isOpen() const { return false; }
bool OpenComPort(SerialLink &, QWidget *) { return false; }
namespace exchange {
void logFailure(const ExchangeResult &) {}
ExchangeResult readUnits(SerialLink &, const QString &, const CancelCheck &) { return {}; }
ExchangeResult directoryP(SerialLink &, const CancelCheck &) { return {}; }
ExchangeResult directoryT(SerialLink &, int, QByteArray &, const CancelCheck &) { return {}; }
ExchangeResult directoryM(SerialLink &, int, const CancelCheck &) { return {}; }
ExchangeResult pageGF(SerialLink &, bool, const CancelCheck &) { return {}; }
ExchangeResult pageT(SerialLink &, int, bool, const CancelCheck &) { return {}; }
ExchangeResult pageHeader(SerialLink &, bool, const CancelCheck &) { return {}; }
ExchangeResult pageCalRecord(SerialLink &, const CancelCheck &) { return {}; }
ExchangeResult pageOaRecord(SerialLink &, const CancelCheck &) { return {}; }
} // namespace exchange
void SendStopCommand(SerialLink &, const CancelCheck &) {}
namespace protocol {
int splitP(const QByteArray &) { return 0; }
std::optional<std::array<QByteArray, 5>> splitM(const QByteArray &) { return {}; }
THeader splitTHeader(const QByteArray &h) { return {h.mid(0, 10), h.mid(11, 8)}; }
std::optional<std::array<double, 4>> splitOaRecord(const QByteArray &) { return {}; }
} // namespace protocol
bool ParseDataRecord(const QByteArray &, int, int, int) { return false; }
void WriteMeasureCsv(const QString &, const QString &, const QString &, const QString &, qint32, const QString &,
                     const QString &, qint16) {}
void WriteOaCsv(const QString &, const QString &, const QString &, const QString &, qint32, const QString &,
                const QString &) {}
