// The Veltrano board without the board: the firmware's .elf runs on simavr as an Arduino Uno, its
// serial port appears as a pseudo-terminal the PC program can open, and the servo pulses on the
// watched pins are reported on stdout, in simulated time, one line per change:
//
//   PTY /dev/pts/3
//   PULSE pin=9 width_us=1472 t_us=1234567
//   PULSE pin=9 width_us=1528.5 t_us=1254567   (the firmware's timer counts half microseconds)
//   PULSE pin=9 width_us=0 t_us=1300000        (no more pulses on that pin)

#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <getopt.h>
#include <inttypes.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_irq.h>

enum { UnoPins = 20, ServoFrameHz = 50, BufferSize = 65536, TraceLineSize = 160 };

typedef struct {
    const char* firmware;
    const char* mcu;
    uint32_t frequency;
    bool realtime;
    const char* link;
    bool watch[UnoPins];
    double stopAfterSeconds;
    bool verbose;
} Options;

// A pin's pulse train: the width is reported to the half microsecond the firmware's timer counts in,
// when it moves by that much or more, so the odd cycle of interrupt jitter does not flood the output.
typedef struct {
    int pin;
    bool high;
    bool reporting; // a non-zero width was the last thing reported
    avr_cycle_count_t riseCycle;
    avr_cycle_count_t reportedCycles;
} PinWatch;

// Bytes waiting to go one way through the bridge.
typedef struct {
    uint8_t data[BufferSize];
    size_t start, length;
} ByteQueue;

typedef struct {
    char text[TraceLineSize];
    size_t length;
} TraceLine;

static avr_t* g_avr;
static FILE* g_out; // our stdout; simavr's own chatter goes to stderr
static int g_master = -1;
static int g_slave = -1;
static bool g_xon = true;
static avr_irq_t* g_uartInput;
static ByteQueue g_toBoard, g_toPc;
static PinWatch g_watches[UnoPins];
static int g_watchCount;
static bool g_verbose;
static TraceLine g_traceIn, g_traceOut;
static volatile sig_atomic_t g_stop;

static void die(const char* what)
{
    fprintf(stderr, "board emulator: %s: %s\n", what, strerror(errno));
    exit(1);
}

static uint64_t cyclesToMicroseconds(avr_cycle_count_t cycles)
{
    const uint64_t frequency = g_avr->frequency;
    return cycles / frequency * 1000000u + cycles % frequency * 1000000u / frequency;
}

static uint64_t nowNanoseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

// ---- serial bridge -------------------------------------------------------------------------

static bool queuePush(ByteQueue* queue, uint8_t byte)
{
    if (queue->length == BufferSize)
        return false;
    queue->data[(queue->start + queue->length) % BufferSize] = byte;
    ++queue->length;
    return true;
}

static void queueDrop(ByteQueue* queue, size_t count)
{
    queue->start = (queue->start + count) % BufferSize;
    queue->length -= count;
}

static void traceByte(TraceLine* line, const char* who, uint8_t byte)
{
    if (byte == '\r' || byte == '\n') {
        if (line->length > 0)
            fprintf(stderr, "%s %.*s\n", who, (int)line->length, line->text);
        line->length = 0;
    } else if (line->length < TraceLineSize) {
        line->text[line->length++] = (byte >= 32 && byte < 127) ? (char)byte : '.';
    }
}

// The UART takes bytes only while its receive FIFO has room: it says so with XON and XOFF.
static void feedBoard(void)
{
    while (g_xon && g_toBoard.length > 0) {
        const uint8_t byte = g_toBoard.data[g_toBoard.start];
        queueDrop(&g_toBoard, 1);
        if (g_verbose)
            traceByte(&g_traceIn, "pc>", byte);
        avr_raise_irq(g_uartInput, byte);
    }
}

static void onUartOutput(struct avr_irq_t* irq, uint32_t value, void* param)
{
    (void)irq;
    (void)param;
    if (g_verbose)
        traceByte(&g_traceOut, "board>", (uint8_t)value);
    // With nobody reading for a long time the oldest replies are lost, as on a real link.
    if (!queuePush(&g_toPc, (uint8_t)value)) {
        queueDrop(&g_toPc, 1);
        queuePush(&g_toPc, (uint8_t)value);
    }
}

static void onUartXon(struct avr_irq_t* irq, uint32_t value, void* param)
{
    (void)irq;
    (void)value;
    (void)param;
    g_xon = true;
    feedBoard();
}

static void onUartXoff(struct avr_irq_t* irq, uint32_t value, void* param)
{
    (void)irq;
    (void)param;
    if (value)
        g_xon = false;
}

