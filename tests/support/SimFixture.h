#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "datafiles/SettingsRecord.h"
#include "metersim/Simulator.h"

// The simulated meter on a private pty for one test: TELVARO_EXTRA_PORTS names the device, and
// settings() points a settings record at it (RsPort its path, the simulator's baud rate, N, 8, 1
// without handshaking, run mode). Everything is put back (and the simulator stopped) when the
// fixture goes away.
//
//   SimFixture sim;                           // or SimFixture sim(config)
//   QVERIFY(sim.ok());
//   sim->setFault("G", {metersim::FaultKind::WrongAck});
//   ... OpenComPort(link, sim.settings()) ...
//   QVERIFY(QTest::qWaitFor([&] { return sim->receivedCommands().size() >= 3; }, 5000));
class SimFixture {
public:
    explicit SimFixture(metersim::Config config = metersim::Config());
    ~SimFixture();
    SimFixture(const SimFixture &) = delete;
    SimFixture &operator=(const SimFixture &) = delete;

    bool ok() const { return m_ok; }
    metersim::Simulator &sim() { return *m_sim; }
    metersim::Simulator *operator->() { return m_sim.get(); }
    QString devicePath() const;
    // base with its port fields pointed at the simulator and run mode on.
    SettingsRecord settings(SettingsRecord base = SettingsRecord()) const;
    // The commands received so far, as one list ("U", "S", "F", "D0001", ...).
    QStringList commands() const;

private:
    std::unique_ptr<metersim::Simulator> m_sim;
    bool m_ok = false;
    QByteArray m_oldExtraPorts;
    bool m_hadExtraPorts = false;
};

// The meter's pages behind the expected files under tests/data/transfer: calculation AVG, %OA TMP,
// calculation INS, %OA CO2.
inline const std::vector<metersim::Page> kFourPages = {
    {.oa = false, .records = 6, .samplingTime = "10", .operation = "AVG", .time = "09:15:00"},
    {.oa = true, .records = 5, .samplingTime = "30", .operation = "TMP", .time = "10:20:30"},
    {.oa = false, .records = 4, .samplingTime = "60", .operation = "INS", .time = "11:00:05"},
    {.oa = true, .records = 3, .samplingTime = "1", .operation = "CO2", .time = "12:34:56"}};
