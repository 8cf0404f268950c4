// ombrixdrvctl: drives the stand-in packet driver from scripts and the demo. One command per run; results go
// to standard output as plain lines, errors to standard error. Exit code 0 success, 1 failure, 2 usage.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "StandInCodes.h"
#include "StandInDriver.h"

namespace {

const int kExitFailure = 1;
const int kExitUsage = 2;

const char kUsage[] =
    "usage: ombrixdrvctl COMMAND\n"
    "  install [SYSFILE]   copy the driver (default: ombrix.sys beside this program) and register it\n"
    "  start | stop | uninstall\n"
    "  status              service state, status word and queued alarm records\n"
    "  set-bits N | clear-bits N   change the status word (N decimal or 0x hex)\n"
    "  queue-alarm SRCIP SRCPORT DSTIP DSTPORT KIND PROTOCOL [COUNT]\n"
    "  forwards            one line per forward: index protocol address port\n"
    "  sharing | alarm     the switch as the last request 5 / 65 left it: on or off\n"
    "  counts              one line per raw request: code count\n"
    "  fail MASK           make raw requests fail (bit 0 = 5, 1 = 19, 2 = 51, 3 = 56, 4 = 60, 5 = 65, 6 = 67)\n"
    "  reset               back to the state after loading\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int Failed(const CStandInDriver& driver)
{
    std::fprintf(stderr, "ombrixdrvctl: %s\n", driver.LastError().c_str());
    return kExitFailure;
}

bool ParseNumber(const char* text, uint32_t& value)
{
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (!*text || *end || v > 0xFFFFFFFFul)
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool ParsePort(const char* text, uint16_t& port)
{
    uint32_t v;
    if (!ParseNumber(text, v) || v > 0xFFFF)
        return false;
    port = static_cast<uint16_t>(v);
    return true;
}

// "a.b.c.d" to an address in network order (first octet in the lowest byte).
bool ParseAddress(const char* text, uint32_t& addr)
{
    unsigned o[4];
    char tail;
    if (std::sscanf(text, "%u.%u.%u.%u%c", &o[0], &o[1], &o[2], &o[3], &tail) != 4)
        return false;
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        if (o[i] > 255)
            return false;
        bytes[i] = static_cast<uint8_t>(o[i]);
    }
    std::memcpy(&addr, bytes, sizeof addr);
    return true;
}

std::string FormatAddress(uint32_t addr)
{
    uint8_t b[4];
    std::memcpy(b, &addr, sizeof b);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

const char* ServiceState(CStandInDriver& driver)
{
    if (!driver.IsInstalled())
        return "absent";
    return driver.IsRunning() ? "running" : "stopped";
}

int PrintStatus(CStandInDriver& driver)
{
    std::printf("service %s\n", ServiceState(driver));
    uint32_t bits = 0, queued = 0;
    if (!driver.PeekState(bits, queued)) {
        std::printf("device absent\n");
        return 0;
    }
    std::printf("device open\nbits 0x%08lx\nalarms %lu\n", static_cast<unsigned long>(bits),
                static_cast<unsigned long>(queued));
    return 0;
}

int PrintBits(CStandInDriver& driver)
{
    uint32_t bits = 0, queued = 0;
    if (!driver.PeekState(bits, queued))
        return Failed(driver);
    std::printf("bits 0x%08lx\n", static_cast<unsigned long>(bits));
    return 0;
}

int QueueAlarm(CStandInDriver& driver, int argc, char** argv)
{
    if (argc != 8 && argc != 9)
        return Usage();
    AlarmRecord r;
    uint32_t count = 1;
    if (!ParseAddress(argv[2], r.srcAddr) || !ParsePort(argv[3], r.srcPort) || !ParseAddress(argv[4], r.dstAddr) ||
        !ParsePort(argv[5], r.dstPort) || !ParseNumber(argv[6], r.kind) || !ParseNumber(argv[7], r.protocol) ||
        (argc == 9 && (!ParseNumber(argv[8], count) || count == 0 || count > OMBRIX_STANDIN_MAX_QUEUED_ALARMS)))
        return Usage();
    uint32_t taken = 0;
    if (!driver.QueueAlarms(std::vector<AlarmRecord>(count, r), &taken))
        return Failed(driver);
    std::printf("queued %lu\n", static_cast<unsigned long>(taken));
    return 0;
}

int PrintForwards(CStandInDriver& driver)
{
    std::vector<PortForwardRecord> forwards;
    if (!driver.GetForwards(forwards))
        return Failed(driver);
    for (const PortForwardRecord& f : forwards)
        std::printf("%u %u %s %u\n", f.index, f.protocol, FormatAddress(f.inAddr).c_str(), f.port);
    return 0;
}

int PrintSwitch(CStandInDriver& driver, bool sharing)
{
    uint32_t flag = 0;
    if (!(sharing ? driver.GetSharing(flag) : driver.GetAlarmSwitch(flag)))
        return Failed(driver);
    std::printf("%s\n", flag ? "on" : "off");
    return 0;
}

int PrintCounts(CStandInDriver& driver)
{
    StandInRequestCounts c;
    if (!driver.GetRequestCounts(c))
        return Failed(driver);
    std::printf("5 %lu\n19 %lu\n51 %lu\n56 %lu\n60 %lu\n65 %lu\n67 %lu\n", static_cast<unsigned long>(c.setSharing),
                static_cast<unsigned long>(c.getStatus), static_cast<unsigned long>(c.getForward),
                static_cast<unsigned long>(c.addForward), static_cast<unsigned long>(c.removeForward),
                static_cast<unsigned long>(c.setAlarm), static_cast<unsigned long>(c.getAlarms));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    CStandInDriver driver;
    uint32_t n = 0;

    if (command == "install") {
        if (argc > 3)
            return Usage();
        const std::string file = argc == 3 ? argv[2] : CStandInDriver::FileBesideProgram();
        if (!driver.Install(file))
            return Failed(driver);
        std::printf("installed\n");
        return 0;
    }
    if (argc != 2 && command != "set-bits" && command != "clear-bits" && command != "fail" && command != "queue-alarm")
        return Usage();
    if (command == "start") {
        if (!driver.Start())
            return Failed(driver);
        std::printf("started\n");
        return 0;
    }
    if (command == "stop") {
        if (!driver.Stop())
            return Failed(driver);
        std::printf("stopped\n");
        return 0;
    }
    if (command == "uninstall") {
        if (!driver.Uninstall())
            return Failed(driver);
        std::printf("uninstalled\n");
        return 0;
    }
    if (command == "status")
        return PrintStatus(driver);
    if (command == "set-bits" || command == "clear-bits") {
        if (argc != 3 || !ParseNumber(argv[2], n))
            return Usage();
        if (!(command == "set-bits" ? driver.SetStatusBits(n) : driver.ClearStatusBits(n)))
            return Failed(driver);
        return PrintBits(driver);
    }
    if (command == "fail") {
        if (argc != 3 || !ParseNumber(argv[2], n))
            return Usage();
        if (!driver.SetFailMask(n))
            return Failed(driver);
        std::printf("fail-mask 0x%02lx\n", static_cast<unsigned long>(n));
        return 0;
    }
    if (command == "queue-alarm")
        return QueueAlarm(driver, argc, argv);
    if (command == "forwards")
        return PrintForwards(driver);
    if (command == "sharing")
        return PrintSwitch(driver, true);
    if (command == "alarm")
        return PrintSwitch(driver, false);
    if (command == "counts")
        return PrintCounts(driver);
    if (command == "reset") {
        if (!driver.Reset())
            return Failed(driver);
        std::printf("reset\n");
        return 0;
    }
    return Usage();
}
