#include "metersim/Simulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace metersim {

namespace {

// While the program's end of the pty is closed the master reports hang-up at once; look again
// this often instead of spinning.
constexpr auto kClosedRecheck = std::chrono::milliseconds(5);
constexpr auto kTrickleStep = 0.050;
constexpr size_t kMaxLine = 256;

std::string number4(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", std::clamp(n, 0, 9999));
    return buf;
}

bool isDigits(const std::string &s, size_t from)
{
    if (from >= s.size())
        return false;
    return std::all_of(s.begin() + long(from), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

Simulator::Simulator(Config config)
    : m_config(std::move(config)), m_start(Clock::now()),
      m_room(m_config.seed, std::atof(m_config.pressure.c_str()) > 0 ? std::atof(m_config.pressure.c_str()) : 1013,
             m_config.fahrenheit),
      m_rng(m_config.seed ^ 0x5eedu)
{
    if (m_config.baud <= 0)
        m_config.baud = 9600;
    for (size_t i = 0; i < m_config.pages.size(); ++i)
        m_pageData.push_back(makePageData(m_config.pages[i], m_config.seed, int(i) + 1, m_config.fahrenheit));
}

Simulator::~Simulator() { stop(); }

bool Simulator::start()
{
    if (m_running)
        return true;
    m_start = Clock::now();
    m_lineFree = m_start;
    if (!openPty())
        return false;
    updateLink();
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0) {
        closePty();
        return false;
    }
    m_running = true;
    m_thread = std::thread(&Simulator::run, this);
    return true;
}

void Simulator::stop()
{
    if (m_running) {
        request(Request::Stop);
        m_thread.join();
        m_running = false;
    }
    closePty();
    if (m_wake >= 0) {
        ::close(m_wake);
        m_wake = -1;
    }
}

std::string Simulator::devicePath() const
{
    if (!m_config.linkPath.empty())
        return m_config.linkPath;
    return ptyPath();
}

std::string Simulator::ptyPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ptyPath;
}

void Simulator::setFault(const std::string &command, Fault f)
{
    if (command.empty())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (f.kind == FaultKind::None || f.times == 0)
        m_faults.erase(command[0]);
    else
        m_faults[command[0]] = f;
}

void Simulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

bool Simulator::takeFault(char letter, Fault &f)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_faults.find(letter);
    if (it == m_faults.end())
        return false;
    f = it->second;
    if (it->second.times > 0 && --it->second.times == 0)
        m_faults.erase(it);
    return true;
}

std::vector<Received> Simulator::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

std::vector<std::string> Simulator::receivedCommands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const Received &r : m_received)
        out.push_back(r.command);
    return out;
}

void Simulator::clearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

bool Simulator::waitForCommand(const std::string &command, int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return std::count_if(m_received.begin(), m_received.end(),
                             [&](const Received &r) { return r.command == command; })
            >= count;
    });
}

std::vector<std::string> Simulator::liveRecords() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_liveRecords;
}

std::string Simulator::lastLiveRecord() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_liveRecords.empty() ? std::string() : m_liveRecords.back();
}

int Simulator::liveRecordsSent() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_liveRecords.size());
}

bool Simulator::detailed() const { return m_detailed; }

std::vector<std::string> Simulator::pageRecords(int page, bool detailed) const
{
    if (page < 1 || page > pageCount())
        return {};
    return pageRecordTexts(m_config.pages[size_t(page - 1)], m_pageData[size_t(page - 1)], detailed);
}

std::string Simulator::pageHeaderText(int page) const
{
    if (page < 1 || page > pageCount())
        return {};
    return pageHeader(m_config.pages[size_t(page - 1)]);
}

bool Simulator::idle() const { return m_idle; }
bool Simulator::present() const { return m_present; }

double Simulator::now() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

void Simulator::vanish()
{
    if (m_running)
        request(Request::Vanish);
    else
        closePty();
}

