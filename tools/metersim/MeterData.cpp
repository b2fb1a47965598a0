#include "metersim/MeterData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace metersim {

std::vector<Page> defaultPages()
{
    Page p1;
    p1.records = 20;
    p1.samplingTime = "10";
    p1.operation = "AVG";
    p1.date = "2026/11/30";
    p1.time = "09:15:00";

    Page p2;
    p2.oa = true;
    p2.records = 30;
    p2.samplingTime = "30";
    p2.operation = "TMP";
    p2.pressure = "1009";
    p2.date = "2026/11/30";
    p2.time = "13:40:30";

    Page p3;
    p3.records = 12;
    p3.samplingTime = "60";
    p3.operation = "INS";
    p3.pressure = "1021";
    p3.date = "2026/12/01";
    p3.time = "08:02:10";
    return {p1, p2, p3};
}

static double toUnit(double c, bool fahrenheit) { return fahrenheit ? c * 9.0 / 5.0 + 32.0 : c; }

Reading deriveReading(double co, double co2, double tempC, double rh, double pressureHPa, bool fahrenheit)
{
    Reading r;
    r.co = co;
    r.co2 = co2;
    r.hum = rh;
    const double b = 17.62, c = 243.12;
    const double gamma = std::log(std::max(rh, 0.1) / 100.0) + b * tempC / (c + tempC);
    const double dew = c * gamma / (b - gamma);
    // Stull's wet-bulb approximation, good for 5-99 %RH and -20-50 °C.
    const double wet = tempC * std::atan(0.151977 * std::sqrt(rh + 8.313659)) + std::atan(tempC + rh)
        - std::atan(rh - 1.676331) + 0.00391838 * std::pow(rh, 1.5) * std::atan(0.023101 * rh) - 4.686035;
    const double es = 6.112 * std::exp(b * tempC / (c + tempC));
    const double e = rh / 100.0 * es;
    r.temp = toUnit(tempC, fahrenheit);
    r.dewPoint = toUnit(dew, fahrenheit);
    r.wetBulb = toUnit(wet, fahrenheit);
    r.absHum = 216.7 * e / (273.15 + tempC);
    r.humRatio = 621.98 * e / std::max(pressureHPa - e, 1.0);
    return r;
}

std::string field7(double value, int decimals)
{
    // Largest and smallest values that still print in 7 characters.
    const double hi = decimals == 0 ? 9999999.0 : std::pow(10.0, 6 - decimals) - std::pow(10.0, -decimals);
    const double lo = decimals == 0 ? -999999.0 : -(std::pow(10.0, 5 - decimals) - std::pow(10.0, -decimals));
    if (!std::isfinite(value))
        value = 0;
    value = std::clamp(value, lo, hi);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%7.*f", decimals, value);
    std::string s(buf);
    if (s == "   -0.0" || s == "  -0.00")
        s.erase(s.find('-'), 1).insert(0, " ");
    return s;
}

static std::vector<std::string> fields(const Reading &r, bool detailed)
{
    std::vector<std::string> f{field7(r.co, 1), field7(r.co2, 1), field7(r.temp, 1), field7(r.hum, 1)};
    if (detailed) {
        f.push_back(field7(r.dewPoint, 1));
        f.push_back(field7(r.wetBulb, 1));
        f.push_back(field7(r.absHum, 2));
        f.push_back(field7(r.humRatio, 2));
    }
    return f;
}

static std::string joined(const std::vector<std::string> &f)
{
    std::string s;
    for (size_t i = 0; i < f.size(); ++i) {
        if (i)
            s += ';';
        s += f[i];
    }
    return s;
}

static std::string number4(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", std::clamp(n, 0, 9999));
    return buf;
}

std::string liveRecord(const Reading &r, bool detailed) { return joined(fields(r, detailed)) + "\r\n"; }

std::string calcPageRecord(int number, const Reading &r, bool detailed)
{
    return number4(number) + ";" + joined(fields(r, detailed)) + "\r\n";
}

std::string oaPageRecord(int number, double percentOa, double returnAir, double supplyAir, double outdoorAir)
{
    return number4(number)
        + joined({field7(percentOa, 1), field7(returnAir, 1), field7(supplyAir, 1), field7(outdoorAir, 1)}) + "\r\n";
}

std::string unitsText(bool fahrenheit)
{
    // The meter writes the degree sign as the byte 0xDF of its character set.
    const std::string t = fahrenheit ? "\xDF" "F" : "\xDF" "C";
    return "ppm;ppm;" + t + ";%RH;" + t + ";" + t + ";g/m3;g/kg;hPa\r\n";
}

