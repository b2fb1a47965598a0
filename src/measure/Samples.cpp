#include "measure/Samples.h"

Samples::Samples(QObject *parent) : QObject(parent) {}

void Samples::beginRun(const SampleData &header, int n)
{
    m_data = header;
    m_data.origin = SampleData::Origin::LiveRun;
    m_data.clearSamples();
    m_data.plannedCount = n;
    m_data.reserve(n);
    emit replaced();
}

void Samples::append(double time, const QByteArray &line, const std::array<double, kQuantityCount> &values)
{
    m_data.append(time, line, values);
    emit sampleAdded(m_data.count() - 1);
}

void Samples::setUnits(const std::array<QString, kQuantityCount + 1> &units) { m_data.units = units; }

void Samples::replace(SampleData data)
{
    m_data = std::move(data);
    emit replaced();
}

void Samples::clear()
{
    m_data = SampleData();
    emit replaced();
}