bool Simulator::reappear()
{
    if (m_running) {
        request(Request::Reappear);
    } else if (m_master < 0 && openPty()) {
        updateLink();
    }
    return m_present;
}

void Simulator::request(Request r)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait(lock, [&] { return m_request == Request::None; });
    m_request = r;
    const unsigned ticket = m_requestsDone + 1;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
    m_cond.wait(lock, [&] { return m_requestsDone >= ticket; });
}

void Simulator::logEvent(const std::string &what)
{
    if (m_config.log)
        m_config.log(what, now());
}

bool Simulator::openPty()
{
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) < 0)
        return false;
    // A serial line passes bytes untouched: no echo, no CR/LF translation, no line editing.
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    // Only the program holds the slave: its close then shows as hang-up on the master.
    ::close(slave);
    m_master = master;
    m_slaveClosed = true;
    m_writeBlocked = false;
    m_line.clear();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ptyPath = name;
    }
    m_present = true;
    return true;
}

void Simulator::closePty()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    m_present = false;
    m_out.clear();
    m_lineFree = Clock::now();  // what was still to go out is gone: a reply after reappear() is not held back
    m_line.clear();
    m_idle = true;
    if (m_linkMade) {
        ::unlink(m_config.linkPath.c_str());
        m_linkMade = false;
    }
}

void Simulator::updateLink()
{
    if (m_config.linkPath.empty() || m_master < 0)
        return;
    const std::string tmp = m_config.linkPath + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(ptyPath().c_str(), tmp.c_str()) == 0 && ::rename(tmp.c_str(), m_config.linkPath.c_str()) == 0)
        m_linkMade = true;
    else
        ::unlink(tmp.c_str());
}

void Simulator::run()
{
    for (;;) {
        Request req;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            req = m_request;
        }
        if (req != Request::None) {
            if (req == Request::Vanish) {
                closePty();
                logEvent("vanished");
            } else if (req == Request::Reappear && m_master < 0) {
                if (openPty()) {
                    updateLink();
                    logEvent("reappeared " + ptyPath());
                }
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_request = Request::None;
                ++m_requestsDone;
            }
            m_cond.notify_all();
            if (req == Request::Stop)
                return;
        }

        flushDue(Clock::now());

        // The program's end closed? Look without waiting; while it stays closed, sleep in short steps.
        if (m_master >= 0 && m_slaveClosed) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 0) >= 0 && !(p.revents & (POLLHUP | POLLERR)))
                m_slaveClosed = false;
        }

        long long timeoutNs = -1;
        const auto now = Clock::now();
        if (!m_out.empty() && !m_writeBlocked)
            timeoutNs = std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::nanoseconds>(m_out.front().due - now).count());
        if (m_master >= 0 && (m_slaveClosed || m_writeBlocked)) {
            const long long cap = std::chrono::nanoseconds(kClosedRecheck).count();
            timeoutNs = timeoutNs < 0 ? cap : std::min(timeoutNs, cap);
        }

        pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_master, POLLIN, 0}};
        const nfds_t n = (m_master >= 0 && !m_slaveClosed) ? 2 : 1;
        timespec ts{};
        if (timeoutNs >= 0) {
            ts.tv_sec = time_t(timeoutNs / 1000000000LL);
            ts.tv_nsec = long(timeoutNs % 1000000000LL);
        }
        const int r = ::ppoll(fds, n, timeoutNs >= 0 ? &ts : nullptr, nullptr);
        m_writeBlocked = false;
        if (r < 0)
            continue;
        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] ssize_t k = ::read(m_wake, &v, sizeof v);
        }
        if (n < 2)
            continue;
        if (fds[1].revents & POLLIN) {
            char buf[512];
            for (;;) {
                const ssize_t k = ::read(m_master, buf, sizeof buf);
                if (k > 0) {
                    for (ssize_t i = 0; i < k; ++i) {
                        const char c = buf[i];
                        if (c == '\n') {
                            std::string cmd;
                            cmd.swap(m_line);
                            if (!cmd.empty() && cmd.back() == '\r')
                                cmd.pop_back();
                            if (!cmd.empty())
                                handleCommand(cmd);
                            if (m_master < 0)
                                break;
                        } else if (m_line.size() < kMaxLine) {
                            m_line += c;
                        } else {
                            m_line.clear(); // junk without line ends: forget it
                        }
                    }
                    if (m_master < 0)
                        break;
                    continue;
                }
                if (k < 0 && (errno == EAGAIN || errno == EINTR))
                    break;
                m_slaveClosed = true; // EIO: the program closed its end
                break;
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            m_slaveClosed = true;
        }
    }
}