std::string pageHeader(const Page &page)
{
    std::string date = page.date, time = page.time;
    date.resize(10, ' ');
    time.resize(8, ' ');
    return date + " " + time + "\r\n";
}

std::string pageInfoReply(int n, const Page &page)
{
    return "AM" + number4(n) + "  " + (page.oa ? "001" : "000") + ";" + page.samplingTime + ";"
        + std::to_string(page.records) + ";" + page.operation + ";" + page.pressure + "\r\n";
}

Room::Room(unsigned seed, double pressureHPa, bool fahrenheit)
    : m_rng(seed), m_pressure(pressureHPa), m_fahrenheit(fahrenheit)
{
    std::uniform_real_distribution<double> u(0, 1);
    m_co = u(m_rng) * 1.5;
    m_co2 = 450 + u(m_rng) * 300;
    m_temp = 21 + u(m_rng) * 2;
    m_hum = 38 + u(m_rng) * 10;
}

static double reflect(double v, double lo, double hi)
{
    if (v < lo)
        v = lo + (lo - v);
    if (v > hi)
        v = hi - (v - hi);
    return std::clamp(v, lo, hi);
}

Reading Room::next()
{
    std::normal_distribution<double> n(0, 1);
    m_co = reflect(m_co + 0.15 * n(m_rng), 0, 5);
    m_co2 = reflect(m_co2 + 12 + 20 * n(m_rng), 400, 2000);  // people in the room: CO2 creeps up
    m_temp = reflect(m_temp + 0.05 * n(m_rng), 18, 26);
    m_hum = reflect(m_hum + 0.3 * n(m_rng), 30, 60);
    return deriveReading(std::round(m_co * 10) / 10, std::round(m_co2), m_temp, m_hum, m_pressure, m_fahrenheit);
}

PageData makePageData(const Page &page, unsigned seed, int pageNumber, bool fahrenheit)
{
    PageData d;
    const unsigned pageSeed = seed * 7919u + static_cast<unsigned>(pageNumber) * 104729u;
    const double pressure = std::atof(page.pressure.c_str()) > 0 ? std::atof(page.pressure.c_str()) : 1013;
    if (!page.oa) {
        Room room(pageSeed, pressure, fahrenheit);
        for (int i = 0; i < page.records; ++i)
            d.readings.push_back(room.next());
        return d;
    }
    std::mt19937 rng(pageSeed);
    std::normal_distribution<double> n(0, 1);
    const bool co2 = page.operation == "CO2";
    double outdoor = co2 ? 410 : 8;
    double ret = co2 ? 850 : 23;
    double percent = 25;
    for (int i = 0; i < page.records; ++i) {
        outdoor = co2 ? reflect(outdoor + 3 * n(rng), 380, 460) : reflect(outdoor + 0.2 * n(rng), 0, 15);
        ret = co2 ? reflect(ret + 10 * n(rng), 600, 1400) : reflect(ret + 0.1 * n(rng), 21, 25);
        percent = reflect(percent + 1.0 * n(rng), 10, 60);
        // Supply air is the mix: percent outdoor air = (return - supply) / (return - outdoor) x 100.
        const double supply = ret - percent / 100.0 * (ret - outdoor);
        PageData::Oa oa;
        oa.returnAir = co2 ? std::round(ret) : std::round(toUnit(ret, fahrenheit) * 10) / 10;
        oa.outdoorAir = co2 ? std::round(outdoor) : std::round(toUnit(outdoor, fahrenheit) * 10) / 10;
        oa.supplyAir = co2 ? std::round(supply) : std::round(toUnit(supply, fahrenheit) * 10) / 10;
        const double span = oa.returnAir - oa.outdoorAir;
        oa.percent = span != 0 ? std::round((oa.returnAir - oa.supplyAir) / span * 1000) / 10 : 0;
        d.oa.push_back(oa);
    }
    return d;
}

std::vector<std::string> pageRecordTexts(const Page &page, const PageData &data, bool detailed)
{
    std::vector<std::string> out;
    if (page.oa) {
        for (size_t i = 0; i < data.oa.size(); ++i) {
            const auto &o = data.oa[i];
            out.push_back(oaPageRecord(int(i) + 1, o.percent, o.returnAir, o.supplyAir, o.outdoorAir));
        }
    } else {
        for (size_t i = 0; i < data.readings.size(); ++i)
            out.push_back(calcPageRecord(int(i) + 1, data.readings[i], detailed));
    }
    return out;
}

} // namespace metersim
