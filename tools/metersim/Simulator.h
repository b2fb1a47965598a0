#pragma once

// A simulated meter on a pseudo-terminal. The program under test opens devicePath() as its serial
// port and talks to it exactly as to the meter: commands end in CR LF, every reply starts with "A"
// and the command letter, and everything the meter sends is paced at the configured baud rate
// (10 bits per character).
//
// The simulator runs its own thread (poll() on the pty master), independent of any Qt event loop,
// so the program may run nested event loops while the meter keeps its own pace.
//
//   metersim::Simulator sim(metersim::Config{});        // 9600 baud, three pages, Celsius
//   sim.start();                                         // false when no pty could be opened
//   open(sim.devicePath()) ... "U\r\n" -> "AU\r\nppm;ppm;\xDF" "C;%RH;...;hPa\r\n"
//   sim.setFault("T", {metersim::FaultKind::Silence, 1, 5});  // next page falls silent after 5 records
//   sim.receivedCommands();                              // {"U", "F", "T0001", "N", ...}
//
// Commands and replies:
//   U      "AU" CR LF, nine unit fields ("ppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C;g/m3;g/kg;hPa") CR LF
//   S      "AS;<coScaleFlag>;0;<pressure>" CR LF
//   G / F  "AG" CR LF / "AF" CR LF; selects standard (4 values) / detailed (8 values) output
//   Dnnnn  "AD" CR LF, then one live record: 33 (standard) or 65 (detailed) characters with CR LF
//   N      stops any output in progress (page streaming), then "AN" CR LF
//   P      "AP" CR LF "P" <page count, 4 digits> CR LF
//   Tnnnn  "AT" CR LF, "yyyy/MM/dd HH:mm:ss" CR LF, then the page's records one after another
//          (after an unknown page number only "AT" CR LF)
//   Mnnnn  "AM" <nnnn> "  " <000|001> ";" <sampling time> ";" <records> ";" <operation> ";" <pressure> CR LF
//          (after an unknown page number only "AM" CR LF)
//   anything else is ignored (but logged in received()).
//
// The program may close and reopen its end any number of times. While its end is closed, what the
// meter sends is lost, as on a real line with nobody listening.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "metersim/MeterData.h"

namespace metersim {

enum class FaultKind {
    None,
    Silence,      // no reply at all (the meter did not hear it: G/F/N have no effect either);
                  // on T with afterRecords = k > 0: the page stops after k records
    WrongAck,     // the acknowledgement's letter is "X" ("AX" CR LF instead of "AG" CR LF), data as usual
    MissingAck,   // the data without the acknowledgement
    SplitReply,   // first half, a pause of pauseMs, second half
    Garbage,      // random bytes (0x00 and 0xFF among them) of the reply's length instead of the reply
    NoSeparators, // the data part (record) with every ";" replaced by a blank: same length
    ShortRecord,  // the data part (record) cut to 20 characters and CR LF
    Trickle,      // one character every 50 ms
    Late,         // the reply starts pauseMs late
    Vanish,       // the device disappears half-way through the reply
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int times = 1;        // how many replies it spoils; -1 = every reply
    int afterRecords = 0; // T only: 0 = the acknowledgement and header; k > 0 = record k + 1 (after k good ones)
    int pauseMs = 600;    // SplitReply and Late
};

struct Received {
    std::string command; // without CR LF, e.g. "T0003"
    double t = 0;        // seconds since start(), monotonic
};

struct Config {
    int baud = 9600;
    bool fahrenheit = false;
    std::vector<Page> pages = defaultPages();
    unsigned seed = 1;
    std::string linkPath;        // optional stable symlink to the pty (re-pointed by reappear())
    int coScaleFlag = 1;         // field 2 of the S reply
    std::string pressure = "1013"; // the S reply's last field (hPa); also used for the derived values
    // Called on the simulator's thread for every command received and for device events
    // ("vanished", "reappeared /dev/pts/N"). Keep it short.
    std::function<void(const std::string &what, double t)> log;
};

class Simulator {
public:
    explicit Simulator(Config config = Config());
    ~Simulator(); // stops
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    bool start();  // opens the pty and starts the thread; false when no pty could be opened
    void stop();   // ends the thread, closes the pty and removes the link
    std::string devicePath() const; // /dev/pts/N, or linkPath when set
    std::string ptyPath() const;    // /dev/pts/N always

    // Faults, per command letter ("U","S","G","F","D","N","P","T","M"). Kind None clears it.
    void setFault(const std::string &command, Fault f);
    void clearFaults();

    // Every command received, in order (thread-safe).
    std::vector<Received> received() const;
    std::vector<std::string> receivedCommands() const;
    void clearReceived();
    // Wait (blocking, no event processing) until `command` has been received `count` times in total.
    bool waitForCommand(const std::string &command, int count, int timeoutMs) const;

    // The live records sent for D requests (CR LF included), in order, as they went on the line
    // (a NoSeparators or ShortRecord record as spoiled; records of Silence/Garbage/Vanish replies not).
    std::vector<std::string> liveRecords() const;
    std::string lastLiveRecord() const;
    int liveRecordsSent() const;

    // Output selection from the last G or F (false = standard, the meter's state at power-on).
    bool detailed() const;

    // What T streams for page n (1-based) after the header, in the given selection (CR LF included).
    std::vector<std::string> pageRecords(int page, bool detailed) const;
    std::string pageHeaderText(int page) const; // "yyyy/MM/dd HH:mm:ss" CR LF
    int pageCount() const { return int(m_config.pages.size()); }
    const Config &config() const { return m_config; }

    // True once nothing is left to send (no reply or page in progress).
    bool idle() const;

    void vanish();    // the device disappears: the master is closed, the program sees a hang-up
    bool reappear();  // a new pty (new /dev/pts/N); linkPath re-pointed to it
    bool present() const;

    // Seconds since start() on the simulator's clock (the clock of Received::t).
    double now() const;

private:
    using Clock = std::chrono::steady_clock;
    struct OutItem {
        Clock::time_point due;
        enum Kind { Byte, Vanish, LiveRecord } kind;
        unsigned char byte;
        std::string text; // LiveRecord: the record, entered in liveRecords() when it went out
    };
    enum class Request { None, Stop, Vanish, Reappear };

    void run();
    bool openPty();
    void closePty();
    void updateLink();
    void handleCommand(const std::string &command);
    void enqueue(const std::string &bytes, double gapSec, double perCharSec);
    void flushDue(Clock::time_point now);
    bool takeFault(char letter, Fault &f);
    void request(Request r);
    void logEvent(const std::string &what);

    Config m_config;
    std::vector<PageData> m_pageData;
    Clock::time_point m_start;

    // Thread-shared state.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cond;
    std::map<char, Fault> m_faults;
    std::vector<Received> m_received;
    std::vector<std::string> m_liveRecords;
    Request m_request = Request::None;
    unsigned m_requestsDone = 0;
    std::string m_ptyPath;
    std::atomic<bool> m_detailed{false};
    std::atomic<bool> m_idle{true};
    std::atomic<bool> m_present{false};

    // Owned by the simulator's thread while it runs.
    std::thread m_thread;
    bool m_running = false;
    int m_master = -1;
    int m_wake = -1; // eventfd
    bool m_slaveClosed = true;
    bool m_writeBlocked = false;
    std::string m_line;
    std::deque<OutItem> m_out;
    Clock::time_point m_lineFree;
    Room m_room;
    std::mt19937 m_rng;
    bool m_linkMade = false;
};

} // namespace metersim