void Simulator::enqueue(const std::string &bytes, double gapSec, double perCharSec)
{
    if (bytes.empty() && gapSec <= 0)
        return;
    const auto now = Clock::now();
    auto t = std::max(m_lineFree, now)
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(gapSec));
    const double charTime = 10.0 / m_config.baud;
    const auto step =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(charTime, perCharSec)));
    for (unsigned char b : bytes) {
        t += step;
        m_out.push_back(OutItem{t, OutItem::Byte, b, {}});
    }
    m_lineFree = t;
    m_idle = m_out.empty();
}

void Simulator::flushDue(Clock::time_point now)
{
    while (!m_out.empty() && m_out.front().due <= now) {
        if (m_out.front().kind == OutItem::Vanish) {
            closePty();
            logEvent("vanished");
            return;
        }
        std::string buf;
        std::vector<std::string> done;
        size_t count = 0;
        for (auto it = m_out.begin(); it != m_out.end() && it->due <= now && it->kind == OutItem::Byte; ++it) {
            buf += char(it->byte);
            if (!it->text.empty()) {
                done.push_back(std::move(it->text));
                it->text.clear();
            }
            ++count;
        }
        if (!done.empty()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (auto &d : done)
                m_liveRecords.push_back(std::move(d));
        }
        size_t written = count;
        if (m_master >= 0 && !m_slaveClosed) {
            const ssize_t k = ::write(m_master, buf.data(), buf.size());
            if (k < 0 && (errno == EAGAIN || errno == EINTR)) {
                written = 0;
                m_writeBlocked = true;
            } else if (k < 0) {
                m_slaveClosed = true; // nobody listening: the bytes are lost
            } else if (size_t(k) < count) {
                written = size_t(k);
                m_writeBlocked = true;
            }
        }
        m_out.erase(m_out.begin(), m_out.begin() + long(written));
        if (m_writeBlocked)
            break;
    }
    m_idle = m_out.empty();
}

