#pragma once

#include <QObject>

#include "datafiles/SampleData.h"

// The data the program holds and shows: the samples of the last live run, or the page read last.
// One object for the whole program (the main window owns it); the live run and the page read write
// it, the chart, the table, the journal and the CSV writers read it. Whether the held live data
// are present and saved decides whether leaving asks "Data is not saved. Do you save?".
class Samples : public QObject {
    Q_OBJECT
public:
    explicit Samples(QObject *parent = nullptr);

    const SampleData &data() const { return m_data; }
    int count() const { return m_data.count(); }

    // A new live run: nothing held, the run's mode, sampling time, units and pressure set, room
    // for n samples. Emits replaced().
    void beginRun(const SampleData &header, int n);
    // One sample of the running run; emits sampleAdded(index).
    void append(double time, const QByteArray &line, const std::array<double, kQuantityCount> &values);
    // Units and pressure learnt while a run starts.
    void setUnits(const std::array<QString, kQuantityCount + 1> &units);
    void setAtmosPressure(qint32 pressure) { m_data.atmosPressure = pressure; }
    // Hold other data whole (a page that was read, a recovered run). Emits replaced().
    void replace(SampleData data);
    // Nothing held. Emits replaced().
    void clear();

    // Live data are held (DataPresent) and saved (DataSaved).
    bool present() const { return m_present; }
    bool saved() const { return m_saved; }
    void setPresent(bool on) { m_present = on; }
    void setSaved(bool on) { m_saved = on; }
    bool unsaved() const { return m_present && !m_saved; }

signals:
    void sampleAdded(int index);
    void replaced();

private:
    SampleData m_data;
    bool m_present = false;
    bool m_saved = false;
};