static void openPseudoTerminal(void)
{
    g_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (g_master < 0 || grantpt(g_master) != 0 || unlockpt(g_master) != 0)
        die("cannot create a pseudo-terminal");
    const char* name = ptsname(g_master);
    if (!name)
        die("ptsname");
    // Holding the slave open ourselves keeps the master usable while the PC side opens and closes
    // the port as often as it likes; otherwise the master reads EIO after the first close.
    g_slave = open(name, O_RDWR | O_NOCTTY);
    if (g_slave < 0)
        die("cannot open the pseudo-terminal's slave");
    // Raw, so that a reader that does not set the line up itself still gets CR as CR.
    struct termios raw;
    if (tcgetattr(g_slave, &raw) == 0) {
        cfmakeraw(&raw);
        cfsetspeed(&raw, B9600);
        tcsetattr(g_slave, TCSANOW, &raw);
    }
    fcntl(g_master, F_SETFL, fcntl(g_master, F_GETFL) | O_NONBLOCK);
}

static void serviceBridge(void)
{
    uint8_t buffer[512];
    while (g_toBoard.length + sizeof buffer <= BufferSize) {
        const ssize_t got = read(g_master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i)
            queuePush(&g_toBoard, buffer[i]);
    }
    feedBoard();
    while (g_toPc.length > 0) {
        size_t chunk = g_toPc.length;
        if (g_toPc.start + chunk > BufferSize)
            chunk = BufferSize - g_toPc.start;
        const ssize_t written = write(g_master, g_toPc.data + g_toPc.start, chunk);
        if (written <= 0)
            break; // the slave's queue is full: keep the rest for later
        queueDrop(&g_toPc, (size_t)written);
    }
}

// ---- servo pulses --------------------------------------------------------------------------

static void reportPulse(const PinWatch* watch, uint64_t widthHalfMicroseconds, avr_cycle_count_t when)
{
    fprintf(g_out, "PULSE pin=%d width_us=%" PRIu64 "%s t_us=%" PRIu64 "\n", watch->pin, widthHalfMicroseconds / 2,
            widthHalfMicroseconds % 2 ? ".5" : "", cyclesToMicroseconds(when));
}

static void onPinChange(struct avr_irq_t* irq, uint32_t value, void* param)
{
    (void)irq;
    PinWatch* watch = param;
    const bool high = value & 1;
    if (high == watch->high)
        return;
    watch->high = high;
    if (high) {
        watch->riseCycle = g_avr->cycle;
        return;
    }
    const avr_cycle_count_t width = g_avr->cycle - watch->riseCycle;
    const avr_cycle_count_t cyclesPerHalf = g_avr->frequency / 2000000u;
    const avr_cycle_count_t moved =
        width > watch->reportedCycles ? width - watch->reportedCycles : watch->reportedCycles - width;
    if (watch->reporting && moved < cyclesPerHalf)
        return;
    watch->reporting = true;
    watch->reportedCycles = width;
    reportPulse(watch, (width + cyclesPerHalf / 2) / cyclesPerHalf, watch->riseCycle);
}

// A servo left without pulses for three frames has been let go.
static void checkPulsesStopped(void)
{
    const avr_cycle_count_t timeout = 3 * (avr_cycle_count_t)g_avr->frequency / ServoFrameHz;
    for (int i = 0; i < g_watchCount; ++i) {
        PinWatch* watch = &g_watches[i];
        if (watch->reporting && !watch->high && g_avr->cycle - watch->riseCycle > timeout) {
            watch->reporting = false;
            reportPulse(watch, 0, g_avr->cycle);
        }
    }
}

// Arduino Uno numbering: 0-7 on port D, 8-13 on port B, 14-19 (A0-A5) on port C.
static void watchPin(int pin)
{
    const char port = pin < 8 ? 'D' : pin < 14 ? 'B' : 'C';
    const int bit = pin < 8 ? pin : pin < 14 ? pin - 8 : pin - 14;
    PinWatch* watch = &g_watches[g_watchCount++];
    memset(watch, 0, sizeof *watch);
    watch->pin = pin;
    avr_irq_t* irq = avr_io_getirq(g_avr, AVR_IOCTL_IOPORT_GETIRQ(port), bit);
    if (!irq) {
        fprintf(stderr, "board emulator: this MCU has no port %c\n", port);
        exit(1);
    }
    avr_irq_register_notify(irq, onPinChange, watch);
}

// ---- set-up --------------------------------------------------------------------------------