void Simulator::handleCommand(const std::string &cmd)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.push_back(Received{cmd, now()});
    }
    m_cond.notify_all();
    logEvent(cmd);

    const char letter = cmd[0];
    const bool plain = cmd.size() == 1;
    const bool numbered = cmd.size() == 5 && isDigits(cmd, 1);
    const bool known = (plain && std::strchr("USGFNP", letter)) || (numbered && std::strchr("DTM", letter));
    if (!known)
        return;

    Fault fault;
    const bool faulted = takeFault(letter, fault);
    if (!faulted)
        fault = Fault();
    const bool page = letter == 'T';
    if (fault.kind == FaultKind::Silence && !(page && fault.afterRecords > 0))
        return; // the meter did not hear it

    std::string ack, data;
    std::vector<std::string> records;
    bool live = false;
    const int number = numbered ? std::atoi(cmd.c_str() + 1) : 0;
    const bool known_page = number >= 1 && number <= pageCount();
    switch (letter) {
    case 'U':
        ack = "AU\r\n";
        data = unitsText(m_config.fahrenheit);
        break;
    case 'S':
        ack = "AS";
        data = ";" + std::to_string(m_config.coScaleFlag) + ";0;" + m_config.pressure + "\r\n";
        break;
    case 'G':
        m_detailed = false;
        ack = "AG\r\n";
        break;
    case 'F':
        m_detailed = true;
        ack = "AF\r\n";
        break;
    case 'D':
        ack = "AD\r\n";
        data = liveRecord(m_room.next(), m_detailed);
        live = true;
        break;
    case 'N':
        // Stop whatever is still going out (a page being streamed).
        m_out.clear();
        m_lineFree = Clock::now();
        ack = "AN\r\n";
        break;
    case 'P':
        ack = "AP\r\n";
        data = "P" + number4(pageCount()) + "\r\n";
        break;
    case 'T':
        ack = "AT\r\n";
        if (known_page) {
            data = pageHeaderText(number);
            records = pageRecords(number, m_detailed);
        }
        break;
    case 'M':
        if (known_page) {
            ack = "AM";
            data = pageInfoReply(number, m_config.pages[size_t(number - 1)]).substr(2);
        } else {
            ack = "AM\r\n";
        }
        break;
    }

    const FaultKind kind = fault.kind;
    const int k = page ? std::max(fault.afterRecords, 0) : 0;

    // Faults on the acknowledgement and on the data part.
    if (kind == FaultKind::WrongAck && ack.size() >= 2)
        ack[1] = 'X';
    if (kind == FaultKind::MissingAck)
        ack.clear();
    std::string *dataTarget = page ? (size_t(k) < records.size() ? &records[size_t(k)] : nullptr) : &data;
    if (dataTarget && !dataTarget->empty()) {
        if (kind == FaultKind::NoSeparators)
            std::replace(dataTarget->begin(), dataTarget->end(), ';', ' ');
        if (kind == FaultKind::ShortRecord && dataTarget->size() > 22)
            *dataTarget = dataTarget->substr(0, 20) + "\r\n";
    }

    // What goes on the line: the head (acknowledgement and data or page header), then the records.
    std::vector<std::string> pieces{ack + data};
    pieces.insert(pieces.end(), records.begin(), records.end());
    const size_t target = (page && k > 0) ? size_t(k) + 1 : 0; // record k + 1 is pieces[k + 1]
    const bool hit = target < pieces.size();

    const bool liveSent = live && kind != FaultKind::Garbage && kind != FaultKind::Vanish;
    const double pause = std::max(fault.pauseMs, 0) / 1000.0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::string bytes = pieces[i];
        double gap = 0, perChar = 0;
        if (hit && i >= target && kind == FaultKind::Trickle)
            perChar = kTrickleStep;
        if (hit && i == target) {
            if (kind == FaultKind::Silence)
                break; // the page stops here
            if (kind == FaultKind::Late)
                gap = pause;
            if (kind == FaultKind::Garbage) {
                std::uniform_int_distribution<int> byte(0, 255);
                for (char &c : bytes)
                    c = char(byte(m_rng));
                if (!bytes.empty())
                    bytes.front() = '\0';
                if (bytes.size() > 1)
                    bytes[bytes.size() / 2] = char(0xFF);
            }
            if (kind == FaultKind::SplitReply && bytes.size() > 1) {
                const size_t half = bytes.size() / 2;
                enqueue(bytes.substr(0, half), gap, perChar);
                bytes = bytes.substr(half);
                gap = pause;
            }
            if (kind == FaultKind::Vanish) {
                enqueue(bytes.substr(0, bytes.size() / 2), gap, perChar);
                // Closing the master throws away what the program has not read yet: give it a
                // moment to take the half reply first.
                m_lineFree += std::chrono::milliseconds(100);
                m_out.push_back(OutItem{m_lineFree, OutItem::Vanish, 0, {}});
                m_idle = false;
                return;
            }
        }
        enqueue(bytes, gap, perChar);
        if (i == 0 && liveSent && !m_out.empty())
            m_out.back().text = data;
    }
}

} // namespace metersim