static void usage(FILE* to, const char* program)
{
    fprintf(to,
            "Usage: %s [options] [FIRMWARE.elf]\n"
            "Runs the board firmware as an Arduino Uno with its serial port on a pseudo-terminal.\n"
            "\n"
            "  -f, --free-run        run as fast as the host allows (default: real time)\n"
            "  -l, --link PATH       also make PATH a symbolic link to the pseudo-terminal\n"
            "  -p, --pins LIST       pins whose servo pulses to report, e.g. 9,10 (default 2-19)\n"
            "  -t, --stop-after SEC  stop after SEC seconds of simulated time\n"
            "  -m, --mcu NAME        simulated chip (default atmega328p)\n"
            "  -c, --clock HZ        its clock (default 16000000)\n"
            "  -v, --verbose         copy the serial lines to stderr\n"
            "  -h, --help\n"
            "\n"
            "FIRMWARE defaults to veltrano-board.elf beside this program. stdout gets \"PTY <path>\"\n"
            "once the board runs, then \"PULSE pin=<n> width_us=<w> t_us=<simulated time>\" whenever\n"
            "a pin's pulse width changes (0: the pulses stopped).\n",
            program);
}

static bool parsePins(char* list, bool* watch)
{
    memset(watch, 0, UnoPins * sizeof *watch);
    for (char* item = strtok(list, ","); item; item = strtok(NULL, ",")) {
        char* end;
        const long pin = strtol(item, &end, 10);
        if (*end != '\0' || end == item || pin < 0 || pin >= UnoPins)
            return false;
        watch[pin] = true;
    }
    return true;
}

static char* defaultFirmware(void)
{
    static char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 32);
    if (length <= 0)
        return "veltrano-board.elf";
    path[length] = '\0';
    char* slash = strrchr(path, '/');
    strcpy(slash ? slash + 1 : path, "veltrano-board.elf");
    return path;
}

static Options parseOptions(int argc, char** argv)
{
    Options options = {.mcu = "atmega328p", .frequency = 16000000, .realtime = true};
    for (int pin = 2; pin < UnoPins; ++pin)
        options.watch[pin] = true;
    static const struct option longOptions[] = {
        {"free-run", no_argument, NULL, 'f'},
        {"link", required_argument, NULL, 'l'},
        {"pins", required_argument, NULL, 'p'},
        {"stop-after", required_argument, NULL, 't'},
        {"mcu", required_argument, NULL, 'm'},
        {"clock", required_argument, NULL, 'c'},
        {"verbose", no_argument, NULL, 'v'},
        {"help", no_argument, NULL, 'h'},
        {NULL, 0, NULL, 0},
    };
    int option;
    while ((option = getopt_long(argc, argv, "fl:p:t:m:c:vh", longOptions, NULL)) != -1) {
        switch (option) {
        case 'f': options.realtime = false; break;
        case 'l': options.link = optarg; break;
        case 'p':
            if (!parsePins(optarg, options.watch)) {
                fprintf(stderr, "board emulator: pins are 0 to %d, comma separated\n", UnoPins - 1);
                exit(2);
            }
            break;
        case 't': options.stopAfterSeconds = strtod(optarg, NULL); break;
        case 'm': options.mcu = optarg; break;
        case 'c': options.frequency = (uint32_t)strtoul(optarg, NULL, 10); break;
        case 'v': options.verbose = true; break;
        case 'h': usage(stdout, argv[0]); exit(0);
        default: usage(stderr, argv[0]); exit(2);
        }
    }
    if (optind + 1 < argc || options.frequency < 1000000) {
        usage(stderr, argv[0]);
        exit(2);
    }
    options.firmware = optind < argc ? argv[optind] : defaultFirmware();
    return options;
}

// Our own pacing decides how idle time passes, in both modes.
static void skipIdle(avr_t* avr, avr_cycle_count_t howLong)
{
    (void)avr;
    (void)howLong;
}

// simavr's notes on loading and configuring are noise here; its errors are not.
static void logFiltered(avr_t* avr, const int level, const char* format, va_list arguments)
{
    (void)avr;
    if (level <= (g_verbose ? LOG_WARNING : LOG_ERROR))
        vfprintf(stderr, format, arguments);
}

static void onSignal(int signal)
{
    (void)signal;
    g_stop = 1;
}

static void makeLink(const char* link, const char* target)
{
    struct stat existing;
    if (lstat(link, &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            fprintf(stderr, "board emulator: %s exists and is not a symbolic link\n", link);
            exit(1);
        }
        unlink(link);
    }
    if (symlink(target, link) != 0)
        die(link);
}

static void loadBoard(const Options* options)
{
    // simavr keeps pointers into the firmware's sections for the whole run and has no call to free
    // them: the firmware lives as long as the program, reachable, not leaked.
    static elf_firmware_t firmware;
    memset(&firmware, 0, sizeof firmware);
    if (access(options->firmware, R_OK) != 0)
        die(options->firmware);
    if (elf_read_firmware(options->firmware, &firmware) != 0 || firmware.flashsize == 0) {
        fprintf(stderr, "board emulator: %s is not a firmware .elf\n", options->firmware);
        exit(1);
    }
    // The .elf names no chip and no clock: the board is fixed here.
    snprintf(firmware.mmcu, sizeof firmware.mmcu, "%s", options->mcu);
    firmware.frequency = options->frequency;
    g_avr = avr_make_mcu_by_name(options->mcu);
    if (!g_avr) {
        fprintf(stderr, "board emulator: simavr does not know %s\n", options->mcu);
        exit(1);
    }
    avr_init(g_avr);
    avr_load_firmware(g_avr, &firmware);
    g_avr->frequency = options->frequency;
    g_avr->log = LOG_ERROR;
    g_avr->sleep = skipIdle;
}

static void connectUart(void)
{
    uint32_t flags = 0;
    avr_ioctl(g_avr, AVR_IOCTL_UART_GET_FLAGS('0'), &flags);
    // No console copy of the serial output, and no host sleeps while the firmware polls it.
    flags &= ~(uint32_t)(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
    avr_ioctl(g_avr, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
    g_uartInput = avr_io_getirq(g_avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(g_avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), onUartOutput, NULL);
    avr_irq_register_notify(avr_io_getirq(g_avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON), onUartXon, NULL);
    avr_irq_register_notify(avr_io_getirq(g_avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF), onUartXoff, NULL);
}

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    g_verbose = options.verbose;

    // simavr prints its own notes on stdout; keep stdout for the lines a test reads.
    const int ourStdout = dup(STDOUT_FILENO);
    if (ourStdout < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0 || !(g_out = fdopen(ourStdout, "w")))
        die("stdout");
    setvbuf(g_out, NULL, _IOLBF, 0);

    struct sigaction action = {.sa_handler = onSignal};
    sigaction(SIGINT, &action, NULL);
    sigaction(SIGTERM, &action, NULL);
    sigaction(SIGHUP, &action, NULL);
    signal(SIGPIPE, SIG_IGN);

    avr_global_logger_set(logFiltered);
    loadBoard(&options);
    connectUart();
    for (int pin = 0; pin < UnoPins; ++pin)
        if (options.watch[pin])
            watchPin(pin);
    openPseudoTerminal();
    const char* slaveName = ptsname(g_master);
    if (options.link)
        makeLink(options.link, slaveName);
    fprintf(g_out, "PTY %s\n", slaveName);

    // Real time is kept a simulated millisecond at a time; free-running checks the pseudo-terminal
    // less often, since its simulated milliseconds pass much faster.
    const avr_cycle_count_t slice = options.frequency / (options.realtime ? 1000 : 100);
    const avr_cycle_count_t stopCycle =
        options.stopAfterSeconds > 0 ? (avr_cycle_count_t)(options.stopAfterSeconds * options.frequency) : 0;
    const uint64_t wallStart = nowNanoseconds();
    uint64_t paceStart = wallStart;
    avr_cycle_count_t paceCycle = 0;
    int state = cpu_Running;
    while (!g_stop && state != cpu_Done && state != cpu_Crashed) {
        const avr_cycle_count_t end = g_avr->cycle + slice;
        while (g_avr->cycle < end && state != cpu_Done && state != cpu_Crashed)
            state = avr_run(g_avr);
        serviceBridge();
        checkPulsesStopped();
        if (stopCycle && g_avr->cycle >= stopCycle)
            break;
        if (!options.realtime)
            continue;
        const uint64_t simulated = cyclesToMicroseconds(g_avr->cycle - paceCycle) * 1000u;
        const uint64_t elapsed = nowNanoseconds() - paceStart;
        if (simulated > elapsed) {
            // Waiting on the pseudo-terminal lets a command from the PC cut the wait short, unless
            // there is no room for it yet.
            const uint64_t ahead = simulated - elapsed;
            const struct timespec wait = {.tv_sec = (time_t)(ahead / 1000000000u),
                                          .tv_nsec = (long)(ahead % 1000000000u)};
            struct pollfd master = {.fd = g_toBoard.length + 512 <= BufferSize ? g_master : -1, .events = POLLIN};
            ppoll(&master, 1, &wait, NULL);
        } else if (elapsed - simulated > 100000000u) {
            // A host too busy to keep up: fall behind rather than race to catch up.
            paceStart = nowNanoseconds();
            paceCycle = g_avr->cycle;
        }
    }

    const double wallSeconds = (double)(nowNanoseconds() - wallStart) / 1e9;
    const double simulatedSeconds = (double)g_avr->cycle / options.frequency;
    fprintf(stderr, "board emulator: %.3f s simulated in %.3f s (%.1f times real time)%s\n", simulatedSeconds,
            wallSeconds, wallSeconds > 0 ? simulatedSeconds / wallSeconds : 0.0,
            state == cpu_Crashed ? ", the firmware crashed" : "");
    if (options.link)
        unlink(options.link);
    return state == cpu_Crashed ? 1 : 0;
}
